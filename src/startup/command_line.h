// The command line: where the program name ends, and the two switches.
#ifndef BOXLIFT_COMMAND_LINE_H
#define BOXLIFT_COMMAND_LINE_H

#include <stdint.h>

// The about text shown for an illegal command line, and its caption.
extern const char kAboutText[];
extern const char kAboutCaption[];
// The about text's first line, which a quiet run logs instead.
extern const char kIllegalCommandLineText[];
// The usage text of /? and /help, shown with the same caption.
extern const char kUsageText[];

// The position in commandLine just past the program name and the separators
// behind it. Bytes up to 0x20 and, read as signed, 0x80 to 0xFF separate.
const char* SkipProgramName(const char* commandLine);

// Reads the switches of the command tail: clears *quiet and *extractDir,
// then sets them for /q and /e. Returns false for an illegal command line.
// *extractDir points into tail, or at a static empty text for a bare /e.
bool ParseSwitches(const char* tail, uint8_t* quiet, const char** extractDir);

#endif
