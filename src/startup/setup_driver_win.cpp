#include "startup/setup_driver_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/files_win.h"
#include "memory_hook.h"
#include "engine/installer_engine_win.h"
#include "payload/extract_win.h"
#include "payload/package_reader_win.h"
#include "settings_block.h"
#include "startup/command_line_win.h"
#include "startup/run_state_win.h"
#include "ui/messages_win.h"
#include "ui/setup_dialog_win.h"

RunState runState;

namespace {

const UINT kErrorStyle = MB_OK | MB_ICONHAND;

void ReportFailure(int code) {
    ReportMessage(0, packageSettings.errorText, packageSettings.title,
                  kErrorStyle, 1, IDOK, code);
}

int Ask(const char* text, UINT style, BYTE writeLog, int quietAnswer,
        int code) {
    return ReportMessage(0, text, packageSettings.title, style, writeLog,
                         quietAnswer, code);
}

// The greeting: true to go on.
bool Greet() {
    if (!packageSettings.welcomeAsDialog)
        return Ask(packageSettings.welcomeText, MB_YESNO | MB_ICONINFORMATION,
                   0, IDYES, kWelcomeQuestion) == IDYES;
    runState.dialogMode.store(kWelcomeMode);
    INT_PTR result =
        DialogBoxParamA(runState.instance, MAKEINTRESOURCEA(IDD_SETUP),
                        GetDesktopWindow(), SetupDialogProc, 0);
    if (result == 0) return false;
    runState.progressThread.store(0);
    runState.cancelState.store(kDialogFinished);
    return true;
}

// The engine and disk-space checks of an installing run: true to go on.
bool CheckSystem() {
    if (!CheckInstallerEngine()) {
        if (Ask(packageSettings.engineMissingText,
                MB_YESNO | MB_ICONEXCLAMATION, 1, IDNO,
                kEngineMissing) == IDYES)
            ShellExecuteA(GetDesktopWindow(), "open",
                          packageSettings.engineDownloadTarget, "", 0,
                          SW_SHOW);
        return false;
    }
    while (!CheckDiskSpace()) {
        if (runState.spaceRequired == 0) {
            ReportFailure(kSpaceNotMeasured);
            return false;
        }
        char* text = ExpandMessageTemplate(packageSettings.diskSpaceText);
        if (!text) {
            ReportFailure(kSpaceTextFailed);
            return false;
        }
        int answer = Ask(text, MB_ABORTRETRYIGNORE | MB_ICONHAND, 1, IDABORT,
                         kNotEnoughSpace);
        FreeBytes(text);
        if (answer == IDIGNORE) return true;
        if (answer != IDRETRY) return false;
    }
    return true;
}

bool StartProgressThread() {
    HANDLE thread = CreateThread(0, 0, ProgressThreadMain, 0, CREATE_SUSPENDED,
                                 &runState.progressThreadId);
    if (!thread) return false;
    // Stored before the thread runs, so that a thread that ends at once
    // clears it after the driver has set it, never before.
    runState.progressThread.store(thread);
    ResumeThread(thread);
    return true;
}

// Steps after the settings are read; returns when the run is over.
void RunSteps() {
    if (packageSettings.showWelcome || packageSettings.showProgress) {
        if (!runState.quiet && !LoadLogo()) {
            ReportFailure(kLogoFailed);
            return;
        }
        if (packageSettings.showWelcome && !runState.quiet && !Greet()) return;
    }
    bool installing = runState.extractDir == 0;
    if (installing && !CheckSystem()) return;
    StartProgressThread();
    if (ExtractPackage() && (!installing || RunInstaller())) return;
    if (runState.cancelState.load() != kCancelConfirmed)
        ReportFailure(kExtractionFailed);
}

void CleanUp() {
    CloseProgressDialog();
    CloseFileHandle(&runState.selfFile);
    CloseFileHandle(&runState.packageGuard);
    if (runState.deleteTempPackage) DeleteFileA(runState.tempPackagePath);
    ReleaseSettings();
}

}  // namespace

void ReleaseSettings() {
    FreeSettingsTexts(&packageSettings);
    FreeBytes(runState.logoImage);
    runState.logoImage = 0;
}

int RunSetup(HINSTANCE instance, HINSTANCE, const char* tail, int) {
    runState.heap = GetProcessHeap();
    runState.instance = instance;
    runState.selfFile = INVALID_HANDLE_VALUE;
    runState.packageFile = INVALID_HANDLE_VALUE;
    runState.packageGuard = INVALID_HANDLE_VALUE;
    InitCommonControls();
    memset(&packageSettings, 0, sizeof packageSettings);
    runState.logoImage = 0;

    if (!ParseCommandLine(tail)) return 0;
    if (!ReadPackageSettings()) {
        if (packageSettings.errorText)
            ReportFailure(kSettingsFailed);
        else
            ReportMessage(0, "Internal Error", "ERROR", kErrorStyle, 1, IDOK,
                          kSettingsFailedEarly);
    } else {
        RunSteps();
    }
    CleanUp();
    return 0;
}
