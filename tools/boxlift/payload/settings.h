// The settings block's fields as the tool holds them. Their order in the
// block and which of them the flags make present come from the launcher's
// own table (kSettingsFields); the tool finds its member for a field by the
// field's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct PackageSettings;

namespace boxlift {

struct Settings {
    std::string title;
    std::string errorText;
    bool showWelcome = false;
    bool welcomeAsDialog = false;
    std::string exitCaption;
    std::string continueCaption;
    std::string welcomeText;
    std::string requiredEngineVersion;  // the two stored bytes
    std::string engineMissingText;
    std::string engineDownloadTarget;
    std::string diskSpaceText;
    bool showProgress = false;
    std::string dialogHeading;
    std::string progressText;
    std::string cancelCaption;
    std::string cancelQuestion;
};

using TextMember = std::string Settings::*;
using FlagMember = bool Settings::*;
using SettingsMember = std::variant<TextMember, FlagMember>;

// The member for the settings field of this name, or none.
std::optional<SettingsMember> FindSettingsMember(std::string_view name);

// One field of the settings block, in the launcher's field order.
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
