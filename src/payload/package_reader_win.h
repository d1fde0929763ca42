#ifndef BOXLIFT_PACKAGE_READER_WIN_H
#define BOXLIFT_PACKAGE_READER_WIN_H

#include "chunk_stream.h"
#include "package_settings.h"

// The run's settings, read once by ReadPackageSettings and freed by the
// driver's clean-up.
extern PackageSettings packageSettings;

// Opens the executable's own file, finds the payload, copies its settings
// into packageSettings, leaves the own-file handle on the first byte of the
// chunk stream and chooses targetDir. 1 on success, 0 on failure; shows
// nothing. On failure the own-file handle and the copied texts are left for
// the driver's clean-up. An installing run also sets packageSize.
int ReadPackageSettings();

// The own file, from its current position, as a chunk-stream source.
ByteSource SelfFileSource();

#endif
