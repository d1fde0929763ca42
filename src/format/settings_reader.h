// Finding the payload in the own file and reading its settings block, over
// a byte source; no platform calls.
#ifndef BOXLIFT_SETTINGS_READER_H
#define BOXLIFT_SETTINGS_READER_H

#include <stdint.h>

#include "chunk_stream.h"
#include "package_settings.h"

// Reads the first kSettingsWindowSize bytes of the file behind source (which
// stands at its start) into window, finds the payload's marker, reads the
// settings block behind it into settings and leaves source on chunkCount.
// With packageSize given, also sets it to the package's size from the record
// headers, 0 when they are malformed. A window of none fails. On failure,
// texts copied so far stay in settings.
bool ReadPayloadSettings(const ByteSource* source, uint8_t* window,
                         PackageSettings* settings, uint64_t* packageSize);

#endif
