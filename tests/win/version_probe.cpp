// Prints what Windows' version API reads from a file's version resource:
//   version_probe FILE KEY...
// "fixed FILE PRODUCT", "translation LANG CODEPAGE", then "KEY=value" for
// each key of string table 000004b0. Exit code 1 when the file has no
// version information the API can read.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    DWORD size = GetFileVersionInfoSizeA(argv[1], 0);
    void* data = size ? malloc(size) : 0;
    if (!data || !GetFileVersionInfoA(argv[1], 0, size, data)) {
        printf("no version information\n");
        return 1;
    }
    VS_FIXEDFILEINFO* fixed;
    UINT length;
    if (!VerQueryValueA(data, "\\", (void**)&fixed, &length)) return 1;
    printf("fixed %u.%u.%u.%u %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
           LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
           LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
           LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
           LOWORD(fixed->dwProductVersionLS));
    WORD* translation;
    if (VerQueryValueA(data, "\\VarFileInfo\\Translation", (void**)&translation, &length) &&
        length >= 4)
        printf("translation %04x %04x\n", translation[0], translation[1]);
    for (int i = 2; i < argc; ++i) {
        char path[256];
        snprintf(path, sizeof path, "\\StringFileInfo\\000004b0\\%s", argv[i]);
        char* value;
        if (VerQueryValueA(data, path, (void**)&value, &length))
            printf("%s=%s\n", argv[i], value);
        else
            printf("%s missing\n", argv[i]);
    }
    return 0;
}
