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

const ExtractionHooks kExtractionHooks = {SetProgressPosition,
                                          CancelConfirmed};

void ReportFailure(int code) {
    ReportMessage(0, packageSettings.errorText, packageSettings.title,
                  kErrorStyle, true, IDOK, code);
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
                          packageSettings.engineDownloadTarget, "", 0,
                          SW_SHOW);
        return false;
    }
    ULONGLONG spaceRequired;
    while (!CheckDiskSpace(payloadState.selfFile, payloadState.packageSize,
                           payloadState.targetDir, &spaceRequired)) {
        if (spaceRequired == 0) {
            ReportFailure(kSpaceNotMeasured);
            return false;
        }
        char* text = ExpandTemplate(packageSettings.diskSpaceText,
                                    payloadState.targetDir[0], spaceRequired);
        if (!text) {
            ReportFailure(kSpaceTextFailed);
            return false;
        }
        int answer = Ask(text, MB_ABORTRETRYIGNORE | MB_ICONHAND, true,
                         IDABORT, kNotEnoughSpace);
        FreeBytes(text);
        if (answer == IDIGNORE) return true;
        if (answer != IDRETRY) return false;
    }
    return true;
}

// The installer on the verified package; the package goes with the
// driver's clean-up once the installer has ended.
bool Install() {
    if (!RunInstaller(payloadState.tempPackagePath, uiState.quiet,
                      CloseProgressDialog))
        return false;
    payloadState.deleteTempPackage = 1;
    return true;
}

// Steps after the settings are read; returns when the run is over.
void RunSteps() {
    if (packageSettings.showWelcome || packageSettings.showProgress) {
        if (!uiState.quiet && !LoadLogo()) {
            ReportFailure(kLogoFailed);
            return;
        }
        if (packageSettings.showWelcome && !uiState.quiet && !Greet()) return;
    }
    bool installing = runState.extractDir == 0;
    if (installing && !CheckSystem()) return;
    StartProgressThread();
    if (ExtractPackage(installing, &kExtractionHooks) &&
        (!installing || Install()))
        return;
    if (!CancelConfirmed(0)) ReportFailure(kExtractionFailed);
}

void CleanUp() {
    CloseProgressDialog();
    ClosePayloadFiles();
    ReleaseSettings();
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

    if (!ParseCommandLine(tail)) return 0;
    if (!ReadPackageSettings(instance, runState.extractDir)) {
        if (packageSettings.errorText)
            ReportFailure(kSettingsFailed);
        else
            ReportMessage(0, "Internal Error", "ERROR", kErrorStyle, true,
                          IDOK, kSettingsFailedEarly);
    } else {
        RunSteps();
    }
    CleanUp();
    return 0;
}
