// The settings block's fields as the tool holds them, made from the one list
// of the format library (settings_fields.h): the members of Settings, and a
// table that gives each field's name, member and the flags that make it
// present, in the block's order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings_fields.h"

struct PackageSettings;

namespace boxlift {

struct Settings {
#define BOXLIFT_TEXT(name, needs) std::string name;
#define BOXLIFT_FLAG(name, needs, bit) bool name = false;
    BOXLIFT_SETTINGS_FIELDS(BOXLIFT_TEXT, BOXLIFT_FLAG)
#undef BOXLIFT_TEXT
#undef BOXLIFT_FLAG
    // requiredEngineVersion holds the two stored bytes.
};

using TextMember = std::string Settings::*;
using FlagMember = bool Settings::*;
using SettingsMember = std::variant<TextMember, FlagMember>;

struct SettingsFieldInfo {
    const char* name;  // as the config and the reports spell it
    SettingsMember member;
    std::uint8_t needs;  // SettingsFlagBit values that make it present
    std::uint8_t bit;    // for a flag: the bit it turns on
};

inline const std::array<SettingsFieldInfo, kSettingsFieldCount> kSettingsFieldInfos = {{
#define BOXLIFT_TEXT(name, needs) {#name, &Settings::name, needs, 0},
#define BOXLIFT_FLAG(name, needs, bit) {#name, &Settings::name, needs, bit},
    BOXLIFT_SETTINGS_FIELDS(BOXLIFT_TEXT, BOXLIFT_FLAG)
#undef BOXLIFT_TEXT
#undef BOXLIFT_FLAG
}};

// The field a config key names, or none.
const SettingsFieldInfo* FindSettingsField(std::string_view key);

// One field of the settings block, in the block's order.
struct BlockField {
    const char* name;
    SettingsMember member;
    bool present;  // the block holds it: the flags before it ask for it
};

// Every field of the block written for settings, present or not, in order.
std::vector<BlockField> BlockFields(const Settings& settings);

// The fields the launcher read into settings (absent ones stay empty/off).
Settings FromPackageSettings(const PackageSettings& settings);

}  // namespace boxlift
