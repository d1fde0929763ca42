// The settings block in memory, one member a field in file order. Every
// text is none or a heap copy of exactly its length + 1 bytes; every flag
// is 0 or 1. Absent fields keep none / 0.
#ifndef BOXLIFT_PACKAGE_SETTINGS_H
#define BOXLIFT_PACKAGE_SETTINGS_H

#include <stdint.h>

#include "settings_fields.h"

struct PackageSettings {
#define BOXLIFT_TEXT(name, needs) char* name;
#define BOXLIFT_FLAG(name, needs, bit) int32_t name;
    BOXLIFT_SETTINGS_FIELDS(BOXLIFT_TEXT, BOXLIFT_FLAG)
#undef BOXLIFT_TEXT
#undef BOXLIFT_FLAG
};

#endif
