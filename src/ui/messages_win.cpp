#include "ui/messages_win.h"

#include "memory_hook.h"
#include "ui/log_line.h"
#include "ui/ui_state_win.h"

namespace {

// Appends one line to the log (error.log in the current directory, or the
// /log file). A log that
// cannot be opened, or a line that cannot be built or written, is lost
// without notice: the run goes on as if it had been written.
void AppendLogLine(const char* caption, const char* text, int code) {
    HANDLE log =
        CreateFileA(uiState.logPath ? uiState.logPath : "error.log",
                    GENERIC_WRITE, 0, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (log == INVALID_HANDLE_VALUE) return;
    SetFilePointer(log, 0, 0, FILE_END);
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
    char* line = (char*)AllocBytes(LogLineCapacity(caption, text));
    if (line) {
        DWORD written;
        WriteFile(log, line, FormatLogLine(line, time, caption, text, code),
                  &written, 0);
        FreeBytes(line);
    }
    CloseHandle(log);
}

}  // namespace

int ReportMessage(HWND owner, const char* text, const char* caption, UINT style,
                  bool writeLog, int quietAnswer, int code) {
    if (writeLog && (uiState.quiet || uiState.logPath))
        AppendLogLine(caption, text, code);
    if (uiState.quiet) return quietAnswer;
    return MessageBoxA(owner, text, caption, style);
}
