// Code page conversions with the system's own functions, for boxlift.exe.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/codepage.h"
#include "base/error.h"

namespace boxlift {
namespace {

std::wstring Wide(std::string_view text, unsigned codepage, DWORD flags) {
    if (text.empty()) return {};
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(codepage, flags, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    if (length <= 0 || !MultiByteToWideChar(codepage, flags, text.data(), size, out.data(), length))
        throw Error("text is not valid in code page " + std::to_string(codepage));
    return out;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    int size = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, nullptr, 0,
                                     nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    if (length <= 0 || !WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size,
                                            out.data(), length, nullptr, nullptr))
        throw Error("text is not valid UTF-16");
    return out;
}

// One character, UTF-16, into the code page; false when the code page
// lacks it (no best-fit stand-in such as 'a' for 'ä' is accepted).
bool AppendInCodepage(std::wstring_view character, unsigned codepage, std::string& out) {
    char bytes[8];
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(codepage, WC_NO_BEST_FIT_CHARS, character.data(),
                                     static_cast<int>(character.size()), bytes, sizeof bytes,
                                     nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    out.append(bytes, static_cast<std::size_t>(length));
    return true;
}

}  // namespace

// The code pages the launcher's ANSI texts can be in: single- and
// double-byte ones the system knows.
void CheckConvertible(unsigned codepage) {
    CPINFO info{};
    if (codepage == CP_UTF7 || codepage == CP_UTF8 || !IsValidCodePage(codepage) ||
        !GetCPInfo(codepage, &info) || info.MaxCharSize > 2)
        throw Error(std::to_string(codepage) + " is not a code page this system can convert to");
}

std::size_t ConvertToCodepage(std::string_view utf8, unsigned codepage, std::string& out) {
    CheckConvertible(codepage);
    out.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8[at]));
        if (length == 0 || at + length > utf8.size()) return at;
        wchar_t character[2];
        int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + at,
                                        static_cast<int>(length), character, 2);
        if (units <= 0 ||
            !AppendInCodepage({character, static_cast<std::size_t>(units)}, codepage, out))
            return at;
        at += length;
    }
    return kConverted;
}

std::u16string ToUtf16(std::string_view utf8) {
    std::wstring wide = Wide(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
    return {wide.begin(), wide.end()};
}

std::string FromUtf16(std::u16string_view utf16) {
    return Utf8(std::wstring(utf16.begin(), utf16.end()));
}

std::string FromCodepage(std::string_view text, unsigned codepage) {
    return Utf8(Wide(text, codepage, 0));
}

std::optional<std::string> DecodeStrictly(std::string_view text, unsigned codepage) {
    if (!IsValidCodePage(codepage)) return std::nullopt;
    try {
        return Utf8(Wide(text, codepage, MB_ERR_INVALID_CHARS));
    } catch (const Error&) {
        return std::nullopt;
    }
}

}  // namespace boxlift
