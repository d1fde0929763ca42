#ifndef BOXLIFT_INSTALLER_ENGINE_WIN_H
#define BOXLIFT_INSTALLER_ENGINE_WIN_H

#include <windows.h>

// True when msiexec.exe and msi.dll are present and msi.dll is at least
// requiredVersion (the settings' two version bytes; none fails).
bool CheckInstallerEngine(const char* requiredVersion);

// True when the drive of targetDir has room for the larger of the file
// behind selfFile and packageSize. Otherwise false, with *spaceRequired the
// bytes needed, or 0 when the free space could not be measured.
bool CheckDiskSpace(HANDLE selfFile, ULONGLONG packageSize,
                    const WCHAR* targetDir, ULONGLONG* spaceRequired);

// Starts msiexec.exe on the package (quiet: with its own quiet switch in
// front of /i; arguments, none or a text starting with a space, behind the
// package), calls installerReady once the installer is ready for input,
// waits for it to end and sets *exitCode to the installer's exit code.
// False when the installer cannot be started.
bool RunInstaller(const WCHAR* packagePath, bool quiet, const char* arguments,
                  void (*installerReady)(), DWORD* exitCode);

#endif
