// Texts into code pages, with an error that names the character the code
// page lacks; the conversions themselves are the platform's.
#include "platform/codepage.h"

#include <algorithm>
#include <cstdio>

#include "base/error.h"

namespace boxlift {
namespace {

// "character U+00E9 'é'", or the bad byte when the text is not UTF-8 there.
std::string DescribeCharacter(std::string_view text, std::size_t at) {
    char hex[16];
    unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = Utf8SequenceLength(lead);
    bool valid = length != 0 && at + length <= text.size();
    for (std::size_t i = 1; valid && i < length; ++i)
        valid = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
    if (!valid) {
        std::snprintf(hex, sizeof hex, "0x%02X", lead);
        return std::string("byte ") + hex + ", which is not UTF-8";
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
    return std::string("character ") + hex + " '" + std::string(text.substr(at, length)) + "'";
}

// A C1 control or a private-use character: what the system's tables give
// for a byte the code page leaves undefined or to its users.
bool IsUndefinedStandIn(char32_t code) {
    return (code >= 0x80 && code <= 0x9F) || (code >= 0xE000 && code <= 0xF8FF);
}

// The code points of valid UTF-8.
std::u32string CodePoints(std::string_view utf8) {
    std::u32string codes;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        const std::size_t length = std::max<std::size_t>(Utf8SequenceLength(lead), 1);
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length && at + i < utf8.size(); ++i)
            code = code << 6 | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
        codes += code;
        at += length;
    }
    return codes;
}

}  // namespace

bool IsValidInCodepage(std::string_view text, unsigned codepage) {
    const std::optional<std::string> utf8 = DecodeStrictly(text, codepage);
    return utf8 && std::ranges::none_of(CodePoints(*utf8), IsUndefinedStandIn);
}

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

void CheckCodepage(unsigned codepage) {
    CheckConvertible(codepage);
    std::string ascii, converted;
    for (int c = 1; c < 128; ++c) ascii += static_cast<char>(c);
    if (ConvertToCodepage(ascii, codepage, converted) != kConverted || converted != ascii)
        throw Error(std::to_string(codepage) +
                    " is not a code page whose first 128 characters are ASCII");
}

std::string ToCodepage(std::string_view utf8, unsigned codepage, int firstLine) {
    std::string out;
    std::size_t at = ConvertToCodepage(utf8, codepage, out);
    if (at == kConverted) return out;
    int line = firstLine + static_cast<int>(std::count(utf8.begin(), utf8.begin() + at, '\n'));
    std::string inLine =
        firstLine > 0 && line != firstLine ? " (on line " + std::to_string(line) + ")" : "";
    throw Error(DescribeCharacter(utf8, at) + inLine + " cannot be written in code page " +
                std::to_string(codepage));
}

}  // namespace boxlift
