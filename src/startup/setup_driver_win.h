#ifndef BOXLIFT_SETUP_DRIVER_WIN_H
#define BOXLIFT_SETUP_DRIVER_WIN_H

#include <windows.h>

// The whole run: switches, settings, greeting, checks, extraction and the
// installer, always ending with the same clean-up. Returns the process's
// exit code: 1 for the classic command lines, the installer's or the
// launcher's own outcome for a deployment command line.
int RunSetup(HINSTANCE instance, HINSTANCE previous, const char* tail,
             int showCommand);

// Frees the settings texts and the logo; safe when nothing was allocated.
void ReleaseSettings();

#endif
