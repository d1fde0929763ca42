#ifndef BOXLIFT_SETUP_DIALOG_WIN_H
#define BOXLIFT_SETUP_DIALOG_WIN_H

#include <windows.h>

#include <stdint.h>

#include "resource_ids.h"

// Whether the run shows the setup dialog: not in a quiet run, except with
// /passive, whose progress dialog is shown.
bool DialogsShown();

// Shows the setup dialog in welcome mode on the calling thread; true when
// the user chose Continue.
bool RunWelcomeDialog();

// Starts the progress thread, which shows the dialog in progress mode
// unless the run is quiet, the payload asks for no progress or the dialog
// was already asked to end. False when no thread can be started.
bool StartProgressThread();

// Ends the progress dialog on its own thread and waits, for a bounded
// time, for the progress thread to end; only a thread that does not end in
// time is terminated. Does nothing once the thread has ended. The thread's
// handle is not closed.
void CloseProgressDialog();

// Extraction's hooks (context unused): the bar's position, from any
// thread, and whether the user has confirmed a cancel.
void SetProgressPosition(void* context, uint32_t position);
int CancelConfirmed(void* context);

// Ends the chance to cancel, once nothing but the installer is left to do:
// Cancel, Esc and the close box do nothing from here on, and an open cancel
// question is closed unanswered. Returns whether a cancel was confirmed
// before, which the run then honours like one during extraction.
bool CloseCancel();

// Inflates the logo resource; true when logoImage, logoInfo and logoBits
// are set. ReleaseLogo frees it again; safe when nothing was loaded.
bool LoadLogo();
void ReleaseLogo();

#endif
