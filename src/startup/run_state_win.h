// The start-up's part of the run. The command line's /q goes to the user
// interface's state (uiState.quiet), its /e directory here.
#ifndef BOXLIFT_RUN_STATE_WIN_H
#define BOXLIFT_RUN_STATE_WIN_H

#include <stdint.h>

struct RunState {
    const char* extractDir;  // none for an installing run
};

// Zero at load; set by ParseCommandLine.
extern RunState runState;

#endif
