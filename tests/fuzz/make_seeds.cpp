// Writes the fuzz targets' seed inputs from the payload writer's output:
//   make_seeds LAUNCHER_IMAGE DIR
// fills DIR/<target>/ for every target, so that no seed is kept as an
// opaque file in the repository.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/error.h"
#include "package/config.h"
#include "payload/chunk_writer.h"
#include "payload/marker.h"
#include "payload/payload_file.h"
#include "platform/file_io.h"

namespace fs = std::filesystem;
using namespace boxlift;

namespace {

// The configs differ in the flags that decide which fields the block holds.
const char* const kConfigs[] = {
    "[settings]\ntitle = Plain Setup\nerrorText = Setup failed.\n"
    "diskSpaceText = Drive %ofd_drive%: needs %fd_mbytes% MB.\n",

    "; welcome as a question, progress shown\n[settings]\ntitle = Установка\n"
    "codepage = 1251\nshowWelcome = yes\nwelcomeAsDialog = no\n"
    "welcomeText = Добро пожаловать.\n  Continued on a second line.\n"
    "requiredEngineVersion = 3.1\nshowProgress = yes\ndialogHeading = Heading\n"
    "progressText = Unpacking\ncancelCaption = Cancel\ncancelQuestion = Cancel?\n",

    "[settings]\ntitle = Full Setup\nerrorText = Error\nshowWelcome = true\n"
    "welcomeAsDialog = 1\nexitCaption = E&xit\ncontinueCaption = &Continue\n"
    "welcomeText = Welcome\nengineMissingText = Get the engine?\n"
    "engineDownloadTarget = https://example.com/engine\n"
    "diskSpaceText = %ofd_drive%%fd_mbytes%%\nshowProgress = yes\n"
    "dialogHeading = Installing\nprogressText = Wait\ncancelCaption = Stop\n"
    "cancelQuestion = Really?\n\n[version]\nLegalCopyright = © 2026 Example\n"
    "FileVersion = 2.5.1.17\n",
};

const char* const kCommandLines[] = {
    "setup.exe",
    "setup.exe /q",
    "\"C:\\Program Files\\setup.exe\" -Q",
    "setup.exe /e",
    "setup.exe   /e   D:\\Out dir",
    "\"C:\\a b\\setup.exe\"/eD:\\Out",
    "setup.exe /extract",
    "setup.exe /x",
    "\"setup.exe /q",
    "set\xE9up.exe \xA0/q",
};

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Package content: a compound file's signature, then text that compresses
// well, then bytes that do not (so that records of both kinds are written).
Bytes Package(std::size_t textBytes, std::size_t noiseBytes) {
    Bytes package = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (std::size_t i = 0; i < textBytes; ++i) package.push_back("package text "[i % 13]);
    std::uint32_t state = 2463534242u;
    for (std::size_t i = 0; i < noiseBytes; ++i) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        package.push_back(static_cast<std::uint8_t>(state));
    }
    return package;
}

class Seeds {
public:
    explicit Seeds(fs::path dir) : dir_(std::move(dir)) {}
    void Add(const std::string& target, ByteView bytes) {
        fs::create_directories(dir_ / target);
        WriteFileBytes(dir_ / target / std::to_string(count_++), bytes);
    }

private:
    fs::path dir_;
    int count_ = 0;
};

// The message harness's input: drive, spaceRequired, code, the clock's
// fields, then caption NUL template.
Bytes MessageInput(char drive, std::uint64_t spaceRequired, const std::string& caption,
                   const std::string& messageTemplate) {
    Bytes input(1 + 8 + 4);
    input[0] = static_cast<std::uint8_t>(drive);
    std::memcpy(&input[1], &spaceRequired, 8);
    const std::int32_t code = 6;
    std::memcpy(&input[9], &code, 4);
    for (std::uint16_t field : {2026, 2, 3, 9, 5})
        input.insert(input.end(),
                     {static_cast<std::uint8_t>(field), static_cast<std::uint8_t>(field >> 8)});
    Bytes text = Text(caption + '\0' + messageTemplate);
    input.insert(input.end(), text.begin(), text.end());
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_seeds LAUNCHER_IMAGE DIR\n";
        return 2;
    }
    try {
        const Bytes launcher = ReadFileBytes(argv[1]);
        // A small stand-in image holding the key once, so that the file-level
        // reader's seeds are mostly payload.
        const Bytes smallImage = Text(std::string("MZ image with its key ") + kMarker + '\0');
        const Bytes packages[] = {Package(0, 0), Package(300, 0), Package(0, 700),
                                  Package(kPieceSize, 200)};
        Seeds seeds(argv[2]);
        for (const char* line : kCommandLines) seeds.Add("command_line", Text(line));
        for (const char* config : kConfigs) {
            const Settings settings = ParseConfig(config, "seed.ini");
            seeds.Add("config", Text(config));
            seeds.Add("messages",
                      MessageInput('C', 5000000, settings.title, settings.diskSpaceText));
            for (std::size_t i = 0; i < 3; ++i) {
                seeds.Add("settings_reader", BuildPayloadFile(smallImage, settings, packages[i]));
                seeds.Add("setup_exe", BuildPayloadFile(launcher, settings, packages[i]));
            }
        }
        seeds.Add("settings_reader",
                  BuildPayloadFile(launcher, ParseConfig(kConfigs[2], "seed.ini"), packages[1]));
        for (const Bytes& package : packages) {
            seeds.Add("chunk_stream", EncodeChunkStream(package));
            seeds.Add("chunk_stream", package);
        }
    } catch (const Error& e) {
        std::cerr << "make_seeds: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
