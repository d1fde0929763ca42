// Reading files whole or in pieces, and all-or-nothing writing.
#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace boxlift {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void FailWithErrno(const fs::path& path, const char* what) {
    throw Error(path.string() + ": " + what + ": " + std::strerror(errno));
}

std::string RandomSuffix() {
    static std::mt19937 generator{std::random_device{}()};
    char text[9];
    std::snprintf(text, sizeof text, "%08x",
                  static_cast<unsigned>(generator()));
    return text;
}

}  // namespace

int Descriptor::Close() {
    int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return result;
}

InputFile::InputFile(const fs::path& path) : path_(path) {
    fd_.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd_.get() < 0) FailWithErrno(path, "cannot open");
    struct stat status {};
    if (::fstat(fd_.get(), &status) != 0) FailWithErrno(path, "cannot read");
    size_ = static_cast<std::uint64_t>(status.st_size);
}

std::size_t InputFile::Read(std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        ssize_t count = ::read(fd_.get(), buffer.data() + done, buffer.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) FailWithErrno(path_, "cannot read");
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
    }
    return done;
}

TempFile::TempFile(const fs::path& target) : target_(target) { Create(); }

TempFile::~TempFile() {
    if (committed_) return;
    fd_.Close();
    ::unlink(path_.c_str());
}

void TempFile::Create() {
    constexpr int kAttempts = 16;
    std::string base = "." + target_.filename().string() + ".";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path_ = target_.parent_path() / (base + RandomSuffix() + ".tmp");
        int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        0666);
        if (fd >= 0) {
            fd_.Reset(fd);
            return;
        }
        if (errno != EEXIST) break;
    }
    FailWithErrno(target_, "cannot create a temporary file beside it");
}

void TempFile::Write(ByteView data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd_.get(), data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) FailWithErrno(target_, "cannot write");
        data = data.subspan(static_cast<std::size_t>(written));
    }
}

void TempFile::WriteAt(std::uint64_t offset, ByteView data) {
    while (!data.empty()) {
        ssize_t written = ::pwrite(fd_.get(), data.data(), data.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) FailWithErrno(target_, "cannot write");
        data = data.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
}

void TempFile::Commit() {
    if (::fsync(fd_.get()) != 0 || fd_.Close() != 0)
        FailWithErrno(target_, "cannot write");
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        FailWithErrno(target_, "cannot replace");
    committed_ = true;
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
    InputFile file(path);
    Bytes data;
    std::array<std::uint8_t, 65536> buffer;
    while (std::size_t count = file.Read(buffer))
        data.insert(data.end(), buffer.begin(), buffer.begin() + count);
    return data;
}

void WriteFileBytes(const std::filesystem::path& path, ByteView data) {
    TempFile temp(path);
    temp.Write(data);
    temp.Commit();
}

}  // namespace boxlift
