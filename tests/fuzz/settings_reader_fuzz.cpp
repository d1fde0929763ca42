// The launcher's file-level reader over a whole setup.exe in memory: the
// marker search, the settings block and the measuring walk. On success the
// source stands on the chunk stream, and the marker lies right ahead of a
// block as long as the fields read.
#include <cassert>
#include <cstdint>
#include <cstring>
#include <vector>

#include "memory_file.h"
#include "payload_format.h"
#include "settings_block.h"
#include "settings_reader.h"
#include "test_memory.h"

namespace {

// The block's length from what was read: each text with its NUL, each flag.
size_t BlockLength(const PackageSettings& s) {
    size_t length = 0;
    uint8_t on = 0;
    for (const SettingsField& field : kSettingsFields) {
        if ((field.needs & on) != field.needs) continue;
        if (field.text) {
            length += std::strlen(s.*field.text) + 1;
        } else {
            length += 1;
            if (s.*field.flag) on |= field.bit;
        }
    }
    return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> window(kSettingsWindowSize);
    MemoryFile file{data, size};
    ByteSource source = file.Source();
    PackageSettings settings = {};
    uint64_t packageSize = ~0ull;
    if (ReadPayloadSettings(&source, window.data(), &settings, &packageSize)) {
        size_t marker = file.at - BlockLength(settings) - kPayloadMarkerLength;
        assert(marker <= kMaxMarkerOffset && marker + kPayloadMarkerLength <= size);
        assert(std::memcmp(data + marker, kPayloadMarker, kPayloadMarkerLength) == 0);
        assert(packageSize != ~0ull);
    }
    FreeSettingsTexts(&settings);
    assert(test_memory::LiveBlocks() == 0);
    return 0;
}
