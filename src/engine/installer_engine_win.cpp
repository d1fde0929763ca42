#include "engine/installer_engine_win.h"

#include "common/files_win.h"
#include "engine/engine_version.h"
#include "memory_hook.h"

namespace {

// System directory + one file name; MAX_PATH for the directory itself.
const DWORD kPathBufferSize = MAX_PATH + 32;

// Writes the system directory followed by name into path. A result of
// MAX_PATH or more is the size the path would need: a failure here.
bool SystemFilePath(char* path, const char* name) {
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    lstrcpyA(path + length, name);
    return true;
}

typedef DWORD(WINAPI* VersionInfoSizeFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* VersionInfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* QueryValueFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);

struct VersionApi {
    VersionInfoSizeFn infoSize;
    VersionInfoFn info;
    QueryValueFn queryValue;
};

// Reads dwProductVersionMS of the file at path through the version API.
bool ReadProductVersion(const VersionApi& api, const char* path,
                        DWORD* productVersionMS) {
    DWORD size = api.infoSize(path, 0);
    if (size == 0) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    void* data = block ? GlobalLock(block) : 0;
    bool ok = false;
    VS_FIXEDFILEINFO* fixed;
    UINT fixedLength;
    if (data && api.info(path, 0, size, data) &&
        api.queryValue(data, "\\", (LPVOID*)&fixed, &fixedLength)) {
        *productVersionMS = fixed->dwProductVersionMS;
        ok = true;
    }
    if (block) {
        GlobalUnlock(block);
        GlobalFree(block);
    }
    return ok;
}

// VERSION is loaded from the system directory by its full path: a bare
// name would return any module of that name already mapped, such as a
// planted copy beside the executable.
bool ReadEngineVersion(const char* msiPath, DWORD* productVersionMS) {
    char libraryPath[kPathBufferSize];
    if (!SystemFilePath(libraryPath, "\\version.dll")) return false;
    HMODULE library = LoadLibraryA(libraryPath);
    if (!library) return false;
    VersionApi api = {
        (VersionInfoSizeFn)GetProcAddress(library, "GetFileVersionInfoSizeA"),
        (VersionInfoFn)GetProcAddress(library, "GetFileVersionInfoA"),
        (QueryValueFn)GetProcAddress(library, "VerQueryValueA")};
    bool ok = api.infoSize && api.info && api.queryValue &&
              ReadProductVersion(api, msiPath, productVersionMS);
    FreeLibrary(library);
    return ok;
}

}  // namespace

bool CheckInstallerEngine(const char* requiredVersion) {
    char path[kPathBufferSize];
    if (!SystemFilePath(path, "\\msiexec.exe") || !CanOpenForReading(path))
        return false;
    if (!SystemFilePath(path, "\\msi.dll") || !CanOpenForReading(path))
        return false;
    DWORD productVersionMS;
    if (!ReadEngineVersion(path, &productVersionMS)) return false;
    return requiredVersion &&
           EngineVersionMeets(productVersionMS, requiredVersion);
}

bool CheckDiskSpace(HANDLE selfFile, ULONGLONG packageSize,
                    const WCHAR* targetDir, ULONGLONG* spaceRequired) {
    *spaceRequired = 0;
    if (selfFile == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD low = GetFileSize(selfFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    ULONGLONG needed = (ULONGLONG)high << 32 | low;
    // A well-compressed package needs more room than the executable.
    if (packageSize > needed) needed = packageSize;

    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExW(targetDir, &available, &total, &totalFree))
        return false;
    if (needed <= available.QuadPart) return true;
    *spaceRequired = needed;
    return false;
}

bool RunInstaller(const WCHAR* packagePath, bool quiet, const char* arguments,
                  void (*installerReady)(), DWORD* exitCode) {
    WCHAR program[kPathBufferSize];
    UINT length = GetSystemDirectoryW(program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    lstrcpyW(program + length, L"\\msiexec.exe");
    // "program" /i "package" arguments: both paths quoted, since either may
    // hold spaces; the full program path also goes in as the application
    // name, so that no search can start another program. The arguments
    // are ANSI, as on the command line they came from.
    if (!arguments) arguments = "";
    int argumentsLength =
        MultiByteToWideChar(CP_ACP, 0, arguments, -1, 0, 0);  // with the NUL
    WCHAR* commandLine = (WCHAR*)AllocBytes(
        (2 * kPathBufferSize + 16 + argumentsLength) * sizeof(WCHAR));
    if (!commandLine) return false;
    WCHAR* end = commandLine;
    *end++ = '"';
    lstrcpyW(end, program);
    lstrcatW(end, quiet ? L"\" /q /i \"" : L"\" /i \"");
    lstrcatW(end, packagePath);
    lstrcatW(end, L"\"");
    end += lstrlenW(end);
    MultiByteToWideChar(CP_ACP, 0, arguments, -1, end, argumentsLength);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    bool started =
        CreateProcessW(program, commandLine, 0, 0, TRUE, NORMAL_PRIORITY_CLASS,
                       0, 0, &startup, &process) != 0;
    FreeBytes(commandLine);
    if (!started) return false;
    WaitForInputIdle(process.hProcess, INFINITE);
    installerReady();
    WaitForSingleObject(process.hProcess, INFINITE);
    if (!GetExitCodeProcess(process.hProcess, exitCode))
        *exitCode = ERROR_INSTALL_FAILURE;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}
