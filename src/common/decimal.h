#ifndef BOXLIFT_DECIMAL_H
#define BOXLIFT_DECIMAL_H

#include <stdint.h>

// Writes value in decimal, with a leading '-' when negative and zeros in
// front up to minDigits digits (like "%0*d"); no NUL. Returns the position
// after the last character written. At most 11 characters for minDigits
// up to 10.
char* AppendDecimal(char* out, int32_t value, int minDigits);

#endif
