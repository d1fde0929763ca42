#include "ini_stream.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "payload_writer.h"

namespace boxlift {
namespace {

std::string_view LineAt(std::string_view text, std::size_t offset) {
    std::size_t end = text.find('\n', offset);
    return text.substr(offset, end == std::string_view::npos
                                   ? std::string_view::npos
                                   : end - offset + 1);
}

bool IsBlank(char c) {
    return c != '\n' && std::isspace(static_cast<unsigned char>(c));
}

}  // namespace

char* IniLineSource::Read(char* buffer, int size, void* self) {
    if (size <= 0) return nullptr;
    return static_cast<IniLineSource*>(self)->Next(
        buffer, static_cast<std::size_t>(size));
}

char* IniLineSource::Next(char* buffer, std::size_t size) {
    if (offset_ >= text_.size() || failure_) return nullptr;
    std::string_view line = LineAt(text_, offset_);
    offset_ += line.size();
    ++line_;
    // libinih would silently split a longer line and treat the rest as a
    // line of its own; a NUL would silently cut the line short.
    if (line.size() + 1 > size) {
        failure_ = "line too long";
        return nullptr;
    }
    if (line.find('\0') != std::string_view::npos) {
        failure_ = "holds a NUL byte";
        return nullptr;
    }
    NoteLine(line);
    std::memcpy(buffer, line.data(), line.size());
    buffer[line.size()] = '\0';
    return buffer;
}

void IniLineSource::NoteLine(std::string_view line) {
    indented_ = !line.empty() && IsBlank(line.front());
    auto start = std::ranges::find_if_not(line, IsBlank);
    if (start != line.end() && *start == '[') ++sectionsSeen_;
}

std::size_t IniLineSource::LongestLine() const {
    std::size_t longest = 0;
    for (std::size_t offset = 0; offset < text_.size();) {
        std::size_t length = LineAt(text_, offset).size();
        longest = std::max(longest, length);
        offset += length;
    }
    return longest;
}

IniSwitches::IniSwitches(std::size_t maxLineLength)
    : inlineComments_(ini_allow_inline_comments),
      multiline_(ini_allow_multiline),
      stopOnFirstError_(ini_stop_on_first_error),
      useStack_(ini_use_stack),
      allowRealloc_(ini_allow_realloc),
      allowNoValue_(ini_allow_no_value),
      maxLine_(ini_max_line),
      initialAlloc_(ini_initial_alloc) {
    // Room for the line, a '\r', a '\n' and the NUL; never below the
    // library's own default.
    constexpr std::size_t kSmallest = 200;
    std::size_t bufferSize = std::max(maxLineLength + 3, kSmallest);
    if (bufferSize > INT_MAX) throw Error("config line too long");
    ini_allow_inline_comments = false;
    ini_allow_multiline = true;
    ini_stop_on_first_error = true;
    ini_allow_no_value = false;
    // A heap buffer allocated at full size at once: growing it by realloc
    // would read one line in several calls and break the line count.
    ini_use_stack = false;
    ini_allow_realloc = false;
    ini_max_line = static_cast<int>(bufferSize);
    ini_initial_alloc = static_cast<int>(bufferSize);
}

IniSwitches::~IniSwitches() {
    ini_allow_inline_comments = inlineComments_;
    ini_allow_multiline = multiline_;
    ini_stop_on_first_error = stopOnFirstError_;
    ini_use_stack = useStack_;
    ini_allow_realloc = allowRealloc_;
    ini_allow_no_value = allowNoValue_;
    ini_max_line = maxLine_;
    ini_initial_alloc = initialAlloc_;
}

}  // namespace boxlift
