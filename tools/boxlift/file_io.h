// Files read piece by piece and written all or nothing, on POSIX
// descriptors so that every failure can say what the system reported.
#pragma once

#include <cstdint>
#include <filesystem>

#include "payload_writer.h"

namespace boxlift {

// Owns one descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    // Returns close's result: a delayed write error can show up here.
    int Close();

private:
    int fd_;
};

// A file read from the start, in pieces.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);

    std::uint64_t Size() const { return size_; }  // when opened
    // Fills buffer as far as the file goes; returns the bytes read, fewer
    // than asked only at the end of the file.
    std::size_t Read(std::span<std::uint8_t> buffer);

private:
    std::filesystem::path path_;
    Descriptor fd_;
    std::uint64_t size_ = 0;
};

// A new file beside the target, written in order and renamed onto it by
// Commit; removed again when destroyed uncommitted.
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
    Descriptor fd_;
    bool committed_ = false;
};

}  // namespace boxlift
