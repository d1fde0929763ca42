// Finding the payload and reading its settings block; no platform calls.
#ifndef BOXLIFT_SETTINGS_BLOCK_H
#define BOXLIFT_SETTINGS_BLOCK_H

#include <stdint.h>

#include "payload/package_settings.h"

// Offset of the second occurrence of the marker among positions
// 0 .. count - 8 of the window, or -1. Occurrences may overlap; the first is
// the launcher's own search key.
int32_t FindPayloadMarker(const uint8_t* window, uint32_t count);

// Copies the settings block that starts at block[0] into settings and sets
// *length to the block's length. The block must end within size bytes.
// Returns 1 on success; 0 when a text copy cannot be allocated or a text runs
// to the end of the window. Fields copied before a failure stay in settings.
int ParseSettingsBlock(const uint8_t* block, uint32_t size,
                       PackageSettings* settings, uint32_t* length);

// Frees every text of settings and sets its pointer back to none.
void FreeSettingsTexts(PackageSettings* settings);

#endif
