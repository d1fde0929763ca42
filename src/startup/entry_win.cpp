// Process entry. The launcher runs without a C runtime start-up: this is
// the image's entry point, and the process ends here: with exit code 1
// after every run of the classic command lines, with the installer's or
// the launcher's own outcome after a deployment command line.
#include <windows.h>

#include "startup/command_line.h"
#include "startup/command_line_win.h"
#include "startup/deployment_line.h"
#include "startup/run_state_win.h"
#include "startup/setup_driver_win.h"
#include "ui/messages_win.h"
#include "ui/ui_state_win.h"

const char* CommandTail() { return SkipProgramName(GetCommandLineA()); }

namespace {

// The folder of setup.exe with its backslash, and the log made absolute,
// for msiexec: it runs on a package in another folder.
bool ResolvePaths() {
    DWORD length = GetModuleFileNameA(0, runState.setupDir, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return false;
    char* name = runState.setupDir + length;
    while (name > runState.setupDir && name[-1] != '\\') --name;
    *name = 0;
    const char* log = runState.line.logPath;
    if (!log) return true;
    length = GetFullPathNameA(log, MAX_PATH, runState.logPath, 0);
    return length != 0 && length < MAX_PATH;
}

// A deployment command line: its switches set the user interface, and its
// arguments for msiexec are built now, so that one that cannot be run is
// refused before anything happens.
bool ParseDeploymentCommandLine(const char* tail) {
    DeploymentLine* line = &runState.line;
    runState.deployment = 1;
    runState.exitCode = ERROR_INSTALL_FAILURE;
    bool legal = ParseDeploymentLine(tail, line);
    uiState.quiet = line->ui != kUiFull;
    uiState.passive = line->ui == kUiPassive;
    uiState.logPath = line->logPath;
    if (legal && !line->usage) {
        legal = ResolvePaths();
        runState.installerArguments =
            legal ? BuildInstallerArguments(
                        line, tail, line->logPath ? runState.logPath : 0,
                        runState.setupDir)
                  : 0;
        legal = runState.installerArguments != 0;
    }
    if (!legal) {
        // Without a window when the deployer asked for none: there may be
        // no desktop to show one on.
        ReportMessage(0, uiState.quiet ? kIllegalCommandLineText : kAboutText,
                      kAboutCaption, MB_OK | MB_ICONEXCLAMATION, true, IDOK,
                      kIllegalCommandLine);
        runState.exitCode = uiState.quiet ? ERROR_INVALID_COMMAND_LINE : 1;
        return false;
    }
    if (line->usage) {
        if (!uiState.quiet)
            MessageBoxA(0, kUsageText, kAboutCaption,
                        MB_OK | MB_ICONINFORMATION);
        runState.exitCode = 0;
        return false;
    }
    return true;
}

}  // namespace

bool ParseCommandLine(const char* tail) {
    if (ParseSwitches(tail, &uiState.quiet, &runState.extractDir)) return true;
    return ParseDeploymentCommandLine(tail);
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
    ExitProcess(RunSetup(GetModuleHandleA(0), 0, tail, SW_SHOWNORMAL));
}
