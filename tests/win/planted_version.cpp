// A planted version.dll for the DLL-planting test. It forwards every call
// to the real library in the system directory and records, in the file
// named by BOXLIFT_PLANT_LOG, each process it is mapped in and every call
// that comes from a main executable's own code.
#include <windows.h>

#include <stdio.h>

namespace {

HMODULE realLibrary;

void Record(const char* what) {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("BOXLIFT_PLANT_LOG", path, sizeof path)) return;
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (log == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(log, what, lstrlenA(what), &written, 0);
    WriteFile(log, "\n", 1, &written, 0);
    CloseHandle(log);
}

bool InMainExecutable(void* address) {
    BYTE* base = (BYTE*)GetModuleHandleA(0);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    return (BYTE*)address >= base && (BYTE*)address < base + nt->OptionalHeader.SizeOfImage;
}

// The file name of the process's executable, without its directory.
const char* ExecutableName() {
    static char path[MAX_PATH];
    GetModuleFileNameA(0, path, sizeof path);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\') name = p + 1;
    return name;
}

FARPROC Real(const char* name, void* caller) {
    if (InMainExecutable(caller)) {
        char line[MAX_PATH + 64];
        wsprintfA(line, "called %s from %s", name, ExecutableName());
        Record(line);
    }
    if (!realLibrary) {
        char path[MAX_PATH + 16];
        GetSystemDirectoryA(path, MAX_PATH);
        lstrcatA(path, "\\version.dll");
        realLibrary = LoadLibraryA(path);
    }
    return realLibrary ? GetProcAddress(realLibrary, name) : 0;
}

}  // namespace

// Every export of version.dll, forwarded with the caller's return address.
#define FORWARD(ret, name, params, args)                               \
    extern "C" ret WINAPI name params {                                \
        typedef ret(WINAPI* Fn) params;                                \
        Fn real = (Fn)(void*)Real(#name, __builtin_return_address(0)); \
        return real ? real args : (ret)0;                              \
    }

FORWARD(BOOL, GetFileVersionInfoA, (LPCSTR a, DWORD b, DWORD c, LPVOID d), (a, b, c, d))
FORWARD(BOOL, GetFileVersionInfoW, (LPCWSTR a, DWORD b, DWORD c, LPVOID d), (a, b, c, d))
FORWARD(BOOL, GetFileVersionInfoExA, (DWORD f, LPCSTR a, DWORD b, DWORD c, LPVOID d),
        (f, a, b, c, d))
FORWARD(BOOL, GetFileVersionInfoExW, (DWORD f, LPCWSTR a, DWORD b, DWORD c, LPVOID d),
        (f, a, b, c, d))
FORWARD(DWORD, GetFileVersionInfoSizeA, (LPCSTR a, LPDWORD b), (a, b))
FORWARD(DWORD, GetFileVersionInfoSizeW, (LPCWSTR a, LPDWORD b), (a, b))
FORWARD(DWORD, GetFileVersionInfoSizeExA, (DWORD f, LPCSTR a, LPDWORD b), (f, a, b))
FORWARD(DWORD, GetFileVersionInfoSizeExW, (DWORD f, LPCWSTR a, LPDWORD b), (f, a, b))
FORWARD(DWORD, VerFindFileA,
        (DWORD a, LPSTR b, LPSTR c, LPSTR d, LPSTR e, PUINT f, LPSTR g, PUINT h),
        (a, b, c, d, e, f, g, h))
FORWARD(DWORD, VerFindFileW,
        (DWORD a, LPWSTR b, LPWSTR c, LPWSTR d, LPWSTR e, PUINT f, LPWSTR g, PUINT h),
        (a, b, c, d, e, f, g, h))
FORWARD(DWORD, VerInstallFileA,
        (DWORD a, LPSTR b, LPSTR c, LPSTR d, LPSTR e, LPSTR f, LPSTR g, PUINT h),
        (a, b, c, d, e, f, g, h))
FORWARD(DWORD, VerInstallFileW,
        (DWORD a, LPWSTR b, LPWSTR c, LPWSTR d, LPWSTR e, LPWSTR f, LPWSTR g, PUINT h),
        (a, b, c, d, e, f, g, h))
FORWARD(DWORD, VerLanguageNameA, (DWORD a, LPSTR b, DWORD c), (a, b, c))
FORWARD(DWORD, VerLanguageNameW, (DWORD a, LPWSTR b, DWORD c), (a, b, c))
FORWARD(BOOL, VerQueryValueA, (LPCVOID a, LPCSTR b, LPVOID* c, PUINT d), (a, b, c, d))
FORWARD(BOOL, VerQueryValueW, (LPCVOID a, LPCWSTR b, LPVOID* c, PUINT d), (a, b, c, d))

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char line[MAX_PATH + 16];
        wsprintfA(line, "mapped in %s", ExecutableName());
        Record(line);
    }
    return TRUE;
}
