#include "settings.h"

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
