#include "codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "payload_writer.h"

namespace boxlift {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

Converter OpenConverter(unsigned codepage) {
    std::string name = "CP" + std::to_string(codepage);
    iconv_t cd = iconv_open(name.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw Error(std::to_string(codepage) + " is not a code page this system can convert to");
    return Converter(cd);
}

// Length of the UTF-8 sequence that starts with lead, or 0 when lead does
// not start one.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// "character U+00E9 'é'", or the bad byte when the text is not UTF-8 there.
std::string DescribeCharacter(std::string_view text, std::size_t at) {
    char hex[16];
    unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = SequenceLength(lead);
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

}  // namespace

void CheckCodepage(unsigned codepage) { OpenConverter(codepage); }

std::string ToCodepage(std::string_view utf8, unsigned codepage, const std::string& where,
                       int firstLine) {
    Converter cd = OpenConverter(codepage);
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* next = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd.get(), &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {  // not for these code pages, but keep going if so
            std::size_t used = static_cast<std::size_t>(next - out.data());
            out.resize(out.size() * 2);
            next = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        std::size_t at = static_cast<std::size_t>(in - utf8.data());
        int line = firstLine + static_cast<int>(std::count(utf8.begin(), utf8.begin() + at, '\n'));
        std::string inLine = firstLine > 0 && line != firstLine
                                 ? " (on line " + std::to_string(line) + ")" : "";
        throw Error(where + ": " + DescribeCharacter(utf8, at) + inLine +
                    " cannot be written in code page " + std::to_string(codepage));
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}

}  // namespace boxlift

namespace boxlift {
namespace {

// Converts all of in with iconv from `from` to `to`; throws Error on failure.
std::string Convert(const char* from, const char* to, std::string_view in) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) throw Error(std::string("iconv: no ") + to);
    Converter cd(raw);
    std::string out(in.size() * 4 + 8, '\0');
    char* input = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* next = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd.get(), &input, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1))
        throw Error(std::string("text is not valid ") + from);
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}

}  // namespace

std::u16string ToUtf16(std::string_view utf8) {
    std::string bytes = Convert("UTF-8", "UTF-16LE", utf8);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

std::string FromUtf16(std::u16string_view utf16) {
    std::string bytes;
    for (char16_t c : utf16) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return Convert("UTF-16LE", "UTF-8", bytes);
}

}  // namespace boxlift

namespace boxlift {

std::string FromCodepage(std::string_view text, unsigned codepage) {
    return Convert(("CP" + std::to_string(codepage)).c_str(), "UTF-8", text);
}

}  // namespace boxlift
