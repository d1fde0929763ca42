#include "payload/settings.h"

#include <algorithm>

#include "package_settings.h"

namespace boxlift {

const SettingsFieldInfo* FindSettingsField(std::string_view key) {
    auto found = std::ranges::find_if(
        kSettingsFieldInfos, [key](const SettingsFieldInfo& info) { return key == info.name; });
    return found == kSettingsFieldInfos.end() ? nullptr : &*found;
}

std::vector<BlockField> BlockFields(const Settings& settings) {
    std::vector<BlockField> fields;
    std::uint8_t on = 0;
    for (const SettingsFieldInfo& info : kSettingsFieldInfos) {
        const bool present = (info.needs & on) == info.needs;
        if (auto* flag = std::get_if<FlagMember>(&info.member); present && flag && settings.**flag)
            on |= info.bit;
        fields.push_back({info.name, info.member, present});
    }
    return fields;
}

Settings FromPackageSettings(const PackageSettings& in) {
    Settings out;
#define BOXLIFT_TEXT(name, needs) \
    if (in.name) out.name = in.name;
#define BOXLIFT_FLAG(name, needs, bit) out.name = in.name != 0;
    BOXLIFT_SETTINGS_FIELDS(BOXLIFT_TEXT, BOXLIFT_FLAG)
#undef BOXLIFT_TEXT
#undef BOXLIFT_FLAG
    return out;
}

}  // namespace boxlift
