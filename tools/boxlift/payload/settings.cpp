#include "payload/settings.h"

#include <algorithm>
#include <array>
#include <utility>

#include "settings_block.h"

namespace boxlift {
namespace {

#define MEMBER(name) std::pair<std::string_view, SettingsMember>{#name, &Settings::name}
const std::array kMembers = {
    MEMBER(title),           MEMBER(errorText),         MEMBER(showWelcome),
    MEMBER(welcomeAsDialog), MEMBER(exitCaption),       MEMBER(continueCaption),
    MEMBER(welcomeText),     MEMBER(requiredEngineVersion),
    MEMBER(engineMissingText), MEMBER(engineDownloadTarget),
    MEMBER(diskSpaceText),   MEMBER(showProgress),      MEMBER(dialogHeading),
    MEMBER(progressText),    MEMBER(cancelCaption),     MEMBER(cancelQuestion)};
#undef MEMBER
static_assert(kMembers.size() == kSettingsFieldCount);

}  // namespace

std::optional<SettingsMember> FindSettingsMember(std::string_view name) {
    auto found = std::ranges::find(kMembers, name, &decltype(kMembers)::value_type::first);
    if (found == kMembers.end()) return std::nullopt;
    return found->second;
}

std::vector<BlockField> BlockFields(const Settings& settings) {
    std::vector<BlockField> fields;
    std::uint8_t on = 0;
    for (std::size_t i = 0; i < kSettingsFieldCount; ++i) {
        const SettingsField& field = kSettingsFields[i];
        SettingsMember member = *FindSettingsMember(kSettingsFieldNames[i]);
        const bool present = SettingsFieldPresent(field, on);
        if (auto* flag = std::get_if<FlagMember>(&member); present && flag && settings.**flag)
            on |= field.bit;
        fields.push_back({kSettingsFieldNames[i], member, present});
    }
    return fields;
}

Settings FromPackageSettings(const PackageSettings& in) {
    Settings out;
    for (std::size_t i = 0; i < kSettingsFieldCount; ++i) {
        const SettingsField& field = kSettingsFields[i];
        SettingsMember member = *FindSettingsMember(kSettingsFieldNames[i]);
        if (field.text) {
            if (const char* text = in.*field.text) out.*std::get<TextMember>(member) = text;
        } else {
            out.*std::get<FlagMember>(member) = in.*field.flag != 0;
        }
    }
    return out;
}

}  // namespace boxlift
