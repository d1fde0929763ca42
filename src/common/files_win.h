// File helpers shared by the launcher's steps.
#ifndef BOXLIFT_FILES_WIN_H
#define BOXLIFT_FILES_WIN_H

#include <windows.h>

#include <stdint.h>

// Whether path can be opened for reading (shared with other readers).
bool CanOpenForReading(const char* path);

// Reads up to size bytes from the own file at its current position; returns
// the count read. Fits the read hook of a chunk stream (context unused).
uint32_t ReadSelf(void* context, void* buffer, uint32_t size);

// Closes *handle if it is open and sets it to INVALID_HANDLE_VALUE.
void CloseFileHandle(HANDLE* handle);

#endif
