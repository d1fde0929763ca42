// Stand-in: the dialog procedure handles nothing and no logo is loaded; the
// progress thread runs its bookkeeping without a dialog.
#include "ui/setup_dialog.h"

#include "startup/run_state.h"

INT_PTR CALLBACK SetupDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

DWORD WINAPI ProgressThreadMain(LPVOID) {
    runState.dialogMode.store(kProgressMode);
    runState.progressThread.store(0);
    runState.cancelState.store(kDialogFinished);
    return 0;
}

bool LoadLogo() { return true; }
