#include "payload/package_reader_win.h"

#include <windows.h>

#include "common/files_win.h"
#include "memory_hook.h"
#include "payload_format.h"
#include "settings_reader.h"
#include "startup/run_state_win.h"

PackageSettings packageSettings;

namespace {

// Longest extractDir that still fits targetDir with a backslash and the NUL.
const DWORD kMaxExtractDirLength = MAX_PATH - 2;

uint32_t ReadSelf(void*, void* buffer, uint32_t size) {
    return ReadFromFile(runState.selfFile, buffer, size);
}

int SkipSelf(void*, uint32_t size) {
    return SkipInFile(runState.selfFile, size);
}

int SeekSelf(void*, uint32_t offset) {
    return SetFilePointer(runState.selfFile, (LONG)offset, 0, FILE_BEGIN) !=
           INVALID_SET_FILE_POINTER;
}

const ByteSource kSelfSource = {0, ReadSelf, SkipSelf, SeekSelf};

bool ChooseTargetDir() {
    char* target = runState.targetDir;
    if (!runState.extractDir) {
        // A result of MAX_PATH or more is the size the path would need: the
        // buffer then holds nothing usable.
        DWORD length = GetTempPathA(MAX_PATH, target);
        return length != 0 && length < MAX_PATH;
    }
    DWORD length = lstrlenA(runState.extractDir);
    if (length > kMaxExtractDirLength) return false;
    memcpy(target, runState.extractDir, length + 1);
    if (length == 0 || target[length - 1] != '\\') {
        target[length] = '\\';
        target[length + 1] = 0;
    }
    return true;
}

}  // namespace

ByteSource SelfFileSource() {
    return kSelfSource;
}

int ReadPackageSettings() {
    DWORD length = GetModuleFileNameA(runState.instance, runState.selfPath,
                                      MAX_PATH);
    if (length == 0 || length == MAX_PATH) return 0;
    runState.selfFile = CreateFileA(runState.selfPath, GENERIC_READ,
                                    FILE_SHARE_READ, 0, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, 0);
    if (runState.selfFile == INVALID_HANDLE_VALUE) return 0;

    // An installing run measures the package for the disk space check.
    uint8_t* window = (uint8_t*)AllocBytes(kSettingsWindowSize);
    int ok = ReadPayloadSettings(&kSelfSource, window, &packageSettings,
                                 runState.extractDir ? 0 : &runState.packageSize);
    FreeBytes(window);
    return ok && ChooseTargetDir();
}
