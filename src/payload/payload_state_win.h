// The payload's part of the run: the own file, the settings read from it
// and the temporary package written from it. The paths are UTF-16, so that
// a folder whose name the ANSI code page cannot hold works as any other.
#ifndef BOXLIFT_PAYLOAD_STATE_WIN_H
#define BOXLIFT_PAYLOAD_STATE_WIN_H

#include <windows.h>

#include <stdint.h>

#include "package_settings.h"
#include "payload/temp_name.h"

struct PayloadState {
    WCHAR selfPath[MAX_PATH];
    HANDLE selfFile;
    WCHAR targetDir[MAX_PATH];
    ULONGLONG packageSize;  // measured by ReadPackageSettings, installing runs

    WCHAR tempPackagePath[MAX_PATH + 4];
    HANDLE packageFile;
    // Held from the verified end of an installing run's extraction until
    // the installer has ended: read access shared with readers only, so
    // that nobody can write, rename or delete the package meanwhile.
    HANDLE packageGuard;
    uint8_t deleteTempPackage;
    TempNameSearch nameSearch;
    uint8_t nameSearchStarted;

    // Why the extraction failed (ExtractionFailure), and the system's error
    // code of a write or create that failed.
    uint8_t extractionFailure;
    DWORD writeError;
};

enum ExtractionFailure {
    kExtractionFailedOtherwise = 0,
    kExtractionCancelled,
    kPayloadDamaged,     // a record is malformed or does not inflate
    kPackageNotWritten,  // creating or writing the package failed
    kPackageChanged,     // the guard read other bytes than were written
};

// Zero at load; the driver sets the three file handles to
// INVALID_HANDLE_VALUE before anything else runs.
extern PayloadState payloadState;

// The run's settings, read once by ReadPackageSettings and freed by the
// driver's clean-up.
extern PackageSettings packageSettings;

#endif
