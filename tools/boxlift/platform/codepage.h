// The launcher shows 8-bit ANSI texts; the config and the package's
// properties are UTF-8. Texts are converted with iconv, or with the
// system's own conversions in boxlift.exe (codepage_iconv.cpp,
// codepage_win.cpp), and a character the code page cannot hold is an
// error, never a silent '?'.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace boxlift {

inline constexpr unsigned kDefaultCodepage = 1252;

// Throws Error unless this system can convert UTF-8 into Windows code page
// `codepage` (e.g. 1252, 1251, 932) and its first 128 characters are ASCII,
// as the launcher's own texts and every file name assume (not so EBCDIC's
// 500 or 037).
void CheckCodepage(unsigned codepage);

// The text in the code page. Throws Error for text that is not UTF-8 or
// holds a character the code page lacks, naming the character and, for a
// text of several lines, the line within it counted from firstLine; the
// caller adds where the text comes from (e.g. demo.ini, line 7, title).
std::string ToCodepage(std::string_view utf8, unsigned codepage, int firstLine = 0);

}  // namespace boxlift

namespace boxlift {

// UTF-8 <-> UTF-16LE, for the PE resources' texts. Throw Error on bad input.
std::u16string ToUtf16(std::string_view utf8);
std::string FromUtf16(std::u16string_view utf16);

}  // namespace boxlift

namespace boxlift {

// Text in Windows code page `codepage` as UTF-8, for display.
std::string FromCodepage(std::string_view text, unsigned codepage);

// True when every byte or byte pair of text is a character code page
// `codepage` defines (0x81 is none in 1252, nor a lead byte left without
// its trail byte in 932); false too for a code page this system lacks.
// What the system's tables give as a C1 control (an undefined byte) or a
// private-use character (a user-defined one) counts as undefined, so that
// iconv and Windows agree.
bool IsValidInCodepage(std::string_view text, unsigned codepage);

}  // namespace boxlift

namespace boxlift {

// The platform's side of CheckCodepage: throws Error unless this system can
// convert UTF-8 into the code page.
void CheckConvertible(unsigned codepage);

// The platform's side of ToCodepage: the text converted into out, or the
// offset of the first character that is not UTF-8 or that the code page
// lacks. Throws as CheckConvertible does for a code page it cannot convert to.
inline constexpr std::size_t kConverted = std::string_view::npos;
std::size_t ConvertToCodepage(std::string_view utf8, unsigned codepage, std::string& out);

// The platform's side of IsValidInCodepage: text as UTF-8, or nothing when
// a byte sequence is invalid in the code page or the system lacks it.
std::optional<std::string> DecodeStrictly(std::string_view text, unsigned codepage);

// Length of the UTF-8 sequence that starts with lead, or 0 when lead does
// not start one.
std::size_t Utf8SequenceLength(unsigned char lead);

}  // namespace boxlift
