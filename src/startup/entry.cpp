// Process entry. The launcher runs without a C runtime start-up: this is
// the image's entry point, and the process ends here with exit code 1
// after every run.
#include <windows.h>

#include "startup/command_line.h"
#include "startup/command_line_win.h"
#include "startup/run_state.h"
#include "startup/setup_driver.h"

const char* CommandTail() { return SkipProgramName(GetCommandLineA()); }

bool ParseCommandLine(const char* tail) {
    if (ParseSwitches(tail, &runState.quiet, &runState.extractDir))
        return true;
    MessageBoxA(0, kAboutText, kAboutCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

extern "C" void WINAPI EntryPoint() {
    const char* tail = CommandTail();
    RunSetup(GetModuleHandleA(0), 0, tail, SW_SHOWNORMAL);
    ExitProcess(1);
}
