// Whole-file helpers over the platform's InputFile and TempFile
// (file_io_posix.cpp, file_io_win.cpp).
#include "platform/file_io.h"

#include <array>
#include <cstdio>
#include <random>
#include <system_error>

#include "base/error.h"

namespace boxlift {

namespace {

unsigned RandomValue() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<unsigned>(generator());
}

}  // namespace

std::filesystem::path TempPathBeside(const std::filesystem::path& target) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", RandomValue());
    std::string name = ".";  // built in steps: GCC 12 warns wrongly about "." + name
    name += target.filename().string();
    name += suffix;
    return target.parent_path() / name;
}

TempFile::TempFile(const std::filesystem::path& target) : target_(target) {
    // Renaming onto a device node would replace it with a regular file.
    std::error_code ignored;
    const auto status = std::filesystem::status(target, ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw Error(kNotRegularFile).InFile(target.string());
    Create();
}

ScratchFile::ScratchFile(std::string_view name, const std::function<void(TempFile&)>& fill) {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "boxlift-%08x-", RandomValue());
    path_ = std::filesystem::temp_directory_path() / (prefix + std::string(name));
    TempFile temp(path_);
    fill(temp);
    temp.Commit();
}

ScratchFile::~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
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
