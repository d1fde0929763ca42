// Files read piece by piece and written all or nothing, on the system's
// own file handles (POSIX descriptors, or Windows handles in boxlift.exe)
// so that every failure can say what the system reported.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "base/bytes.h"
#include "base/random_access.h"
#include "platform/interrupt_cleanup.h"

namespace boxlift {

// A POSIX descriptor or a Windows HANDLE; -1 is neither's valid value.
using NativeFile = std::intptr_t;
inline constexpr NativeFile kNoFile = -1;

// Owns one open file.
class Descriptor {
public:
    explicit Descriptor(NativeFile file = kNoFile) : file_(file) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    NativeFile get() const { return file_; }
    void Reset(NativeFile file) {
        Close();
        file_ = file;
    }
    // False when closing failed: a delayed write error can show up here.
    bool Close();

private:
    NativeFile file_;
};

// An Error about path, "WHAT: the system's reason", for the last failed
// system call.
[[noreturn]] void FailWithSystemError(const std::filesystem::path& path, const char* what);

// A new name beside target for its temporary file: ".NAME.XXXXXXXX.tmp",
// with eight random hexadecimal digits.
std::filesystem::path TempPathBeside(const std::filesystem::path& target);

// What an input or output that is a device, a pipe or a directory is told.
inline constexpr const char* kNotRegularFile = "is not a regular file";

// A file read from the start in pieces, or at any offset; only a regular
// file opens.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);

    std::uint64_t Size() const { return size_; }  // when opened
    // Fills buffer as far as the file goes; returns the bytes read, fewer
    // than asked only at the end of the file.
    std::size_t Read(std::span<std::uint8_t> buffer);
    // Fills buffer from offset as far as the file goes, without moving the
    // position Read goes on from; fewer bytes only at the end of the file.
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);
    // The file read through ReadAt; it must outlive what is returned.
    RandomAccess Access() {
        return {size_, [this](std::uint64_t offset, std::span<std::uint8_t> buffer) {
                    return ReadAt(offset, buffer);
                }};
    }

private:
    std::filesystem::path path_;
    Descriptor file_;
    std::uint64_t size_ = 0;
};

// A new file beside the target, written in order and renamed onto it by
// Commit; removed again when destroyed uncommitted, or when the tool is
// interrupted before either (interrupt_cleanup.h). A target that exists
// and is not a regular file (a device such as /dev/null) is refused, not
// replaced.
class TempFile {
public:
    explicit TempFile(const std::filesystem::path& target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void Write(ByteView data);
    // Overwrites bytes already written, at offset.
    void WriteAt(std::uint64_t offset, ByteView data);
    void Commit();

private:
    void Create();

    std::filesystem::path target_;
    std::filesystem::path path_;
    Descriptor file_;
    RemovedOnInterrupt removedOnInterrupt_;  // from Create until renamed or removed
    bool committed_ = false;
};

// A file in the system's temporary folder, for a library that reads files
// by name: fill writes it through the TempFile it is given, piece by piece,
// and it is removed again when this goes. It appears under its name only
// once complete.
class ScratchFile {
public:
    ScratchFile(std::string_view name, const std::function<void(TempFile&)>& fill);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Whole-file helpers used by the tool and the tests. Errors name the file.
// WriteFileBytes goes through a temporary file beside path, renamed into
// place once complete, so path is either replaced whole or left untouched.
Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, ByteView data);

}  // namespace boxlift
