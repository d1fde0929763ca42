// A line of error.log; no platform calls.
#ifndef BOXLIFT_LOG_LINE_H
#define BOXLIFT_LOG_LINE_H

#include <stdint.h>

struct LogTime {
    int32_t year, month, day, hour, minute;
};

// The size of the buffer a line for this caption and text is formatted in.
uint32_t LogLineCapacity(const char* caption, const char* text);

// Writes "INSTALLATION ERROR: YYYY/MM/DD hh:mm - caption - text | code"
// and CR LF into out (LogLineCapacity bytes), caption and text in full.
// Returns the line's length; no NUL is counted.
uint32_t FormatLogLine(char* out, const LogTime& time, const char* caption,
                       const char* text, int32_t code);

#endif
