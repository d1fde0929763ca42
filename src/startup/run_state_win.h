// The launcher's process-wide state. One run per process: everything the
// steps share lives here, and the driver's clean-up releases it.
#ifndef BOXLIFT_RUN_STATE_WIN_H
#define BOXLIFT_RUN_STATE_WIN_H

#include <windows.h>

#include <atomic>

#include "payload/temp_name.h"

// CancelState values. Readers only ever test for kCancelConfirmed.
const LONG kCancelCleared = 0;
const LONG kCancelConfirmed = 2;
const LONG kDialogFinished = 3;

// dialogMode values.
const LONG kProgressMode = 1;
const LONG kWelcomeMode = 2;

struct RunState {
    HANDLE heap;
    HINSTANCE instance;

    uint8_t quiet;
    const char* extractDir;

    char selfPath[MAX_PATH];
    HANDLE selfFile;
    char targetDir[MAX_PATH];
    ULONGLONG packageSize;  // measured by ReadPackageSettings, installing runs

    char tempPackagePath[MAX_PATH + 4];
    HANDLE packageFile;
    // Held from the verified end of an installing run's extraction until
    // the installer has ended: read access shared with readers only, so
    // that nobody can write, rename or delete the package meanwhile.
    HANDLE packageGuard;
    uint8_t deleteTempPackage;
    TempNameSearch nameSearch;
    uint8_t nameSearchStarted;

    ULONGLONG spaceRequired;

    // Shared with the progress thread: each one word, read and written whole.
    std::atomic<HWND> dialogWindow;
    std::atomic<LONG> dialogMode;
    // Set by the driver, cleared by CloseProgressDialog: whether the thread
    // has ended is read from the handle itself.
    std::atomic<HANDLE> progressThread;
    DWORD progressThreadId;
    std::atomic<LONG> progressEndRequested;
    std::atomic<LONG> cancelState;

    uint8_t* logoImage;
    BITMAPINFO* logoInfo;
    const void* logoBits;
};

// Zero at load; the driver sets the two file handles to
// INVALID_HANDLE_VALUE before anything else runs.
extern RunState runState;

#endif
