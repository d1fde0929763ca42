#ifndef BOXLIFT_MESSAGES_WIN_H
#define BOXLIFT_MESSAGES_WIN_H

#include <windows.h>

// Message codes, written at the end of an error-log line.
enum MessageCode {
    kSettingsFailed = 1,
    kSettingsFailedEarly = 2,
    kWelcomeQuestion = 3,
    kEngineMissing = 4,
    kSpaceNotMeasured = 5,
    kNotEnoughSpace = 6,  // also the cancel question
    kExtractionFailed = 8,
    kSpaceTextFailed = 9,
    kLogoFailed = 10,
    kIllegalCommandLine = 11,
};

// Shows a message box, or in a quiet run returns quietAnswer. With writeLog
// set, a quiet run, or any run with a /log file, also appends one line to
// the log.
int ReportMessage(HWND owner, const char* text, const char* caption, UINT style,
                  bool writeLog, int quietAnswer, int code);

#endif
