#include "settings_block.h"

#include <string.h>

#include "memory_hook.h"
#include "payload_format.h"

int32_t FindPayloadMarker(const uint8_t* window, uint32_t count) {
    if (count <= kPayloadMarkerLength) return -1;
    bool seenFirst = false;
    for (uint32_t i = 0; i < count - kPayloadMarkerLength; ++i) {
        if (window[i] != (uint8_t)kPayloadMarker[0]) continue;
        if (memcmp(window + i, kPayloadMarker, kPayloadMarkerLength) != 0)
            continue;
        if (seenFirst) return (int32_t)i;
        seenFirst = true;
    }
    return -1;
}

namespace {

// A forward reader over the window; fails rather than look past its end.
struct BlockReader {
    const uint8_t* block;
    uint32_t size;
    uint32_t offset;
};

bool ReadText(BlockReader* reader, char** field) {
    uint32_t left = reader->size - reader->offset;
    const uint8_t* start = reader->block + reader->offset;
    const void* nul = memchr(start, 0, left);
    if (!nul) return false;
    uint32_t length = (uint32_t)((const uint8_t*)nul - start) + 1;
    char* copy = (char*)AllocBytes(length);
    if (!copy) return false;
    memcpy(copy, start, length);
    *field = copy;
    reader->offset += length;
    return true;
}

bool ReadFlag(BlockReader* reader, int32_t* field) {
    if (reader->offset >= reader->size) return false;
    *field = reader->block[reader->offset] != 0 ? 1 : 0;
    reader->offset += 1;
    return true;
}

}  // namespace

#define BOXLIFT_TEXT(name, needs) {&PackageSettings::name, 0, needs, 0},
#define BOXLIFT_FLAG(name, needs, bit) {0, &PackageSettings::name, needs, bit},
const SettingsField kSettingsFields[kSettingsFieldCount] = {
    BOXLIFT_SETTINGS_FIELDS(BOXLIFT_TEXT, BOXLIFT_FLAG)};
#undef BOXLIFT_TEXT
#undef BOXLIFT_FLAG

bool ParseSettingsBlock(const uint8_t* block, uint32_t size, PackageSettings* s,
                        uint32_t* length) {
    BlockReader r = {block, size, 0};
    uint8_t on = 0;
    for (const SettingsField& field : kSettingsFields) {
        if (!SettingsFieldPresent(field, on)) continue;
        if (field.text) {
            if (!ReadText(&r, &(s->*field.text))) return false;
        } else {
            if (!ReadFlag(&r, &(s->*field.flag))) return false;
            if (s->*field.flag) on |= field.bit;
        }
    }
    *length = r.offset;
    return true;
}

void FreeSettingsTexts(PackageSettings* s) {
    for (const SettingsField& field : kSettingsFields) {
        if (!field.text) continue;
        FreeBytes(s->*field.text);
        s->*field.text = 0;
    }
}
