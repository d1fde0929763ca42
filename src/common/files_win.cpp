#include "common/files_win.h"

namespace {

bool CloseIfOpen(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

bool CanOpenForReading(const char* path) {
    return CloseIfOpen(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, 0,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0));
}

bool CanOpenForReading(const WCHAR* path) {
    return CloseIfOpen(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, 0,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0));
}

uint32_t ReadFromFile(HANDLE file, void* buffer, uint32_t size) {
    DWORD count = 0;
    ReadFile(file, buffer, size, &count, 0);
    return count;
}

bool SkipInFile(HANDLE file, uint32_t size) {
    return SetFilePointer(file, (LONG)size, 0, FILE_CURRENT) !=
           INVALID_SET_FILE_POINTER;
}

void CloseFileHandle(HANDLE* handle) {
    if (*handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
}
