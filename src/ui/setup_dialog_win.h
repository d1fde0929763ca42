#ifndef BOXLIFT_SETUP_DIALOG_WIN_H
#define BOXLIFT_SETUP_DIALOG_WIN_H

#include <windows.h>

const int kSetupDialogId = 101;
const int kExitCancelButtonId = 1000;
const int kContinueButtonId = 1001;
const int kProgressBarId = 1002;

// The dialog procedure of the setup dialog, in welcome and progress mode.
INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam,
                                 LPARAM lParam);

// The progress thread: shows the dialog in progress mode unless the run is
// quiet or the payload asks for no progress, then marks itself ended.
DWORD WINAPI ProgressThreadMain(LPVOID parameter);

// Ends the progress dialog and its thread if the thread still runs; the
// thread's handle is not closed.
void CloseProgressDialog();

// Inflates the logo resource; true when logoImage, logoInfo and logoBits
// are set.
bool LoadLogo();

#endif
