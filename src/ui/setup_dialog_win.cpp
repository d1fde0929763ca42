// The dialog procedure and the logo are stand-ins: the procedure handles
// nothing and no logo is loaded; the progress thread runs its bookkeeping
// without a dialog.
#include "ui/setup_dialog_win.h"

#include "startup/run_state_win.h"

INT_PTR CALLBACK SetupDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

DWORD WINAPI ProgressThreadMain(LPVOID) {
    runState.dialogMode.store(kProgressMode);
    runState.progressThread.store(0);
    runState.cancelState.store(kDialogFinished);
    return 0;
}

void CloseProgressDialog() {
    HANDLE thread = runState.progressThread.load();
    if (!thread) return;
    EndDialog(runState.dialogWindow.load(), 1);
    TerminateThread(thread, 0);
    runState.progressThread.store(0);
}

bool LoadLogo() { return true; }
