#ifndef BOXLIFT_SETUP_DIALOG_WIN_H
#define BOXLIFT_SETUP_DIALOG_WIN_H

#include <windows.h>

#include "resource_ids.h"

// The dialog procedure of the setup dialog, in welcome and progress mode.
INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam,
                                 LPARAM lParam);

// The progress thread: shows the dialog in progress mode unless the run is
// quiet, the payload asks for no progress or the dialog was already asked
// to end.
DWORD WINAPI ProgressThreadMain(LPVOID parameter);

// Ends the progress dialog on its own thread and waits, for a bounded
// time, for the progress thread to end; only a thread that does not end in
// time is terminated. Does nothing once the thread has ended. The thread's
// handle is not closed.
void CloseProgressDialog();

// Inflates the logo resource; true when logoImage, logoInfo and logoBits
// are set.
bool LoadLogo();

#endif
