// Finding the payload and reading its settings block; no platform calls.
#ifndef BOXLIFT_SETTINGS_BLOCK_H
#define BOXLIFT_SETTINGS_BLOCK_H

#include <stdint.h>

#include "package_settings.h"

// The settings block's fields in file order, made from settings_fields.h.
struct SettingsField {
    char* PackageSettings::*text;    // the text's member, or none for a flag
    int32_t PackageSettings::*flag;  // the flag's member, or none for a text
    uint8_t needs;                   // SettingsFlagBit values
    uint8_t bit;                     // for a flag: the bit it turns on
};

// Whether field is in the block, given the bits of the flags read so far.
inline bool SettingsFieldPresent(const SettingsField& field, uint8_t on) {
    return (field.needs & on) == field.needs;
}

extern const SettingsField kSettingsFields[kSettingsFieldCount];

// Offset of the second occurrence of the marker among positions
// 0 .. count - 8 of the window, or -1. Occurrences may overlap; the first is
// the launcher's own search key.
int32_t FindPayloadMarker(const uint8_t* window, uint32_t count);

// Copies the settings block that starts at block[0] into settings and sets
// *length to the block's length. The block must end within size bytes.
// False when a text copy cannot be allocated or a text runs to the end of
// the window. Fields copied before a failure stay in settings.
bool ParseSettingsBlock(const uint8_t* block, uint32_t size,
                        PackageSettings* settings, uint32_t* length);

// Frees every text of settings and sets its pointer back to none.
void FreeSettingsTexts(PackageSettings* settings);

#endif
