#include "payload/package_reader_win.h"

#include <windows.h>

#include "common/files_win.h"
#include "common/memory.h"
#include "payload/chunk_stream.h"
#include "payload/payload_format.h"
#include "payload/settings_block.h"
#include "startup/run_state_win.h"

namespace {

// Longest extractDir that still fits targetDir with a backslash and the NUL.
const DWORD kMaxExtractDirLength = MAX_PATH - 2;

bool SeekSelf(DWORD offset) {
    return SetFilePointer(runState.selfFile, (LONG)offset, 0, FILE_BEGIN) !=
           INVALID_SET_FILE_POINTER;
}

uint32_t ReadSelf(void*, void* buffer, uint32_t size) {
    return ReadFromFile(runState.selfFile, buffer, size);
}

int SkipSelf(void*, uint32_t size) {
    return SkipInFile(runState.selfFile, size);
}

// The package's size once extracted, from the record headers, for the disk
// space check; 0 when the stream is malformed (the extraction then fails
// and says so). The caller puts the file pointer back.
ULONGLONG MeasurePackage() {
    ByteSource self = SelfFileSource();
    StreamMeasure measure;
    if (MeasureChunkStream(&self, &measure) != kStreamComplete) return 0;
    return measure.packageSize;
}

// Finds the marker and reads the settings block into packageSettings,
// leaving the file pointer on the chunk stream. An installing run also
// measures the package on the way.
bool ReadSettingsWindow(uint8_t* window) {
    DWORD count = window ? ReadSelf(0, window, kSettingsWindowSize) : 0;
    int32_t marker = FindPayloadMarker(window, count);
    if (marker < 0) return false;
    DWORD blockStart = (DWORD)marker + kPayloadMarkerLength;
    if (!SeekSelf(blockStart)) return false;
    memset(window, 0, kSettingsWindowSize);
    if (ReadSelf(0, window, kSettingsWindowSize) < 2) return false;
    uint32_t blockLength;
    if (!ParseSettingsBlock(window, kSettingsWindowSize, &packageSettings,
                            &blockLength))
        return false;
    DWORD streamStart = blockStart + blockLength;
    if (!runState.extractDir) {
        if (!SeekSelf(streamStart)) return false;
        runState.packageSize = MeasurePackage();
    }
    return SeekSelf(streamStart);
}

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
    ByteSource source = {0, ReadSelf, SkipSelf};
    return source;
}

int ReadPackageSettings() {
    DWORD length = GetModuleFileNameA(runState.instance, runState.selfPath,
                                      MAX_PATH);
    if (length == 0 || length == MAX_PATH) return 0;
    runState.selfFile = CreateFileA(runState.selfPath, GENERIC_READ,
                                    FILE_SHARE_READ, 0, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, 0);
    if (runState.selfFile == INVALID_HANDLE_VALUE) return 0;

    uint8_t* window = (uint8_t*)AllocBytes(kSettingsWindowSize);
    bool ok = ReadSettingsWindow(window);
    FreeBytes(window);
    return ok && ChooseTargetDir();
}
