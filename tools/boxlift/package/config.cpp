#include "package/config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "base/error.h"
#include "package/product_version.h"
#include "payload/engine_version.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

constexpr std::string_view kSettings = "settings";
constexpr std::string_view kVersion = "version";
constexpr std::string_view kCodepageKey = "codepage";
constexpr std::string_view kIconKey = "icon";
constexpr std::string_view kLogoKey = "logo";

bool IsSettingsKey(std::string_view key) {
    return key == kCodepageKey || key == kIconKey || key == kLogoKey || FindSettingsField(key);
}

bool IsVersionKey(std::string_view key) {
    return std::ranges::find(kVersionKeys, key) != std::end(kVersionKeys);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The parse: one pass over the lines, the first error stops it.
class Reader {
public:
    explicit Reader(const std::string& fileName) : fileName_(fileName) {}

    void Line(std::string_view line);
    // The entries of one section, in file order.
    std::vector<ConfigEntry> Take(std::string_view section) const {
        std::vector<ConfigEntry> taken;
        for (const auto& [inSection, entry] : entries_)
            if (inSection == section) taken.push_back(entry);
        return taken;
    }

private:
    [[noreturn]] void Fail(const std::string& problem, const std::string& key = {}) const {
        throw Error(problem).InFile(fileName_).AtLine(number_).About(key);
    }
    void Entry(std::string_view key, std::string_view value);

    const std::string& fileName_;
    std::vector<std::pair<std::string, ConfigEntry>> entries_;  // section, entry
    std::optional<std::string> section_;
    bool valueOpen_ = false;  // an indented line continues the last value
    int number_ = 0;
};

void Reader::Line(std::string_view line) {
    ++number_;
    if (line.find('\0') != std::string_view::npos) Fail("holds a NUL byte");
    std::string_view text = Trim(line);
    if (text.empty()) return;
    // An indented line continues the value as text, '#' and ';' included.
    if (valueOpen_ && IsBlank(line.front())) {
        entries_.back().second.value += '\n' + std::string(text);
        return;
    }
    if (text.front() == ';' || text.front() == '#') return;
    if (text.front() == '[') {
        if (text.back() != ']') Fail("expected key = value, a [section] or a comment");
        section_ = Trim(text.substr(1, text.size() - 2));
        valueOpen_ = false;
        return;
    }
    std::size_t separator = text.find_first_of("=:");
    if (separator == std::string_view::npos) Fail("expected key = value, a [section] or a comment");
    Entry(Trim(text.substr(0, separator)), Trim(text.substr(separator + 1)));
}

void Reader::Entry(std::string_view key, std::string_view value) {
    std::string name(key);
    if (!section_) Fail("outside any section, expected [settings]", name);
    if (*section_ != kSettings && *section_ != kVersion)
        Fail("in section [" + *section_ + "], expected [settings] or [version]", name);
    if (!(*section_ == kSettings ? IsSettingsKey(key) : IsVersionKey(key)))
        Fail("unknown key", name);
    for (const auto& [section, entry] : entries_)
        if (section == *section_ && entry.key == key)
            Fail("given twice, first on line " + std::to_string(entry.line), name);
    entries_.push_back({*section_, {name, std::string(value), number_}});
    valueOpen_ = true;
}

std::string Quote(std::string_view value) {
    std::string quoted = "\"";
    for (char c : value) quoted += c == '\n' ? std::string("\\n") : std::string(1, c);
    return quoted + "\"";
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool ParseFlag(const std::string& value) {
    for (std::string_view yes : {"yes", "true", "1"})
        if (EqualsIgnoringCase(value, yes)) return true;
    for (std::string_view no : {"no", "false", "0"})
        if (EqualsIgnoringCase(value, no)) return false;
    throw Error("expected yes/no/true/false/1/0, got " + Quote(value));
}

unsigned ParseCodepage(const std::string& value) {
    unsigned codepage = 0;
    auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), codepage);
    if (status != std::errc() || end != value.data() + value.size())
        throw Error("expected a Windows code page number such as 1252, got " + Quote(value));
    CheckCodepage(codepage);
    return codepage;
}

// One entry into settings; its errors do not name the file, line and key.
void ApplyEntry(const ConfigEntry& entry, const Config& config, Settings& settings) {
    SettingsMember member = FindSettingsField(entry.key)->member;
    if (auto* flag = std::get_if<FlagMember>(&member)) {
        settings.** flag = ParseFlag(entry.value);
    } else if (entry.key == "requiredEngineVersion") {
        settings.requiredEngineVersion = EncodeEngineVersion(entry.value);
    } else {
        settings.*std::get<TextMember>(member) =
            ToCodepage(entry.value, config.codepage, entry.line);
    }
}

// Runs fn, which checks entry's value; an Error it throws is placed at the entry.
template <typename Fn>
void CheckEntry(const std::string& fileName, const ConfigEntry& entry, Fn fn) {
    try {
        fn();
    } catch (Error& e) {
        LocateEntryError(e, fileName, entry);
        throw;
    }
}

// Removes the entry key from entries: its value is a file named relative to
// the config's directory. Empty when there is none.
std::filesystem::path TakePath(std::vector<ConfigEntry>& entries, std::string_view key,
                               const std::string& fileName) {
    auto entry = std::ranges::find(entries, key, &ConfigEntry::key);
    if (entry == entries.end()) return {};
    std::filesystem::path path = std::filesystem::path(fileName).parent_path() / entry->value;
    entries.erase(entry);
    return path;
}

}  // namespace

void LocateEntryError(Error& error, const std::string& fileName, const ConfigEntry& entry) {
    if (error.file().empty() && !error.line()) error.InFile(fileName).AtLine(entry.line);
    error.SetSubjectIfUnset(entry.key);
}

Settings DefaultSettings() {
    Settings settings;
    settings.requiredEngineVersion = EncodeEngineVersion(kDefaultEngineVersion);
    return settings;
}

Config ReadConfig(std::string_view text, const std::string& fileName) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 BOM
    Reader reader(fileName);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = std::min(text.find('\n', start), text.size());
        reader.Line(text.substr(start, end - start));
        start = end + 1;
    }
    Config config;
    config.fileName = fileName;
    config.settings = reader.Take(kSettings);
    config.version = reader.Take(kVersion);
    auto codepage = std::ranges::find(config.settings, kCodepageKey, &ConfigEntry::key);
    if (codepage != config.settings.end()) {
        CheckEntry(fileName, *codepage, [&] { config.codepage = ParseCodepage(codepage->value); });
        config.settings.erase(codepage);
    }
    for (const ConfigEntry& entry : config.version)  // written as UTF-16
        CheckEntry(fileName, entry, [&] { ToUtf16(entry.value); });
    config.icon = TakePath(config.settings, kIconKey, fileName);
    config.logo = TakePath(config.settings, kLogoKey, fileName);
    return config;
}

Config LoadConfig(const std::filesystem::path& path) {
    Bytes bytes = ReadFileBytes(path);
    return ReadConfig(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      path.string());
}

Settings ApplyConfig(const Config& config, Settings settings) {
    for (const ConfigEntry& entry : config.settings)
        CheckEntry(config.fileName, entry, [&] { ApplyEntry(entry, config, settings); });
    return settings;
}

Settings ParseConfig(std::string_view text, const std::string& fileName) {
    return ApplyConfig(ReadConfig(text, fileName), DefaultSettings());
}

}  // namespace boxlift
