// File helpers shared by the launcher's steps.
#ifndef BOXLIFT_FILES_WIN_H
#define BOXLIFT_FILES_WIN_H

#include <windows.h>

#include <stdint.h>

// Whether path can be opened for reading (shared with other readers).
bool CanOpenForReading(const char* path);
bool CanOpenForReading(const WCHAR* path);

// Reads up to size bytes from file at its current position; returns the
// count read.
uint32_t ReadFromFile(HANDLE file, void* buffer, uint32_t size);

// Moves the file pointer of file size bytes on; true on success.
bool SkipInFile(HANDLE file, uint32_t size);

// Closes *handle if it is open and sets it to INVALID_HANDLE_VALUE.
void CloseFileHandle(HANDLE* handle);

#endif
