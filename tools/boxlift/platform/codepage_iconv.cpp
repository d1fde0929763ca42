// Code page conversions with iconv.
#include <iconv.h>

#include <cerrno>
#include <memory>
#include <optional>

#include "platform/codepage.h"
#include "base/error.h"

namespace boxlift {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

std::string IconvName(unsigned codepage) { return "CP" + std::to_string(codepage); }

Converter OpenConverter(unsigned codepage) {
    iconv_t cd = iconv_open(IconvName(codepage).c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw Error(std::to_string(codepage) + " is not a code page this system can convert to");
    return Converter(cd);
}

// All of in converted with iconv from `from` to `to`; nothing when in is
// not valid in `from`. Throws Error when iconv lacks the conversion.
std::optional<std::string> TryConvert(const char* from, const char* to, std::string_view in) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) throw Error(std::string("iconv: no ") + to);
    Converter cd(raw);
    std::string out(in.size() * 4 + 8, '\0');
    char* input = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* next = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd.get(), &input, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;  // also a sequence cut off at the end
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}

// As TryConvert; throws Error when in is not valid in `from`.
std::string Convert(const char* from, const char* to, std::string_view in) {
    std::optional<std::string> out = TryConvert(from, to, in);
    if (!out) throw Error(std::string("text is not valid ") + from);
    return *std::move(out);
}

}  // namespace

void CheckConvertible(unsigned codepage) { OpenConverter(codepage); }

std::size_t ConvertToCodepage(std::string_view utf8, unsigned codepage, std::string& out) {
    Converter cd = OpenConverter(codepage);
    out.assign(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* next = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd.get(), &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1))
            continue;
        if (errno != E2BIG) return static_cast<std::size_t>(in - utf8.data());
        // not for these code pages, but keep going if so
        std::size_t used = static_cast<std::size_t>(next - out.data());
        out.resize(out.size() * 2);
        next = out.data() + used;
        outLeft = out.size() - used;
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return kConverted;
}

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

std::string FromCodepage(std::string_view text, unsigned codepage) {
    return Convert(IconvName(codepage).c_str(), "UTF-8", text);
}

std::optional<std::string> DecodeStrictly(std::string_view text, unsigned codepage) {
    try {
        return TryConvert(IconvName(codepage).c_str(), "UTF-8", text);
    } catch (const Error&) {
        return std::nullopt;  // iconv lacks the code page
    }
}

}  // namespace boxlift
