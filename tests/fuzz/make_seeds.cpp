// Writes the fuzz targets' seed inputs from the payload writer's output:
//   make_seeds LAUNCHER_IMAGE DIR
// fills DIR/<target>/ for every target, so that no seed is kept as an
// opaque file in the repository.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"
#include "image/pe_image.h"
#include "image/picture.h"
#include "image/resource_tree.h"
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

// A PNG file of pixels in format, written with libpng's simplified API.
Bytes WritePng(const Picture& picture, png_uint_32 format, const Bytes& pixels,
               const Bytes& colormap = {}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = format;
    image.colormap_entries = png_uint_32(colormap.size() / 3);
    const void* map = colormap.empty() ? nullptr : colormap.data();
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, map))
        throw Error(std::string("libpng cannot write a seed: ") + image.message);
    Bytes png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, map))
        throw Error(std::string("libpng cannot write a seed: ") + image.message);
    png.resize(size);
    return png;
}

// The launcher's own banner as a BMP file, and its pixels as PNG files in
// RGBA with some transparency, in grey and with a colour map.
std::vector<Bytes> LogoSeeds(const Bytes& launcher) {
    std::vector<Bytes> seeds;
    for (const Resource& r : ReadResources(launcher, ParsePe(launcher)))
        if (r.type == ResourceId{u"LOGO", 0}) {
            uLongf length = ByteReader(r.data).U32(0);
            Bytes bmp(length);
            if (uncompress(bmp.data(), &length, r.data.data() + 4, uLong(r.data.size() - 4)) !=
                Z_OK)
                throw Error("the launcher's logo does not inflate");
            seeds.push_back(bmp);
        }
    if (seeds.empty()) throw Error("the launcher holds no logo");
    const Picture picture = ReadPicture(seeds[0], [](std::uint32_t, std::uint32_t) {});
    Bytes rgba, grey, indices, colormap;
    std::vector<Argb> colours;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const Argb pixel = picture.pixels[i];
        const auto r = std::uint8_t(pixel >> 16), g = std::uint8_t(pixel >> 8),
                   b = std::uint8_t(pixel);
        rgba.insert(rgba.end(), {r, g, b, std::uint8_t(i % 7 == 0 ? 0x80 : 0xFF)});
        grey.push_back(std::uint8_t((r + g + b) / 3));
        auto known = std::find(colours.begin(), colours.end(), pixel);
        if (known == colours.end()) {
            colours.push_back(pixel);
            colormap.insert(colormap.end(), {r, g, b});
            known = colours.end() - 1;
        }
        indices.push_back(std::uint8_t(known - colours.begin()));
    }
    seeds.push_back(WritePng(picture, PNG_FORMAT_RGBA, rgba));
    seeds.push_back(WritePng(picture, PNG_FORMAT_GRAY, grey));
    seeds.push_back(WritePng(picture, PNG_FORMAT_RGB_COLORMAP, indices, colormap));
    return seeds;
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
        for (const Bytes& picture : LogoSeeds(launcher)) seeds.Add("logo", picture);
    } catch (const Error& e) {
        std::cerr << "make_seeds: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
