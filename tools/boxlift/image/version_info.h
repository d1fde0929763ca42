// The version-information resource (VS_VERSIONINFO): its fixed versions and
// its string table, read from an image and written for a package.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"

namespace boxlift {

using FourPartVersion = std::array<std::uint16_t, 4>;

struct VersionInfo {
    FourPartVersion fileVersion{};
    FourPartVersion productVersion{};
    std::string stringTable = "000004b0";                      // language and code page, in hex
    std::vector<std::pair<std::string, std::string>> strings;  // UTF-8, in order
    std::uint16_t language = 0;                                // the translation: language neutral
    std::uint16_t codepage = 0x04B0;                           // and Unicode
};

// Throws Error for a block that is not a well-formed VS_VERSIONINFO.
VersionInfo ParseVersionInfo(ByteView block);
Bytes BuildVersionInfo(const VersionInfo& info);

// "1.2.3" -> {1, 2, 3, 0}; parts above 65535 or not numbers throw Error.
FourPartVersion ParseFourPartVersion(const std::string& text);
std::string FormatVersion(const FourPartVersion& version);

}  // namespace boxlift
