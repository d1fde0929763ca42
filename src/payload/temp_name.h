// The temporary package's name: "qz" + one generated value in two lowercase
// hex digits, written three times, + ".msi". 255 names exist, qz000000.msi
// to qzfefefe.msi. A search remembers which values it has seen taken, so
// that it can give up once every name is.
#ifndef BOXLIFT_TEMP_NAME_H
#define BOXLIFT_TEMP_NAME_H

#include <stdint.h>

const uint32_t kTempNameCount = 255;
const uint32_t kTempNameLength = 12;  // "qzXXXXXX.msi"

struct TempNameSearch {
    uint32_t seed;
    uint32_t lastValue;  // the value NextTempNameValue returned last
    uint32_t takenCount;
    uint8_t taken[(kTempNameCount + 7) / 8];
};

void StartTempNameSearch(TempNameSearch* search, uint32_t seed);

// Advances the generator and returns the next value, 0 to 254.
uint32_t NextTempNameValue(TempNameSearch* search);

// Records value as taken; returns false once all 255 values have been.
bool MarkTempNameTaken(TempNameSearch* search, uint32_t value);

// Writes the name for value and its NUL into name (13 bytes).
void FormatTempName(uint32_t value, char* name);

#endif
