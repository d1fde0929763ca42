#include "payload/settings_block.h"

#include <string.h>

#include "common/memory.h"
#include "payload/payload_format.h"

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

bool ReadWelcomeGroup(BlockReader* r, PackageSettings* s) {
    if (!ReadFlag(r, &s->welcomeAsDialog)) return false;
    if (s->welcomeAsDialog &&
        !(ReadText(r, &s->exitCaption) && ReadText(r, &s->continueCaption)))
        return false;
    return ReadText(r, &s->welcomeText);
}

bool ReadProgressGroup(BlockReader* r, PackageSettings* s) {
    return ReadText(r, &s->dialogHeading) && ReadText(r, &s->progressText) &&
           ReadText(r, &s->cancelCaption) && ReadText(r, &s->cancelQuestion);
}

}  // namespace

int ParseSettingsBlock(const uint8_t* block, uint32_t size,
                       PackageSettings* s, uint32_t* length) {
    BlockReader r = {block, size, 0};
    bool ok = ReadText(&r, &s->title) && ReadText(&r, &s->errorText) &&
              ReadFlag(&r, &s->showWelcome) &&
              (!s->showWelcome || ReadWelcomeGroup(&r, s)) &&
              ReadText(&r, &s->requiredEngineVersion) &&
              ReadText(&r, &s->engineMissingText) &&
              ReadText(&r, &s->engineDownloadTarget) &&
              ReadText(&r, &s->diskSpaceText) &&
              ReadFlag(&r, &s->showProgress) &&
              (!s->showProgress || ReadProgressGroup(&r, s));
    if (!ok) return 0;
    *length = r.offset;
    return 1;
}

namespace {
void FreeText(char** field) {
    FreeBytes(*field);
    *field = 0;
}
}  // namespace

void FreeSettingsTexts(PackageSettings* s) {
    char** texts[] = {&s->title,           &s->errorText,
                      &s->continueCaption, &s->exitCaption,
                      &s->welcomeText,     &s->requiredEngineVersion,
                      &s->engineMissingText, &s->engineDownloadTarget,
                      &s->diskSpaceText,   &s->dialogHeading,
                      &s->progressText,    &s->cancelCaption,
                      &s->cancelQuestion};
    for (char** text : texts) FreeText(text);
}
