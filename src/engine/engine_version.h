// Whether the installer engine's product version meets the payload's
// requirement; no platform calls.
#ifndef BOXLIFT_ENGINE_VERSION_H
#define BOXLIFT_ENGINE_VERSION_H

#include <stdint.h>

// productVersionMS: major version in the high 16 bits, minor in the low.
// required: the payload's text, first byte major + 1, second minor + 1,
// each read as a signed byte. A missing or out-of-range byte asks for more
// than any 16-bit version: never met as the major, met only by a greater
// major as the minor.
bool EngineVersionMeets(uint32_t productVersionMS, const char* required);

#endif
