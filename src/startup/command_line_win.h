#ifndef BOXLIFT_COMMAND_LINE_WIN_H
#define BOXLIFT_COMMAND_LINE_WIN_H

// The process command line past the program name and its separators.
const char* CommandTail();

// Sets the run's switches from the tail: /q and /e, or a deployment
// command line. False when the run ends here (an illegal command line, or
// the usage text), with runState.exitCode set.
bool ParseCommandLine(const char* tail);

#endif
