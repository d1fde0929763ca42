#include "payload/temp_name.h"

#include <string.h>

void StartTempNameSearch(TempNameSearch* search, uint32_t seed) {
    memset(search, 0, sizeof *search);
    search->seed = seed;
}

uint32_t NextTempNameValue(TempNameSearch* search) {
    search->seed = search->seed * 1170746341u - 755606699u;
    search->lastValue = ((search->seed >> 16) & 0x7FFF) % kTempNameCount;
    return search->lastValue;
}

bool MarkTempNameTaken(TempNameSearch* search, uint32_t value) {
    uint8_t bit = (uint8_t)(1u << (value % 8));
    if (!(search->taken[value / 8] & bit)) {
        search->taken[value / 8] |= bit;
        ++search->takenCount;
    }
    return search->takenCount < kTempNameCount;
}

void FormatTempName(uint32_t value, char* name) {
    static const char kHex[] = "0123456789abcdef";
    name[0] = 'q';
    name[1] = 'z';
    for (int i = 0; i < 3; ++i) {
        name[2 + 2 * i] = kHex[(value >> 4) & 0xF];
        name[3 + 2 * i] = kHex[value & 0xF];
    }
    memcpy(name + 8, ".msi", 5);
}
