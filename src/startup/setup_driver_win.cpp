#include "startup/setup_driver_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "engine/installer_engine_win.h"
#include "memory_hook.h"
#include "payload/extract_win.h"
#include "payload/package_reader_win.h"
#include "payload/payload_state_win.h"
#include "settings_block.h"
#include "startup/command_line_win.h"
#include "startup/run_state_win.h"
#include "ui/message_template.h"
#include "ui/messages_win.h"
#include "ui/setup_dialog_win.h"
#include "ui/ui_state_win.h"

RunState runState;

namespace {

const UINT kErrorStyle = MB_OK | MB_ICONHAND;

const ExtractionHooks kExtractionHooks = {SetProgressPosition, CancelConfirmed};

// The outcome a deployment command line's run ends with, when msiexec has
// not given one.
void SetExitCode(DWORD code) { runState.exitCode = code; }

void ReportFailure(int code, DWORD exitCode) {
    ReportMessage(0, packageSettings.errorText, packageSettings.title,
                  kErrorStyle, true, IDOK, code);
    SetExitCode(exitCode);
}

int Ask(const char* text, UINT style, bool writeLog, int quietAnswer,
        int code) {
    return ReportMessage(0, text, packageSettings.title, style, writeLog,
                         quietAnswer, code);
}

// The greeting: true to go on.
bool Greet() {
    if (!packageSettings.welcomeAsDialog)
        return Ask(packageSettings.welcomeText, MB_YESNO | MB_ICONINFORMATION,
                   false, IDYES, kWelcomeQuestion) == IDYES;
    return RunWelcomeDialog();
}

// The engine and disk-space checks of an installing run: true to go on.
bool CheckSystem() {
    if (!CheckInstallerEngine(packageSettings.requiredEngineVersion)) {
        if (Ask(packageSettings.engineMissingText,
                MB_YESNO | MB_ICONEXCLAMATION, true, IDNO,
                kEngineMissing) == IDYES)
            ShellExecuteA(GetDesktopWindow(), "open",
                          packageSettings.engineDownloadTarget, "", 0, SW_SHOW);
        SetExitCode(ERROR_INSTALL_PACKAGE_VERSION);
        return false;
    }
    ULONGLONG spaceRequired;
    while (!CheckDiskSpace(payloadState.selfFile, payloadState.packageSize,
                           payloadState.targetDir, &spaceRequired)) {
        if (spaceRequired == 0) {
            ReportFailure(kSpaceNotMeasured, ERROR_INSTALL_FAILURE);
            return false;
        }
        char* text =
            ExpandTemplate(packageSettings.diskSpaceText,
                           (char)payloadState.targetDir[0], spaceRequired);
        if (!text) {
            ReportFailure(kSpaceTextFailed, ERROR_INSTALL_FAILURE);
            return false;
        }
        int answer = Ask(text, MB_ABORTRETRYIGNORE | MB_ICONHAND, true, IDABORT,
                         kNotEnoughSpace);
        FreeBytes(text);
        if (answer == IDIGNORE) return true;
        if (answer != IDRETRY) {
            SetExitCode(ERROR_DISK_FULL);
            return false;
        }
    }
    return true;
}

// The installer on the verified package; the package goes with the
// driver's clean-up once the installer has ended, or at once when a cancel
// was confirmed while it was being verified.
bool Install() {
    if (CloseCancel()) {
        payloadState.deleteTempPackage = 1;
        return false;
    }
    // The classic /q goes in front of /i; a deployment command line brings
    // its own switches.
    bool quiet = uiState.quiet && !runState.deployment;
    if (!RunInstaller(payloadState.tempPackagePath, quiet,
                      runState.installerArguments, CloseProgressDialog,
                      &runState.exitCode))
        return false;
    payloadState.deleteTempPackage = 1;
    return true;
}

// The outcome of a failed extraction, as deployment tools know it.
DWORD ExtractionExitCode() {
    switch (payloadState.extractionFailure) {
    case kPayloadDamaged:
        return ERROR_INSTALL_PACKAGE_INVALID;
    case kPackageNotWritten:
        if (payloadState.writeError == ERROR_DISK_FULL ||
            payloadState.writeError == ERROR_HANDLE_DISK_FULL)
            return ERROR_DISK_FULL;
        if (payloadState.writeError) return payloadState.writeError;
        return ERROR_INSTALL_FAILURE;
    default:
        return ERROR_INSTALL_FAILURE;
    }
}

// Steps after the settings are read; returns when the run is over.
void RunSteps() {
    if (packageSettings.showWelcome || packageSettings.showProgress) {
        if (DialogsShown() && !LoadLogo()) {
            ReportFailure(kLogoFailed, ERROR_INSTALL_FAILURE);
            return;
        }
        if (packageSettings.showWelcome && !uiState.quiet && !Greet()) {
            SetExitCode(ERROR_INSTALL_USEREXIT);
            return;
        }
    }
    bool installing = runState.extractDir == 0;
    if (installing && !CheckSystem()) return;
    StartProgressThread();
    bool extracted = ExtractPackage(installing, &kExtractionHooks);
    if (extracted && (!installing || Install())) return;
    if (CancelConfirmed(0))
        SetExitCode(ERROR_INSTALL_USEREXIT);
    else
        ReportFailure(kExtractionFailed, extracted
                                             ? ERROR_INSTALL_SERVICE_FAILURE
                                             : ExtractionExitCode());
}

void CleanUp() {
    CloseProgressDialog();
    ClosePayloadFiles();
    ReleaseSettings();
    uiState.logPath = 0;
    ReleaseDeploymentLine(&runState.line);
    FreeBytes(runState.installerArguments);
}

}  // namespace

void ReleaseSettings() {
    FreeSettingsTexts(&packageSettings);
    ReleaseLogo();
}

int RunSetup(HINSTANCE instance, HINSTANCE, const char* tail, int) {
    uiState.instance = instance;
    payloadState.selfFile = INVALID_HANDLE_VALUE;
    payloadState.packageFile = INVALID_HANDLE_VALUE;
    payloadState.packageGuard = INVALID_HANDLE_VALUE;
    InitCommonControls();
    memset(&packageSettings, 0, sizeof packageSettings);

    if (!ParseCommandLine(tail)) return (int)runState.exitCode;
    if (!ReadPackageSettings(instance, runState.extractDir)) {
        if (packageSettings.errorText)
            ReportFailure(kSettingsFailed, ERROR_INSTALL_PACKAGE_INVALID);
        else
            ReportMessage(0, "Internal Error", "ERROR", kErrorStyle, true, IDOK,
                          kSettingsFailedEarly);
        SetExitCode(ERROR_INSTALL_PACKAGE_INVALID);
    } else {
        RunSteps();
    }
    CleanUp();
    return runState.deployment ? (int)runState.exitCode : 1;
}
