// The settings block: NUL-ended texts and one-byte flags, in the launcher's
// field order, with exactly the fields its flags make present.
#include <string>
#include <variant>

#include "payload_format.h"
#include "settings_block.h"
#include "payload_writer.h"

namespace boxlift {
namespace {

void AppendText(Bytes& block, const char* field, const std::string& value) {
    if (std::size_t nul = value.find('\0'); nul != std::string::npos)
        throw Error(std::string(field) + ": holds a NUL byte (at offset " +
                    std::to_string(nul) + "), which would end the text early");
    block.insert(block.end(), value.begin(), value.end());
    block.push_back(0);
}

void CheckEngineVersionBytes(const std::string& bytes) {
    bool ok = bytes.size() == 2 && bytes[0] != '\0' && bytes[1] != '\0';
    if (!ok)
        throw Error("requiredEngineVersion: expected the two stored bytes "
                    "major + 1 and minor + 1 (see EncodeEngineVersion), got " +
                    std::to_string(bytes.size()) + " bytes");
}

// The launcher parses the block out of a window read from its first byte;
// a longer block runs off its end.
void CheckBlockSize(const Bytes& block) {
    if (block.size() > kSettingsWindowSize)
        throw Error("settings block is " + std::to_string(block.size()) +
                    " bytes, more than the " +
                    std::to_string(kSettingsWindowSize) +
                    " the launcher reads: shorten the texts");
}

}  // namespace

Bytes EncodeSettingsBlock(const Settings& s) {
    CheckEngineVersionBytes(s.requiredEngineVersion);
    Bytes block;
    std::uint8_t on = 0;
    for (std::size_t i = 0; i < kSettingsFieldCount; ++i) {
        const SettingsField& field = kSettingsFields[i];
        if (!SettingsFieldPresent(field, on)) continue;
        SettingsMember member = *FindSettingsMember(kSettingsFieldNames[i]);
        if (auto* text = std::get_if<TextMember>(&member)) {
            AppendText(block, kSettingsFieldNames[i], s.**text);
        } else {
            bool flag = s.*std::get<FlagMember>(member);
            block.push_back(flag ? 1 : 0);
            if (flag) on |= field.bit;
        }
    }
    CheckBlockSize(block);
    return block;
}

}  // namespace boxlift
