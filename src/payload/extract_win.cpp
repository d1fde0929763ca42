#include "payload/extract_win.h"

#include <windows.h>
#include <commctrl.h>

#include "common/blake2s.h"
#include "common/files_win.h"
#include "memory_hook.h"
#include "chunk_stream.h"
#include "payload/inflate_chunk.h"
#include "payload/package_reader_win.h"
#include "payload_format.h"
#include "payload/temp_name.h"
#include "startup/run_state_win.h"
#include "ui/setup_dialog_win.h"

namespace {

// Longest targetDir that leaves room for the name and the NUL.
const DWORD kMaxTargetDirLength =
    sizeof runState.tempPackagePath - kTempNameLength - 1;

// The digest of what was written, when the context holds one.
uint32_t WritePackage(void* digest, const void* data, uint32_t size) {
    DWORD count = 0;
    WriteFile(runState.packageFile, data, size, &count, 0);
    if (digest) Blake2sAdd((Blake2s*)digest, data, count);
    return count;
}

void ShowProgress(void*, uint32_t position) {
    SendDlgItemMessageA(runState.dialogWindow.load(), IDC_PROGRESS_BAR,
                        PBM_SETPOS, position, 0);
}

int CancelConfirmed(void*) {
    return runState.cancelState.load() == kCancelConfirmed;
}

int Inflate(void*, uint8_t* out, uint32_t* outLength, const uint8_t* in,
            uint32_t inLength) {
    return InflateChunk(out, outLength, in, inLength);
}

// Creates the package file without ever replacing a file: a name that
// turns out to exist now continues the name search.
bool CreatePackageFile() {
    for (;;) {
        if (!PickTempPackageName()) return false;
        runState.packageFile =
            CreateFileA(runState.tempPackagePath, GENERIC_WRITE, 0, 0,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, 0);
        if (runState.packageFile != INVALID_HANDLE_VALUE) return true;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return false;
        uint32_t value = runState.nameSearch.lastValue;
        if (!MarkTempNameTaken(&runState.nameSearch, value)) return false;
    }
}

// Another program of the user may have changed or replaced the package
// between its close and this open: what is read through the guard must be
// exactly what was written. A guard that cannot be had (someone holds the
// file open for writing) fails like a bad read.
bool GuardPackage(Blake2s* written, uint8_t* buffer) {
    runState.packageGuard =
        CreateFileA(runState.tempPackagePath, GENERIC_READ, FILE_SHARE_READ,
                    0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (runState.packageGuard == INVALID_HANDLE_VALUE) return false;
    Blake2s read;
    Blake2sStart(&read);
    uint32_t count;
    while ((count = ReadFromFile(runState.packageGuard, buffer,
                                 kChunkBufferSize)) > 0)
        Blake2sAdd(&read, buffer, count);
    uint8_t expected[kBlake2sDigestSize], actual[kBlake2sDigestSize];
    Blake2sFinish(written, expected);
    Blake2sFinish(&read, actual);
    if (memcmp(expected, actual, sizeof actual) == 0) return true;
    CloseFileHandle(&runState.packageGuard);
    return false;
}

}  // namespace

bool PickTempPackageName() {
    DWORD dirLength = lstrlenA(runState.targetDir);
    if (dirLength > kMaxTargetDirLength) return false;
    CreateDirectoryA(runState.targetDir, 0);
    if (!runState.nameSearchStarted) {
        StartTempNameSearch(&runState.nameSearch, GetTickCount());
        runState.nameSearchStarted = 1;
    }
    char* name = runState.tempPackagePath + dirLength;
    memcpy(runState.tempPackagePath, runState.targetDir, dirLength);
    for (;;) {
        uint32_t value = NextTempNameValue(&runState.nameSearch);
        FormatTempName(value, name);
        bool taken = CanOpenForReading(runState.tempPackagePath);
        if (runState.cancelState.load() == kCancelConfirmed) return false;
        if (!taken) return true;
        if (!MarkTempNameTaken(&runState.nameSearch, value)) return false;
    }
}

bool ExtractPackage() {
    if (runState.selfFile == INVALID_HANDLE_VALUE) return false;
    if (!CreatePackageFile()) return false;

    uint8_t* chunk = (uint8_t*)AllocBytes(kChunkBufferSize);
    uint8_t* packed = (uint8_t*)AllocBytes(kPackedBufferSize);
    bool complete = false;
    // Only a package handed to the installer needs the guard: an extracted
    // one is the run's result, left to the user.
    bool installing = runState.extractDir == 0;
    Blake2s digest;
    Blake2sStart(&digest);
    if (chunk && packed) {
        ByteSource self = SelfFileSource();
        PackageSink sink = {installing ? &digest : 0, WritePackage,
                            ShowProgress, CancelConfirmed};
        ChunkInflater inflater = {0, Inflate};
        complete = CopyChunkStream(&self, &sink, &inflater, chunk, packed) ==
                   kStreamComplete;
    }
    CloseFileHandle(&runState.packageFile);
    if (complete && installing) complete = GuardPackage(&digest, chunk);
    FreeBytes(chunk);
    FreeBytes(packed);
    CloseFileHandle(&runState.selfFile);
    // An incomplete package must not be left looking like a result.
    if (!complete) runState.deleteTempPackage = 1;
    return complete;
}
