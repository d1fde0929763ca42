// The config file: an INI file whose [settings] section gives the settings
// block's fields by name, e.g.
//
//   [settings]
//   title = Example Setup
//   showWelcome = yes
//   welcomeText = Welcome.
//     This line continues the text after a line feed.
//   requiredEngineVersion = 3.1
//
// Flags take yes/no/true/false/1/0 in any case; requiredEngineVersion takes
// MAJOR.MINOR. Texts are passed through as bytes. A key left out keeps its
// default: an empty text, a flag off, requiredEngineVersion "2.0".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "payload_writer.h"

namespace boxlift {

inline constexpr char kDefaultEngineVersion[] = "2.0";

// The settings before any key is applied: empty texts, flags off, and the
// requiredEngineVersion bytes of kDefaultEngineVersion.
Settings DefaultSettings();

// Reads the config file. Throws Error naming the file, and for a bad entry
// also the line and the key: `demo.ini:7: showWelcome: expected ...`.
Settings LoadConfig(const std::filesystem::path& path);

// The same for config text in memory; fileName stands for it in messages.
Settings ParseConfig(std::string_view text, const std::string& fileName);

}  // namespace boxlift
