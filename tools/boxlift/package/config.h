// The config file: an INI file, UTF-8, whose [settings] section gives the
// settings block's fields by name, e.g.
//
//   ; a comment
//   [settings]
//   title = Example Setup
//   showWelcome = yes
//   welcomeText = Welcome.
//     This line continues the text after a line feed.
//   requiredEngineVersion = 3.1
//   codepage = 1251
//   icon = product.ico
//   logo = vendor.png
//
//   [version]
//   LegalCopyright = © 2026 Example Ltd
//
// Flags take yes/no/true/false/1/0 in any case; requiredEngineVersion takes
// MAJOR.MINOR; codepage the Windows code page the texts are converted to
// (default 1252); icon an .ico file (relative to the config's directory)
// that replaces the launcher's icon; logo a PNG or BMP file (relative to it
// too) of at most 161 x 313 pixels that replaces the welcome dialog's
// banner. [version] overrides strings of the
// version resource (see kVersionKeys). Values are taken whole (';' inside one is text); an
// indented line continues the value above it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "payload/settings.h"
#include "platform/codepage.h"

namespace boxlift {

inline constexpr char kDefaultEngineVersion[] = "2.0";

// The settings before any key is applied: empty texts, flags off, and the
// requiredEngineVersion bytes of kDefaultEngineVersion.
Settings DefaultSettings();

struct ConfigEntry {
    std::string key;
    std::string value;  // continuation lines joined by line feeds
    int line = 0;
};

struct Config {
    std::string fileName;
    std::vector<ConfigEntry> settings;  // the block's fields, in file order
    std::vector<ConfigEntry> version;   // [version] strings
    unsigned codepage = kDefaultCodepage;
    std::filesystem::path icon;  // empty: keep the launcher's icon
    std::filesystem::path logo;  // empty: keep the launcher's banner
};

// Reads config text; fileName stands for it in messages. Throws Error
// naming the file, and for a bad entry also the line and the key:
// `demo.ini:7: showWelcome: unknown key`.
Config ReadConfig(std::string_view text, const std::string& fileName);
Config LoadConfig(const std::filesystem::path& path);

// Places an error about entry's value at the entry: the config's file and
// the line, unless the error names a file or line already, and the key,
// unless it names a subject.
void LocateEntryError(Error& error, const std::string& fileName, const ConfigEntry& entry);

// settings with the config's fields applied, texts in its code page.
Settings ApplyConfig(const Config& config, Settings settings);

// DefaultSettings() with the config text applied.
Settings ParseConfig(std::string_view text, const std::string& fileName);

}  // namespace boxlift
