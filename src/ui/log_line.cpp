#include "ui/log_line.h"

#include <string.h>

#include "common/decimal.h"

namespace {
char* AppendText(char* out, const char* text) {
    uint32_t length = (uint32_t)strlen(text);
    memcpy(out, text, length);
    return out + length;
}
}  // namespace

uint32_t LogLineCapacity(const char* caption, const char* text) {
    return (uint32_t)strlen(caption) + (uint32_t)strlen(text) + 1024;
}

uint32_t FormatLogLine(char* out, const LogTime& time, const char* caption,
                       const char* text, int32_t code) {
    char* o = AppendText(out, "INSTALLATION ERROR: ");
    o = AppendDecimal(o, time.year, 4);
    *o++ = '/';
    o = AppendDecimal(o, time.month, 2);
    *o++ = '/';
    o = AppendDecimal(o, time.day, 2);
    *o++ = ' ';
    o = AppendDecimal(o, time.hour, 2);
    *o++ = ':';
    o = AppendDecimal(o, time.minute, 2);
    o = AppendText(o, " - ");
    o = AppendText(o, caption);
    o = AppendText(o, " - ");
    o = AppendText(o, text);
    o = AppendText(o, " | ");
    o = AppendDecimal(o, code, 1);
    o = AppendText(o, "\r\n");
    return (uint32_t)(o - out);
}
