// InputFile and TempFile on Windows handles, for boxlift.exe.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "base/error.h"
#include "platform/codepage.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

HANDLE Handle(const Descriptor& file) { return reinterpret_cast<HANDLE>(file.get()); }
NativeFile Native(HANDLE handle) { return reinterpret_cast<NativeFile>(handle); }

// The system's text for an error code, without the closing ".\r\n".
std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message(text, text + length);
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' ||
                                message.back() == u' ' || message.back() == u'.'))
        message.pop_back();
    if (message.empty()) return "system error " + std::to_string(code);
    return FromUtf16(message);
}

}  // namespace

void FailWithSystemError(const fs::path& path, const char* what) {
    DWORD code = GetLastError();
    throw Error(std::string(what) + ": " + SystemMessage(code)).InFile(path.string());
}

bool Descriptor::Close() {
    bool closed = file_ == kNoFile || CloseHandle(Handle(*this));
    file_ = kNoFile;
    return closed;
}

InputFile::InputFile(const fs::path& path) : path_(path) {
    file_.Reset(Native(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
    if (file_.get() == kNoFile) FailWithSystemError(path, "cannot open");
    if (GetFileType(Handle(file_)) != FILE_TYPE_DISK)
        throw Error(kNotRegularFile).InFile(path.string());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Handle(file_), &size)) FailWithSystemError(path, "cannot read");
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t InputFile::Read(std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1u << 30));
        DWORD count = 0;
        if (!ReadFile(Handle(file_), buffer.data() + done, want, &count, nullptr))
            FailWithSystemError(path_, "cannot read");
        if (count == 0) break;
        done += count;
    }
    return done;
}

// Reads at offset and puts the file pointer back, so that Read goes on
// where it was.
std::size_t InputFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    LARGE_INTEGER zero{}, at{}, position{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(Handle(file_), zero, &position, FILE_CURRENT) ||
        !SetFilePointerEx(Handle(file_), at, nullptr, FILE_BEGIN))
        FailWithSystemError(path_, "cannot read");
    const std::size_t done = Read(buffer);
    if (!SetFilePointerEx(Handle(file_), position, nullptr, FILE_BEGIN))
        FailWithSystemError(path_, "cannot read");
    return done;
}

TempFile::~TempFile() {
    if (committed_) return;
    file_.Close();
    DeleteFileW(path_.c_str());
}

void TempFile::Create() {
    constexpr int kAttempts = 16;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path_ = TempPathBeside(target_);
        // Shared for deletion, so that the interruption handler can remove it.
        HANDLE handle = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            file_.Reset(Native(handle));
            removedOnInterrupt_.Hold(path_);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    FailWithSystemError(target_, "cannot create a temporary file beside it");
}

void TempFile::Write(ByteView data) {
    while (!data.empty()) {
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(Handle(file_), data.data(), want, &written, nullptr) || written == 0)
            FailWithSystemError(target_, "cannot write");
        data = data.subspan(written);
    }
}

// Writes at offset and puts the file pointer back, so that Write goes on
// where it was.
void TempFile::WriteAt(std::uint64_t offset, ByteView data) {
    LARGE_INTEGER zero{}, at{}, end{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(Handle(file_), zero, &end, FILE_CURRENT) ||
        !SetFilePointerEx(Handle(file_), at, nullptr, FILE_BEGIN))
        FailWithSystemError(target_, "cannot write");
    Write(data);
    if (!SetFilePointerEx(Handle(file_), end, nullptr, FILE_BEGIN))
        FailWithSystemError(target_, "cannot write");
}

void TempFile::Commit() {
    if (!FlushFileBuffers(Handle(file_)) || !file_.Close())
        FailWithSystemError(target_, "cannot write");
    if (!MoveFileExW(path_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        FailWithSystemError(target_, "cannot replace");
    removedOnInterrupt_.Release();
    committed_ = true;
}

}  // namespace boxlift
