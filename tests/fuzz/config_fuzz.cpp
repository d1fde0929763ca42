// The tool's config reader on any text, as build uses it: the settings come
// out, or an Error naming the file, and nothing else escapes. Settings that
// read become a block the launcher reads back to its last byte.
#include <cassert>
#include <cstdint>
#include <string_view>

#include "base/error.h"
#include "package/config.h"
#include "settings_block.h"
#include "payload/settings_block_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    boxlift::Bytes block;
    try {
        block = boxlift::EncodeSettingsBlock(boxlift::ParseConfig(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.ini"));
    } catch (const boxlift::Error&) {
        return 0;
    }
    PackageSettings settings = {};
    uint32_t length = 0;
    assert(ParseSettingsBlock(block.data(), block.size(), &settings, &length) == 1);
    assert(length == block.size());
    FreeSettingsTexts(&settings);
    return 0;
}
