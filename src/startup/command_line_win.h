#ifndef BOXLIFT_COMMAND_LINE_WIN_H
#define BOXLIFT_COMMAND_LINE_WIN_H

// The process command line past the program name and its separators.
const char* CommandTail();

// Sets quiet and extractDir from the tail; false after showing the about
// text for an illegal command line.
bool ParseCommandLine(const char* tail);

#endif
