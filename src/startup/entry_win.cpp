// Process entry. The launcher runs without a C runtime start-up: this is
// the image's entry point, and the process ends here with exit code 1
// after every run.
#include <windows.h>

#include "startup/command_line.h"
#include "startup/command_line_win.h"
#include "startup/run_state_win.h"
#include "startup/setup_driver_win.h"
#include "ui/ui_state_win.h"

const char* CommandTail() { return SkipProgramName(GetCommandLineA()); }

bool ParseCommandLine(const char* tail) {
    if (ParseSwitches(tail, &uiState.quiet, &runState.extractDir))
        return true;
    MessageBoxA(0, kAboutText, kAboutCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// Limits the loader's search to the system directory before anything can
// load a library, so that no DLL planted beside the executable (a Downloads
// folder) is ever picked up. Looked up by name: older systems lack it.
void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDirectoriesFn setDirectories =
        kernel ? (SetDirectoriesFn)GetProcAddress(kernel,
                                                  "SetDefaultDllDirectories")
               : 0;
    if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

extern "C" void WINAPI EntryPoint() {
    RestrictDllSearch();
    const char* tail = CommandTail();
    RunSetup(GetModuleHandleA(0), 0, tail, SW_SHOWNORMAL);
    ExitProcess(1);
}
