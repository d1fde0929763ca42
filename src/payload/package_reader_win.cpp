#include "payload/package_reader_win.h"

#include <windows.h>

#include "common/files_win.h"
#include "memory_hook.h"
#include "payload_format.h"
#include "payload/payload_state_win.h"
#include "settings_reader.h"

PayloadState payloadState;
PackageSettings packageSettings;

namespace {

// Longest extractDir that still fits targetDir with a backslash and the NUL.
const DWORD kMaxExtractDirLength = MAX_PATH - 2;

uint32_t ReadSelf(void*, void* buffer, uint32_t size) {
    return ReadFromFile(payloadState.selfFile, buffer, size);
}

int SkipSelf(void*, uint32_t size) {
    return SkipInFile(payloadState.selfFile, size);
}

int SeekSelf(void*, uint32_t offset) {
    return SetFilePointer(payloadState.selfFile, (LONG)offset, 0, FILE_BEGIN) !=
           INVALID_SET_FILE_POINTER;
}

const ByteSource kSelfSource = {0, ReadSelf, SkipSelf, SeekSelf};

bool ChooseTargetDir(const char* extractDir) {
    WCHAR* target = payloadState.targetDir;
    if (!extractDir) {
        // A result of MAX_PATH or more is the size the path would need: the
        // buffer then holds nothing usable.
        DWORD length = GetTempPathW(MAX_PATH, target);
        return length != 0 && length < MAX_PATH;
    }
    // The count includes the NUL; 0 when the directory does not fit.
    int count = MultiByteToWideChar(CP_ACP, 0, extractDir, -1, target,
                                    kMaxExtractDirLength + 1);
    if (count == 0) return false;
    DWORD length = count - 1;
    if (length == 0 || target[length - 1] != '\\') {
        target[length] = '\\';
        target[length + 1] = 0;
    }
    return true;
}

}  // namespace

ByteSource SelfFileSource() { return kSelfSource; }

bool ReadPackageSettings(HINSTANCE instance, const char* extractDir) {
    DWORD length =
        GetModuleFileNameW(instance, payloadState.selfPath, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return false;
    payloadState.selfFile =
        CreateFileW(payloadState.selfPath, GENERIC_READ, FILE_SHARE_READ, 0,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (payloadState.selfFile == INVALID_HANDLE_VALUE) return false;

    // An installing run measures the package for the disk space check.
    uint8_t* window = (uint8_t*)AllocBytes(kSettingsWindowSize);
    bool read = ReadPayloadSettings(&kSelfSource, window, &packageSettings,
                                    extractDir ? 0 : &payloadState.packageSize);
    FreeBytes(window);
    return read && ChooseTargetDir(extractDir);
}

void ClosePayloadFiles() {
    CloseFileHandle(&payloadState.selfFile);
    CloseFileHandle(&payloadState.packageGuard);
    if (payloadState.deleteTempPackage)
        DeleteFileW(payloadState.tempPackagePath);
}
