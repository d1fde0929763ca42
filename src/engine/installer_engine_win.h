#ifndef BOXLIFT_INSTALLER_ENGINE_WIN_H
#define BOXLIFT_INSTALLER_ENGINE_WIN_H

#include <windows.h>

// 1 when msiexec.exe and msi.dll are present and msi.dll is at least the
// version the payload requires.
int CheckInstallerEngine();

// 1 when the drive of targetDir has room for the larger of the own file and
// the package size ReadPackageSettings measured; otherwise 0, with spaceRequired
// the bytes needed, or 0 when the free space could not be measured.
int CheckDiskSpace();

// Starts msiexec.exe on the package, closes the progress dialog once the
// installer is ready for input, waits for it to end and deletes the
// package. False when the installer cannot be started.
BYTE RunInstaller();

#endif
