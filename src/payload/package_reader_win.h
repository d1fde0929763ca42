#ifndef BOXLIFT_PACKAGE_READER_WIN_H
#define BOXLIFT_PACKAGE_READER_WIN_H

#include <windows.h>

#include "chunk_stream.h"

// Opens the executable's own file (of module instance), finds the payload,
// copies its settings into packageSettings, leaves the own-file handle on
// the first byte of the chunk stream and chooses targetDir: extractDir, or
// the temporary directory for an installing run (extractDir none), which
// also sets packageSize. Shows nothing. On failure the own-file handle and
// the copied texts are left for the driver's clean-up.
bool ReadPackageSettings(HINSTANCE instance, const char* extractDir);

// The own file, from its current position, as a chunk-stream source.
ByteSource SelfFileSource();

// Closes the own file and the package guard if they are open, and deletes
// the temporary package when it is marked for deletion.
void ClosePayloadFiles();

#endif
