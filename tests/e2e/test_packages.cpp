#include "test_packages.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <stdexcept>

#include "wine_harness.h"

namespace boxlift::e2e {

namespace {

const char* const kWords[] = {
    "the",      "installer", "package",  "writes", "files",   "into",
    "program",  "folder",    "and",      "each",   "feature", "component",
    "registry", "value",     "shortcut", "of",     "a",       "product",
    "version",  "upgrade",   "CmSSFX2",  "table",  "stream",  "cabinet",
    "is",       "kept",      "with",     "its",    "own",     "checksum"};

void AppendText(Bytes& out, std::size_t count, std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
    std::size_t end = out.size() + count;
    std::size_t column = 0;
    while (out.size() < end) {
        std::string_view word = kWords[pick(random)];
        for (char c : word)
            if (out.size() < end) out.push_back((std::uint8_t)c);
        column += word.size() + 1;
        if (out.size() < end) out.push_back(column > 70 ? '\n' : ' ');
        if (column > 70) column = 0;
    }
}

void AppendRandom(Bytes& out, std::size_t count, std::mt19937& random) {
    for (std::size_t i = 0; i < count; ++i) out.push_back((std::uint8_t)random());
}

std::uint32_t ReadU32(ByteView data, std::size_t& at) {
    if (at + 4 > data.size()) throw std::runtime_error("stream ends in a field");
    std::uint32_t value = (std::uint32_t)data[at] | (std::uint32_t)data[at + 1] << 8 |
                          (std::uint32_t)data[at + 2] << 16 |
                          (std::uint32_t)data[at + 3] << 24;
    at += 4;
    return value;
}

}  // namespace

Bytes MixedPackage(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> textRun(20000, 150000);
    std::uniform_int_distribution<std::size_t> randomRun(5000, 90000);
    Bytes out;
    out.reserve(size);
    bool text = true;
    while (out.size() < size) {
        std::size_t run = std::min(size - out.size(),
                                   text ? textRun(random) : randomRun(random));
        if (text)
            AppendText(out, run, random);
        else
            AppendRandom(out, run, random);
        text = !text;
    }
    return out;
}

Bytes TextBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    out.reserve(size);
    AppendText(out, size, random);
    return out;
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    out.reserve(size);
    AppendRandom(out, size, random);
    return out;
}

Settings MinimalSettings() {
    Settings s;
    s.title = "Minimal";
    s.errorText = "Setup failed.";
    s.welcomeText = "";
    s.requiredEngineVersion = EncodeEngineVersion("2.0");
    s.engineMissingText = "";
    s.engineDownloadTarget = "";
    s.diskSpaceText = "";
    return s;
}

Settings FullSettings() {
    Settings s;
    s.title = "Boxlift End-to-End Test Product";
    s.errorText = "The installation could not be completed.";
    s.showWelcome = true;
    s.welcomeAsDialog = true;
    s.exitCaption = "E&xit";
    s.continueCaption = "&Continue";
    std::string welcome;
    while (welcome.size() < 12000)
        welcome += "This program installs the test product on your computer.\r\n";
    s.welcomeText = welcome;
    s.requiredEngineVersion = EncodeEngineVersion("2.0");
    s.engineMissingText =
        "Windows Installer 2.0 or later is needed. Open the download page?";
    s.engineDownloadTarget = "https://example.invalid/windows-installer";
    s.diskSpaceText =
        "Drive %ofd_drive% needs %fd_mbytes% MB more free space.";
    s.showProgress = true;
    s.dialogHeading = "Preparing the installation";
    s.progressText = "Please wait while the package is unpacked.";
    s.cancelCaption = "Cancel";
    s.cancelQuestion = "Do you want to cancel the installation?";
    return s;
}

Bytes AssemblePayload(const Settings& settings, ByteView chunkStream) {
    Bytes out = ReadFileBytes(LauncherPath());
    out.insert(out.end(), kMarker, kMarker + kMarkerLength);
    Bytes block = EncodeSettingsBlock(settings);
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), chunkStream.begin(), chunkStream.end());
    return out;
}

Bytes ZlibStream(ByteView data, int level) {
    uLongf size = compressBound((uLong)data.size());
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), (uLong)data.size(), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

RecordCounts CountRecords(ByteView stream) {
    RecordCounts counts;
    std::size_t at = 0;
    ReadU32(stream, at);  // chunkCount
    for (;;) {
        if (at >= stream.size()) throw std::runtime_error("no end record");
        std::uint8_t type = stream[at++];
        if (type == 0) break;
        if (type == 1) {
            at += ReadU32(stream, at);
            ++counts.stored;
        } else if (type == 2) {
            ReadU32(stream, at);
            at += ReadU32(stream, at);
            ++counts.compressed;
        } else {
            throw std::runtime_error("unknown record type");
        }
    }
    return counts;
}

bool IsTempPackageName(std::string_view name) {
    auto lowerHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    };
    if (name.size() != 12 || name.substr(0, 2) != "qz" || name.substr(8) != ".msi")
        return false;
    std::string_view pair = name.substr(2, 2);
    if (!lowerHex(pair[0]) || !lowerHex(pair[1]) || pair == "ff") return false;
    return name.substr(4, 2) == pair && name.substr(6, 2) == pair;
}

void WriteTestFile(const std::filesystem::path& path, ByteView data) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data.data()), (std::streamsize)data.size());
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> ListDir(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace boxlift::e2e
