// The start-up's part of the run. The command line's /q and its deployment
// switches set the user interface's state (uiState); the rest is here.
#ifndef BOXLIFT_RUN_STATE_WIN_H
#define BOXLIFT_RUN_STATE_WIN_H

#include <windows.h>

#include "startup/deployment_line.h"

struct RunState {
    const char* extractDir;  // none for an installing run
    // A deployment command line, its msiexec arguments, and the exit code
    // the run ends with. Every other command line ends with exit code 1.
    uint8_t deployment;
    DeploymentLine line;
    char* installerArguments;
    DWORD exitCode;
    char setupDir[MAX_PATH];
    char logPath[MAX_PATH];
};

// Zero at load; set by ParseCommandLine.
extern RunState runState;

#endif
