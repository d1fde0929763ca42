#include "config.h"

#include <ini.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <variant>
#include <vector>

#include "ini_stream.h"

namespace boxlift {
namespace {

using TextMember = std::string Settings::*;
using FlagMember = bool Settings::*;
struct EngineVersionField {};

struct Field {
    std::string_view key;
    std::variant<TextMember, FlagMember, EngineVersionField> member;
};

constexpr std::array<Field, 16> kFields{{
    {"title", &Settings::title},
    {"errorText", &Settings::errorText},
    {"showWelcome", &Settings::showWelcome},
    {"welcomeAsDialog", &Settings::welcomeAsDialog},
    {"exitCaption", &Settings::exitCaption},
    {"continueCaption", &Settings::continueCaption},
    {"welcomeText", &Settings::welcomeText},
    {"requiredEngineVersion", EngineVersionField{}},
    {"engineMissingText", &Settings::engineMissingText},
    {"engineDownloadTarget", &Settings::engineDownloadTarget},
    {"diskSpaceText", &Settings::diskSpaceText},
    {"showProgress", &Settings::showProgress},
    {"dialogHeading", &Settings::dialogHeading},
    {"progressText", &Settings::progressText},
    {"cancelCaption", &Settings::cancelCaption},
    {"cancelQuestion", &Settings::cancelQuestion},
}};

constexpr std::string_view kSection = "settings";

const Field* FindField(std::string_view key) {
    auto found = std::ranges::find(kFields, key, &Field::key);
    return found == kFields.end() ? nullptr : &*found;
}

// A value as written, its continuation lines joined by line feeds.
struct Entry {
    std::string key;
    std::string value;
    int line;
};

// What the parse has gathered, shared by the line source and the handler.
struct ParseState {
    explicit ParseState(std::string_view text) : lines(text) {}

    IniLineSource lines;
    std::vector<Entry> entries;  // in file order
    std::string lastKey;        // the entry a continuation line extends
    int lastKeySections = -1;   // sectionsSeen when lastKey was read
    std::optional<std::string> error;  // "line: message" of the first error
};

std::string Quote(std::string_view value) {
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '\n')
            quoted += "\\n";
        else
            quoted += c;
    }
    return quoted + "\"";
}

Entry* FindEntry(ParseState& state, std::string_view key) {
    auto found = std::ranges::find(state.entries, key, &Entry::key);
    return found == state.entries.end() ? nullptr : &*found;
}

bool IsContinuation(const ParseState& state, std::string_view key) {
    return state.lines.indented() && key == state.lastKey &&
           state.lines.sectionsSeen() == state.lastKeySections;
}

// The reason a key may not be taken, or none.
std::optional<std::string> RefuseKey(ParseState& state,
                                     std::string_view section,
                                     std::string_view key) {
    if (section.empty())
        return "outside any section, expected [settings]";
    if (section != kSection)
        return "in section [" + std::string(section) + "], expected [settings]";
    if (!FindField(key)) return std::string("unknown key");
    if (const Entry* first = FindEntry(state, key))
        return "given twice, first on line " + std::to_string(first->line);
    return std::nullopt;
}

void TakeEntry(ParseState& state, const char* section, const char* name,
               const char* value) {
    int line = state.lines.line();
    if (IsContinuation(state, name)) {
        FindEntry(state, name)->value += '\n' + std::string(value);
        return;
    }
    if (auto refusal = RefuseKey(state, section, name)) {
        state.error = std::to_string(line) + ": " + name + ": " + *refusal;
        return;
    }
    state.entries.push_back(Entry{name, value, line});
    state.lastKey = name;
    state.lastKeySections = state.lines.sectionsSeen();
}

// libinih's handler: non-zero to go on. Nothing may be thrown through the
// library, so every failure is kept in the state.
int HandleEntry(void* user, const char* section, const char* name,
                const char* value) {
    auto& state = *static_cast<ParseState*>(user);
    try {
        TakeEntry(state, section, name, value);
    } catch (const std::exception& e) {
        state.error = std::to_string(state.lines.line()) + ": " + e.what();
    }
    return state.error ? 0 : 1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool ParseFlag(std::string_view key, const std::string& value) {
    for (std::string_view yes : {"yes", "true", "1"})
        if (EqualsIgnoringCase(value, yes)) return true;
    for (std::string_view no : {"no", "false", "0"})
        if (EqualsIgnoringCase(value, no)) return false;
    throw Error(std::string(key) + ": expected yes/no/true/false/1/0, got " +
                Quote(value));
}

void ApplyEntry(const Field& field, const std::string& value, Settings& s) {
    struct Apply {
        const Field& field;
        const std::string& value;
        Settings& s;
        void operator()(TextMember m) const { s.*m = value; }
        void operator()(FlagMember m) const { s.*m = ParseFlag(field.key, value); }
        void operator()(EngineVersionField) const {
            s.requiredEngineVersion = EncodeEngineVersion(value);
        }
    };
    std::visit(Apply{field, value, s}, field.member);
}

Settings ApplyEntries(const ParseState& state, const std::string& fileName) {
    Settings settings = DefaultSettings();
    for (const Entry& entry : state.entries) {
        try {
            ApplyEntry(*FindField(entry.key), entry.value, settings);
        } catch (const Error& e) {
            throw Error(fileName + ":" + std::to_string(entry.line) + ": " +
                        e.what());
        }
    }
    return settings;
}

[[noreturn]] void FailParse(const ParseState& state, int result,
                            const std::string& fileName) {
    if (state.lines.failure())
        throw Error(fileName + ":" + std::to_string(state.lines.line()) +
                    ": " + *state.lines.failure());
    if (state.error) throw Error(fileName + ":" + *state.error);
    if (result < 0) throw Error(fileName + ": out of memory while parsing");
    throw Error(fileName + ":" + std::to_string(result) +
                ": expected key = value, a [section] or a comment");
}

}  // namespace

Settings DefaultSettings() {
    Settings settings;
    settings.requiredEngineVersion = EncodeEngineVersion(kDefaultEngineVersion);
    return settings;
}

Settings ParseConfig(std::string_view text, const std::string& fileName) {
    ParseState state(text);
    int result;
    {
        IniSwitches switches(state.lines.LongestLine());
        result = ini_parse_stream(&IniLineSource::Read, &state.lines,
                                  HandleEntry, &state);
    }
    if (result != 0 || state.error || state.lines.failure())
        FailParse(state, result, fileName);
    return ApplyEntries(state, fileName);
}

Settings LoadConfig(const std::filesystem::path& path) {
    Bytes bytes = ReadFileBytes(path);
    std::string text(bytes.begin(), bytes.end());
    return ParseConfig(text, path.string());
}

}  // namespace boxlift
