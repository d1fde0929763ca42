// Stand-in: message boxes in an interactive run, the preset answer in a
// quiet one; no error log yet. The template comes back unexpanded.
#include "ui/messages.h"

#include "common/memory.h"
#include "startup/run_state.h"

int ReportMessage(HWND owner, const char* text, const char* caption,
                  UINT style, BYTE, int quietAnswer, int) {
    if (!runState.quiet) return MessageBoxA(owner, text, caption, style);
    return quietAnswer;
}

char* ExpandMessageTemplate(const char* messageTemplate) {
    DWORD length = lstrlenA(messageTemplate) + 1;
    char* text = (char*)AllocBytes(length);
    if (text) memcpy(text, messageTemplate, length);
    return text;
}
