#include "ui/setup_dialog_win.h"

#include <commctrl.h>

#include "memory_hook.h"
#include "payload/inflate_chunk.h"
#include "payload/payload_state_win.h"
#include "ui/logo.h"
#include "ui/messages_win.h"
#include "ui/ui_state_win.h"

UiState uiState;

namespace {

// Posted to the progress dialog to make it end on its own thread: EndDialog
// belongs to the thread that runs the dialog.
const UINT kEndProgressDialog = WM_APP + 1;
// Sent to the progress dialog by CloseCancel.
const UINT kCloseCancel = WM_APP + 2;

// How long the main thread waits for the progress thread to end. A thread
// that is not stuck ends within milliseconds, also on a loaded machine;
// terminating one instead can leave a loader or heap lock held for good, so
// the wait is generous and the termination only a last resort.
const DWORD kProgressThreadEndWait = 5000;

const COLORREF kBarBackground = RGB(230, 230, 230);

// The white panel above the buttons, and where the heading and the body
// text go on it.
const RECT kPanel = {0, 0, 500, 314};
const RECT kHeadingBox = {180, 22, 470, 85};
const RECT kBodyBox = {180, 90, 470, 180};

const char* BodyText() {
    return uiState.dialogMode.load() == kProgressMode
               ? packageSettings.progressText
               : packageSettings.welcomeText;
}

void InitDialog(HWND window) {
    uiState.dialogWindow.store(window);
    SetWindowTextA(window, packageSettings.title);
    if (uiState.dialogMode.load() == kProgressMode) {
        SetDlgItemTextA(window, IDC_EXIT_CANCEL, packageSettings.cancelCaption);
        SendDlgItemMessageA(window, IDC_PROGRESS_BAR, CCM_SETBKCOLOR, 0,
                            kBarBackground);
        SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_SETRANGE, 0,
                            MAKELPARAM(0, 100));
        SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_SETPOS, 5, 0);
        ShowWindow(GetDlgItem(window, IDC_CONTINUE), SW_HIDE);
        // The main thread may have asked for the end before this window
        // existed to receive the request.
        if (uiState.progressEndRequested.load())
            PostMessageA(window, kEndProgressDialog, 0, 0);
    } else {
        SetDlgItemTextA(window, IDC_CONTINUE, packageSettings.continueCaption);
        SetDlgItemTextA(window, IDC_EXIT_CANCEL, packageSettings.exitCaption);
        ShowWindow(GetDlgItem(window, IDC_PROGRESS_BAR), SW_HIDE);
    }
    uiState.cancelState.store(kCancelCleared);
}

// The cancel question runs on the progress thread; extraction goes on
// meanwhile and sees a Yes after its current record.
void AskCancel(HWND window) {
    if (ReportMessage(window, packageSettings.cancelQuestion,
                      packageSettings.title, MB_YESNO | MB_ICONEXCLAMATION, 0,
                      IDYES, kNotEnoughSpace) == IDYES)
        uiState.cancelState.store(kCancelConfirmed);
}

BOOL CALLBACK EndOwnedQuestion(HWND candidate, LPARAM owner) {
    if (GetWindow(candidate, GW_OWNER) == (HWND)owner)
        EndDialog(candidate, IDNO);
    return TRUE;
}

// An open cancel question is answered No first: the dialog's own loop can
// end only once the question's loop has.
void EndProgressDialog(HWND window) {
    EnumThreadWindows(GetCurrentThreadId(), EndOwnedQuestion, (LPARAM)window);
    EndDialog(window, 1);
}

INT_PTR OnCommand(HWND window, WPARAM wParam) {
    if (HIWORD(wParam) != 0) return 0;
    int id = LOWORD(wParam);
    bool progress = uiState.dialogMode.load() == kProgressMode;
    if (id == IDCANCEL || id == IDC_EXIT_CANCEL) {
        if (!progress)
            EndDialog(window, 0);
        else if (uiState.cancelClosed.load())
            return 1;  // the installer is on its way
        else if (uiState.passive)
            uiState.cancelState.store(kCancelConfirmed);
        else
            AskCancel(window);
        return 1;
    }
    if (id == IDC_CONTINUE) {
        EndDialog(window, 1);
        return 1;
    }
    return 0;
}

// Draws text (none draws nothing) in a font made for this paint only. The
// font's character set is the system's, like the dialog font's: the texts
// are in the ANSI code page the setup was built for, which need not be
// Western.
void DrawLabel(HDC dc, const char* text, int height, int weight,
               const char* face, RECT rect) {
    if (!text) return;
    HFONT font =
        CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    HGDIOBJ previous = SelectObject(dc, font);
    DrawTextA(dc, text, -1, &rect, DT_WORDBREAK);
    SelectObject(dc, previous);
    DeleteObject(font);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &kPanel, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, 0, 312, 0);
    LineTo(dc, 500, 312);
    SelectObject(dc, previousPen);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetMapMode(dc, MM_TEXT);
    // Drawn after the line: a logo 313 pixels high covers it where they meet.
    if (uiState.logoInfo) {
        const BITMAPINFOHEADER& logo = uiState.logoInfo->bmiHeader;
        SetDIBitsToDevice(dc, 0, 0, logo.biWidth, logo.biHeight, 0, 0, 0,
                          logo.biHeight, uiState.logoBits, uiState.logoInfo,
                          DIB_RGB_COLORS);
    }
    DrawLabel(dc, packageSettings.dialogHeading, 20, FW_BOLD, "Verdana",
              kHeadingBox);
    DrawLabel(dc, BodyText(), 13, 0, "Tahoma", kBodyBox);
    EndPaint(window, &paint);
}

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam,
                                 LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(window);
        return 1;
    case WM_COMMAND:
        return OnCommand(window, wParam);
    case WM_PAINT:
        Paint(window);
        return 0;
    case kEndProgressDialog:
        EndProgressDialog(window);
        return 1;
    case kCloseCancel:
        EnableWindow(GetDlgItem(window, IDC_EXIT_CANCEL), FALSE);
        EnumThreadWindows(GetCurrentThreadId(), EndOwnedQuestion,
                          (LPARAM)window);
        return 1;
    case WM_DESTROY: {
        // No progress message may reach a closed window's handle, which
        // the system may give to another window.
        HWND stored = window;
        uiState.dialogWindow.compare_exchange_strong(stored, 0);
        return 0;
    }
    default:
        return 0;
    }
}

INT_PTR ShowSetupDialog() {
    return DialogBoxParamA(uiState.instance, MAKEINTRESOURCEA(IDD_SETUP),
                           GetDesktopWindow(), SetupDialogProc, 0);
}

DWORD WINAPI ProgressThreadMain(LPVOID) {
    uiState.dialogMode.store(kProgressMode);
    if (packageSettings.showProgress && DialogsShown() &&
        !uiState.progressEndRequested.load())
        ShowSetupDialog();
    uiState.cancelState.store(kDialogFinished);
    return 0;
}

}  // namespace

bool DialogsShown() { return !uiState.quiet || uiState.passive; }

bool RunWelcomeDialog() {
    uiState.dialogMode.store(kWelcomeMode);
    if (ShowSetupDialog() == 0) return false;
    uiState.progressThread.store(0);
    uiState.cancelState.store(kDialogFinished);
    return true;
}

bool StartProgressThread() {
    HANDLE thread = CreateThread(0, 0, ProgressThreadMain, 0, CREATE_SUSPENDED,
                                 &uiState.progressThreadId);
    if (!thread) return false;
    // Stored before the thread runs, so that a thread that ends at once
    // clears it after the driver has set it, never before.
    uiState.progressThread.store(thread);
    ResumeThread(thread);
    return true;
}

// A message to the dialog's thread waits for that thread, so one is sent
// only when the bar's position changes: about a hundred times a run, not
// once a record. A position is sent only to a window, which has it then.
void SetProgressPosition(void*, uint32_t position) {
    HWND window = uiState.dialogWindow.load();
    if (!window || position == uiState.shownPosition) return;
    uiState.shownPosition = position;
    SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
}

int CancelConfirmed(void*) {
    return uiState.cancelState.load() == kCancelConfirmed;
}

// The flag first, for a dialog still coming up; then the dialog's own
// thread closes Cancel. A Yes given before is stored once SendMessage
// returns: the question's answer and this message are handled in turn on
// that thread.
bool CloseCancel() {
    uiState.cancelClosed.store(1);
    HWND window = uiState.dialogWindow.load();
    if (window) SendMessageA(window, kCloseCancel, 0, 0);
    return CancelConfirmed(0);
}

void CloseProgressDialog() {
    HANDLE thread = uiState.progressThread.load();
    if (!thread) return;
    uiState.progressThread.store(0);
    if (WaitForSingleObject(thread, 0) != WAIT_TIMEOUT) return;
    uiState.progressEndRequested.store(1);
    HWND window = uiState.dialogWindow.load();
    if (window) PostMessageA(window, kEndProgressDialog, 0, 0);
    if (WaitForSingleObject(thread, kProgressThreadEndWait) == WAIT_TIMEOUT)
        TerminateThread(thread, 0);
}

bool LoadLogo() {
    HRSRC found =
        FindResourceA(uiState.instance, MAKEINTRESOURCEA(IDR_LOGO), "logo");
    HGLOBAL loaded = found ? LoadResource(uiState.instance, found) : 0;
    const uint8_t* resource = loaded ? (const uint8_t*)LockResource(loaded) : 0;
    if (!resource) return false;
    DWORD resourceSize = SizeofResource(uiState.instance, found);
    uint32_t size = LogoInflatedSize(resource, resourceSize);
    if (size == 0) return false;
    uint8_t* image = (uint8_t*)AllocBytes(size + 1);
    if (!image) return false;
    uint32_t produced = size;
    uint32_t offset = 0;
    if (InflateChunk(image, &produced, resource + kLogoSizeField,
                     resourceSize - kLogoSizeField) &&
        produced == size)
        offset = LogoPixelOffset(image, size);
    if (offset == 0) {
        FreeBytes(image);
        return false;
    }
    uiState.logoImage = image;
    uiState.logoInfo = (BITMAPINFO*)(image + kBitmapFileHeaderSize);
    uiState.logoBits = image + offset;
    return true;
}

void ReleaseLogo() {
    FreeBytes(uiState.logoImage);
    uiState.logoImage = 0;
}
