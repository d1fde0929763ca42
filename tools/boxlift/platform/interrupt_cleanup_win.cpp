// The interruption handler on console events, for boxlift.exe.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <mutex>

#include "platform/interrupt_cleanup.h"

namespace boxlift {
namespace {

// Runs on a thread of its own while the others go on. A temporary file is
// open with FILE_SHARE_DELETE, so DeleteFileW succeeds and the file goes
// when the process's handles close.
BOOL WINAPI OnConsoleEvent(DWORD) {
    RemoveHeldFiles();
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

}  // namespace

void InstallInterruptHandlers() {
    static std::once_flag installed;
    std::call_once(installed, [] { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); });
}

void RemoveFileOnInterrupt(const wchar_t* path) noexcept { DeleteFileW(path); }

}  // namespace boxlift
