// The control case of the DLL-planting test: loads version.dll by its bare
// name and calls into it, which a planted copy must record.
#include <windows.h>

int main() {
    HMODULE library = LoadLibraryA("version.dll");
    if (!library) return 2;
    typedef DWORD(WINAPI * SizeFn)(LPCSTR, LPDWORD);
    SizeFn size = (SizeFn)(void*)GetProcAddress(library, "GetFileVersionInfoSizeA");
    if (!size) return 3;
    return size("C:\\windows\\system32\\msi.dll", 0) != 0 ? 0 : 4;
}
