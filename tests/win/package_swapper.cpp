// Plays another program of the same user: until STOPFILE exists, it looks
// for qz*.msi in a directory and tries to put its own package in place of
// each one, alternately by writing over the file and by renaming it away and
// copying its own in under the same name. Prints how often each worked.
//
//   package_swapper DIR INTRUDER.msi STOPFILE
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char* intruder;
static DWORD intruderSize;

static bool Overwrite(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, intruder, intruderSize, &written, 0);
    SetEndOfFile(file);
    CloseHandle(file);
    return written == intruderSize;
}

static bool Replace(const char* path, const char* intruderPath) {
    char away[MAX_PATH + 8];
    snprintf(away, sizeof away, "%s.away", path);
    if (!MoveFileExA(path, away, MOVEFILE_REPLACE_EXISTING)) return false;
    return CopyFileA(intruderPath, path, FALSE) != 0;
}

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    HANDLE source = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, 0);
    if (source == INVALID_HANDLE_VALUE) return 2;
    intruderSize = GetFileSize(source, 0);
    intruder = (char*)malloc(intruderSize);
    DWORD read = 0;
    ReadFile(source, intruder, intruderSize, &read, 0);
    CloseHandle(source);

    char pattern[MAX_PATH], path[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\qz*.msi", argv[1]);
    unsigned long attempts = 0, overwritten = 0, replaced = 0;
    for (bool overwrite = true; GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES;
         overwrite = !overwrite) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            snprintf(path, sizeof path, "%s\\%s", argv[1], found.cFileName);
            ++attempts;
            if (overwrite ? Overwrite(path) : Replace(path, argv[2]))
                ++(overwrite ? overwritten : replaced);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    printf("attempts %lu overwritten %lu replaced %lu\n", attempts, overwritten, replaced);
    return 0;
}
