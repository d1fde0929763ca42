// InputFile and TempFile on POSIX descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/error.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

int Fd(const Descriptor& file) { return static_cast<int>(file.get()); }

}  // namespace

void FailWithSystemError(const fs::path& path, const char* what) {
    throw Error(std::string(what) + ": " + std::strerror(errno)).InFile(path.string());
}

bool Descriptor::Close() {
    bool closed = file_ < 0 || ::close(static_cast<int>(file_)) == 0;
    file_ = kNoFile;
    return closed;
}

InputFile::InputFile(const fs::path& path) : path_(path) {
    // Opened without waiting, so that a FIFO is refused instead of hanging.
    file_.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file_.get() < 0) FailWithSystemError(path, "cannot open");
    struct stat status {};
    if (::fstat(Fd(file_), &status) != 0) FailWithSystemError(path, "cannot read");
    if (!S_ISREG(status.st_mode)) throw Error(kNotRegularFile).InFile(path.string());
    ::fcntl(Fd(file_), F_SETFL, ::fcntl(Fd(file_), F_GETFL) & ~O_NONBLOCK);
    size_ = static_cast<std::uint64_t>(status.st_size);
}

std::size_t InputFile::Read(std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        ssize_t count = ::read(Fd(file_), buffer.data() + done, buffer.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) FailWithSystemError(path_, "cannot read");
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
    }
    return done;
}

std::size_t InputFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        ssize_t count = ::pread(Fd(file_), buffer.data() + done, buffer.size() - done,
                                static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) FailWithSystemError(path_, "cannot read");
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
    }
    return done;
}

TempFile::~TempFile() {
    if (committed_) return;
    file_.Close();
    ::unlink(path_.c_str());
}

void TempFile::Create() {
    constexpr int kAttempts = 16;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path_ = TempPathBeside(target_);
        int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file_.Reset(fd);
            removedOnInterrupt_.Hold(path_);
            return;
        }
        if (errno != EEXIST) break;
    }
    FailWithSystemError(target_, "cannot create a temporary file beside it");
}

void TempFile::Write(ByteView data) {
    while (!data.empty()) {
        ssize_t written = ::write(Fd(file_), data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) FailWithSystemError(target_, "cannot write");
        data = data.subspan(static_cast<std::size_t>(written));
    }
}

void TempFile::WriteAt(std::uint64_t offset, ByteView data) {
    while (!data.empty()) {
        ssize_t written = ::pwrite(Fd(file_), data.data(), data.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) FailWithSystemError(target_, "cannot write");
        data = data.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
}

void TempFile::Commit() {
    if (::fsync(Fd(file_)) != 0 || !file_.Close()) FailWithSystemError(target_, "cannot write");
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        FailWithSystemError(target_, "cannot replace");
    removedOnInterrupt_.Release();
    committed_ = true;
}

}  // namespace boxlift
