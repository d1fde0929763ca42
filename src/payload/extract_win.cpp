#include "payload/extract_win.h"

#include <windows.h>

#include "common/blake2s.h"
#include "common/files_win.h"
#include "memory_hook.h"
#include "chunk_stream.h"
#include "payload/inflate_chunk.h"
#include "payload/package_reader_win.h"
#include "payload/payload_state_win.h"
#include "payload_format.h"
#include "payload/temp_name.h"

namespace {

// Longest targetDir that leaves room for the name and the NUL.
const DWORD kMaxTargetDirLength =
    sizeof payloadState.tempPackagePath / sizeof(WCHAR) - kTempNameLength - 1;

// The digest of what was written, when the context holds one.
uint32_t WritePackage(void* digest, const void* data, uint32_t size) {
    DWORD count = 0;
    WriteFile(payloadState.packageFile, data, size, &count, 0);
    if (count < size) payloadState.writeError = GetLastError();
    if (digest) Blake2sAdd((Blake2s*)digest, data, count);
    return count;
}

int Inflate(void*, uint8_t* out, uint32_t* outLength, const uint8_t* in,
            uint32_t inLength) {
    return InflateChunk(out, outLength, in, inLength);
}

// Sets tempPackagePath to a name in targetDir that cannot be opened, going
// on with the run's name search. False after a confirmed cancel, once all
// 255 names have been seen taken, or when targetDir is too long for a name.
bool PickTempPackageName(const ExtractionHooks* hooks) {
    DWORD dirLength = lstrlenW(payloadState.targetDir);
    if (dirLength > kMaxTargetDirLength) return false;
    CreateDirectoryW(payloadState.targetDir, 0);
    if (!payloadState.nameSearchStarted) {
        StartTempNameSearch(&payloadState.nameSearch, GetTickCount());
        payloadState.nameSearchStarted = 1;
    }
    WCHAR* name = payloadState.tempPackagePath + dirLength;
    memcpy(payloadState.tempPackagePath, payloadState.targetDir,
           dirLength * sizeof(WCHAR));
    for (;;) {
        uint32_t value = NextTempNameValue(&payloadState.nameSearch);
        char ansiName[kTempNameLength + 1];
        FormatTempName(value, ansiName);
        for (uint32_t i = 0; i <= kTempNameLength; ++i) name[i] = ansiName[i];
        bool taken = CanOpenForReading(payloadState.tempPackagePath);
        if (hooks->cancelled(0)) return false;
        if (!taken) return true;
        if (!MarkTempNameTaken(&payloadState.nameSearch, value)) return false;
    }
}

// Creates the package file without ever replacing a file: a name that
// turns out to exist now continues the name search.
bool CreatePackageFile(const ExtractionHooks* hooks) {
    for (;;) {
        if (!PickTempPackageName(hooks)) return false;
        payloadState.packageFile =
            CreateFileW(payloadState.tempPackagePath, GENERIC_WRITE, 0, 0,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, 0);
        if (payloadState.packageFile != INVALID_HANDLE_VALUE) return true;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            payloadState.extractionFailure = kPackageNotWritten;
            payloadState.writeError = error;
            return false;
        }
        uint32_t value = payloadState.nameSearch.lastValue;
        if (!MarkTempNameTaken(&payloadState.nameSearch, value)) return false;
    }
}

// Another program of the user may have changed or replaced the package
// between its close and this open: what is read through the guard must be
// exactly what was written. A guard that cannot be had (someone holds the
// file open for writing) fails like a bad read.
bool GuardPackage(Blake2s* written, uint8_t* buffer) {
    payloadState.packageGuard =
        CreateFileW(payloadState.tempPackagePath, GENERIC_READ, FILE_SHARE_READ,
                    0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (payloadState.packageGuard == INVALID_HANDLE_VALUE) return false;
    Blake2s read;
    Blake2sStart(&read);
    uint32_t count;
    while ((count = ReadFromFile(payloadState.packageGuard, buffer,
                                 kChunkBufferSize)) > 0)
        Blake2sAdd(&read, buffer, count);
    uint8_t expected[kBlake2sDigestSize], actual[kBlake2sDigestSize];
    Blake2sFinish(written, expected);
    Blake2sFinish(&read, actual);
    if (memcmp(expected, actual, sizeof actual) == 0) return true;
    CloseFileHandle(&payloadState.packageGuard);
    return false;
}

}  // namespace

bool ExtractPackage(bool installing, const ExtractionHooks* hooks) {
    if (payloadState.selfFile == INVALID_HANDLE_VALUE) return false;
    if (!CreatePackageFile(hooks)) return false;

    uint8_t* chunk = (uint8_t*)AllocBytes(kChunkBufferSize);
    uint8_t* packed = (uint8_t*)AllocBytes(kPackedBufferSize);
    bool complete = false;
    // Only a package handed to the installer needs the guard: an extracted
    // one is the run's result, left to the user.
    Blake2s digest;
    Blake2sStart(&digest);
    if (chunk && packed) {
        ByteSource self = SelfFileSource();
        PackageSink sink = {installing ? &digest : 0, WritePackage,
                            hooks->progress, hooks->cancelled};
        ChunkInflater inflater = {0, Inflate};
        ChunkStreamResult result =
            CopyChunkStream(&self, &sink, &inflater, chunk, packed);
        complete = result == kStreamComplete;
        payloadState.extractionFailure =
            result == kStreamCancelled     ? kExtractionCancelled
            : result == kStreamWriteFailed ? kPackageNotWritten
                                           : kPayloadDamaged;
    }
    CloseFileHandle(&payloadState.packageFile);
    if (complete && installing) {
        complete = GuardPackage(&digest, chunk);
        payloadState.extractionFailure = kPackageChanged;
    }
    FreeBytes(chunk);
    FreeBytes(packed);
    CloseFileHandle(&payloadState.selfFile);
    // An incomplete package must not be left looking like a result.
    if (!complete) payloadState.deleteTempPackage = 1;
    return complete;
}
