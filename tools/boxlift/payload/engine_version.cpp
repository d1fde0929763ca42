// requiredEngineVersion: "MAJOR.MINOR" in decimal, stored as the two bytes
// major + 1 and minor + 1 (a zero byte would end the text early).
#include <algorithm>
#include <charconv>
#include <string_view>

#include "base/error.h"
#include "payload/engine_version.h"

namespace boxlift {
namespace {

// The launcher compares each stored byte as a signed char: a byte of 0x80
// or more reads as negative and no engine could ever meet it.
constexpr unsigned kHighestPart = 126;

bool IsDecimal(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

[[noreturn]] void RefuseMalformed(const std::string& version) {
    throw Error("\"" + version + "\": expected MAJOR.MINOR, two decimal numbers such as \"2.0\"")
        .About("requiredEngineVersion");
}

char EncodePart(std::string_view part, const char* which, const std::string& version) {
    if (!IsDecimal(part)) RefuseMalformed(version);
    unsigned value = 0;
    auto [end, status] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (status == std::errc::result_out_of_range || value > kHighestPart)
        throw Error("\"" + version + "\": " + which + " version " + std::string(part) +
                    " is above " + std::to_string(kHighestPart) +
                    ", the highest the launcher can compare")
            .About("requiredEngineVersion");
    return static_cast<char>(value + 1);
}

}  // namespace

std::string EncodeEngineVersion(const std::string& version) {
    std::string_view text = version;
    std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) RefuseMalformed(version);
    // A second dot leaves a non-decimal minor part, refused below.
    std::string encoded;
    encoded += EncodePart(text.substr(0, dot), "major", version);
    encoded += EncodePart(text.substr(dot + 1), "minor", version);
    return encoded;
}

}  // namespace boxlift
