// Feeding text to libinih one line at a time, keeping what its handler is
// not told: the current line's number, whether it was indented, and how many
// section headers have gone by.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace boxlift {

class IniLineSource {
public:
    explicit IniLineSource(std::string_view text) : text_(text) {}

    // An ini_reader: copies the next line, its '\n' included, into buffer.
    // Stops the parse (returns none) at a line that does not fit or that
    // holds a NUL byte, and records why in failure().
    static char* Read(char* buffer, int size, void* self);

    // The number of the line handed out last, from 1.
    int line() const { return line_; }
    bool indented() const { return indented_; }
    int sectionsSeen() const { return sectionsSeen_; }
    const std::optional<std::string>& failure() const { return failure_; }

    // Length of the longest line, for sizing libinih's line buffer.
    std::size_t LongestLine() const;

private:
    char* Next(char* buffer, std::size_t size);
    void NoteLine(std::string_view line);

    std::string_view text_;
    std::size_t offset_ = 0;
    int line_ = 0;
    bool indented_ = false;
    int sectionsSeen_ = 0;
    std::optional<std::string> failure_;
};

// libinih's run-time switches as the config reader needs them, for the
// lifetime of this object; the previous values come back afterwards. Inline
// comments stay off (";" is ordinary text in a value), values may continue
// on indented lines, the first error stops the parse, and the heap line
// buffer holds lines of up to maxLineLength bytes whole.
class IniSwitches {
public:
    explicit IniSwitches(std::size_t maxLineLength);
    ~IniSwitches();
    IniSwitches(const IniSwitches&) = delete;
    IniSwitches& operator=(const IniSwitches&) = delete;

private:
    bool inlineComments_, multiline_, stopOnFirstError_, useStack_,
        allowRealloc_, allowNoValue_;
    int maxLine_, initialAlloc_;
};

}  // namespace boxlift
