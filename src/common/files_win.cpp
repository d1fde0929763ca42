#include "common/files_win.h"

#include "startup/run_state_win.h"

bool CanOpenForReading(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, 0,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

uint32_t ReadSelf(void*, void* buffer, uint32_t size) {
    DWORD count = 0;
    ReadFile(runState.selfFile, buffer, size, &count, 0);
    return count;
}

void CloseFileHandle(HANDLE* handle) {
    if (*handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
}
