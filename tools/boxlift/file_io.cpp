// Whole-file reading and all-or-nothing writing, on POSIX descriptors so
// that every failure can say what the system reported.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "payload_writer.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void FailWithErrno(const fs::path& path, const char* what) {
    throw Error(path.string() + ": " + what + ": " + std::strerror(errno));
}

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
    int Close() {
        int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// A new file beside the target, removed again unless renamed onto it.
class TempFile {
public:
    explicit TempFile(const fs::path& target) : target_(target) { Create(); }
    ~TempFile() {
        if (committed_) return;
        fd_.Close();
        ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void Write(ByteView data);
    void Commit();

private:
    void Create();

    fs::path target_;
    fs::path path_;
    Descriptor fd_;
    bool committed_ = false;
};

std::string RandomSuffix() {
    static std::mt19937 generator{std::random_device{}()};
    char text[9];
    std::snprintf(text, sizeof text, "%08x",
                  static_cast<unsigned>(generator()));
    return text;
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

void TempFile::Commit() {
    if (::fsync(fd_.get()) != 0 || fd_.Close() != 0)
        FailWithErrno(target_, "cannot write");
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        FailWithErrno(target_, "cannot replace");
    committed_ = true;
}

}  // namespace

Bytes ReadFileBytes(const std::filesystem::path& path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) FailWithErrno(path, "cannot open");
    Bytes data;
    std::array<std::uint8_t, 65536> buffer;
    for (;;) {
        ssize_t count = ::read(fd.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) FailWithErrno(path, "cannot read");
        if (count == 0) return data;
        data.insert(data.end(), buffer.begin(), buffer.begin() + count);
    }
}

void WriteFileBytes(const std::filesystem::path& path, ByteView data) {
    TempFile temp(path);
    temp.Write(data);
    temp.Commit();
}

}  // namespace boxlift
