#include "common/decimal.h"

char* AppendDecimal(char* out, int32_t value, int minDigits) {
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    if (value < 0) *out++ = '-';
    char digits[10];
    int count = 0;
    do {
        digits[count++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    for (int pad = count; pad < minDigits; ++pad) *out++ = '0';
    while (count) *out++ = digits[--count];
    return out;
}
