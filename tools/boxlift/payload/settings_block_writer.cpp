// The settings block: NUL-ended texts and one-byte flags, in the launcher's
// field order, with exactly the fields its flags make present.
#include "payload/settings_block_writer.h"

#include <string>
#include <variant>

#include "base/error.h"
#include "payload_format.h"

namespace boxlift {
namespace {

void AppendText(Bytes& block, const char* field, const std::string& value) {
    if (std::size_t nul = value.find('\0'); nul != std::string::npos)
        throw Error("holds a NUL byte (at offset " + std::to_string(nul) +
                    "), which would end the text early")
            .About(field);
    block.insert(block.end(), value.begin(), value.end());
    block.push_back(0);
}

void CheckEngineVersionBytes(const std::string& bytes) {
    bool ok = bytes.size() == 2 && bytes[0] != '\0' && bytes[1] != '\0';
    if (!ok)
        throw Error(
            "expected the two stored bytes major + 1 and minor + 1 (see "
            "EncodeEngineVersion), got " +
            std::to_string(bytes.size()) + " bytes")
            .About("requiredEngineVersion");
}

// The launcher parses the block out of a window read from its first byte;
// a longer block runs off its end.
void CheckBlockSize(const Bytes& block) {
    if (block.size() > kSettingsWindowSize)
        throw Error("settings block is " + std::to_string(block.size()) + " bytes, more than the " +
                    std::to_string(kSettingsWindowSize) + " the launcher reads: shorten the texts");
}

}  // namespace

Bytes EncodeSettingsBlock(const Settings& s) {
    CheckEngineVersionBytes(s.requiredEngineVersion);
    Bytes block;
    for (const BlockField& field : BlockFields(s)) {
        if (!field.present) continue;
        if (auto* text = std::get_if<TextMember>(&field.member))
            AppendText(block, field.name, s.**text);
        else
            block.push_back(s.*std::get<FlagMember>(field.member) ? 1 : 0);
    }
    CheckBlockSize(block);
    return block;
}

}  // namespace boxlift
