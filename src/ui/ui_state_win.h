// The user interface's part of the run: how the run talks to the user, and
// what the main thread and the progress thread share.
#ifndef BOXLIFT_UI_STATE_WIN_H
#define BOXLIFT_UI_STATE_WIN_H

#include <windows.h>

#include <stdint.h>

#include <atomic>

// cancelState values. Readers only ever test for kCancelConfirmed.
const LONG kCancelCleared = 0;
const LONG kCancelConfirmed = 2;
const LONG kDialogFinished = 3;

// dialogMode values.
const LONG kProgressMode = 1;
const LONG kWelcomeMode = 2;

struct UiState {
    // Set by the start-up before anything is shown: the module whose
    // resources the dialogs use, and whether the run shows no window at
    // all (/q and /e: every message then takes its quiet answer).
    HINSTANCE instance;
    uint8_t quiet;
    // /passive: quiet, but with the progress dialog, whose Cancel then
    // cancels at once.
    uint8_t passive;
    // Where log lines go: none for error.log in the current directory,
    // written in quiet runs only; a /log file takes every run's lines.
    const char* logPath;

    // Shared with the progress thread: each one word, read and written whole.
    std::atomic<HWND> dialogWindow;
    std::atomic<LONG> dialogMode;
    // Set by StartProgressThread, cleared by CloseProgressDialog: whether
    // the thread has ended is read from the handle itself.
    std::atomic<HANDLE> progressThread;
    DWORD progressThreadId;
    std::atomic<LONG> progressEndRequested;
    std::atomic<LONG> cancelState;
    std::atomic<LONG> cancelClosed;  // set by CloseCancel
    // The bar position last sent to the dialog; the extraction's thread's own.
    uint32_t shownPosition;

    uint8_t* logoImage;
    BITMAPINFO* logoInfo;
    const void* logoBits;
};

// Zero at load.
extern UiState uiState;

#endif
