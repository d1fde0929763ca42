#include "engine/engine_version.h"

namespace {
// A required part as the 32-bit unsigned number it is compared as: 0 and
// bytes from 0x80 up wrap around to values no 16-bit version reaches.
uint32_t RequiredPart(char code) {
    return (uint32_t)((int32_t)(signed char)code - 1);
}
}  // namespace

bool EngineVersionMeets(uint32_t productVersionMS, const char* required) {
    uint32_t major = productVersionMS >> 16;
    uint32_t minor = productVersionMS & 0xFFFF;
    uint32_t requiredMajor = RequiredPart(required[0]);
    if (requiredMajor != major) return requiredMajor < major;
    // An empty text stops at the first byte: its minor is never read.
    uint32_t requiredMinor = RequiredPart(required[1]);
    return requiredMinor <= minor;
}
