#include "startup/command_line.h"

#define ILLEGAL_COMMAND_LINE "Illegal command line"
const char kIllegalCommandLineText[] = ILLEGAL_COMMAND_LINE;
const char kAboutText[] = ILLEGAL_COMMAND_LINE
    "\n"
    "\n"
    "Tarvix Boxlift for Windows Installer\n"
    "Version 3.00\n"
    "\n"
    "Copyright (c) Tarvix Software. All rights reserved.";
const char kAboutCaption[] = "Tarvix Software";

const char kUsageText[] =
    "setup.exe [/quiet | /passive] [/norestart] [/log FILE] [NAME=VALUE ...]\n"
    "\n"
    "/quiet, /qn\tno window at all\n"
    "/passive, /qb\tthe progress dialog only, no questions\n"
    "/norestart\tmsiexec does not restart the computer\n"
    "/log FILE\tsetup's messages and msiexec's verbose log go to FILE\n"
    "NAME=VALUE\ta property for the installer, VALUE in quotes if it has "
    "spaces\n"
    "\n"
    "The exit code is the installer's. setup.exe /q and /e DIR work as before.";

namespace {
const char kEmptyText[] = "";

// Signed comparison on purpose: bytes from 0x80 up count as separators.
bool IsWordByte(char c) { return (signed char)c > ' '; }
}  // namespace

const char* SkipProgramName(const char* p) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (IsWordByte(*p)) ++p;
    }
    while (*p && !IsWordByte(*p)) ++p;
    return p;
}

bool ParseSwitches(const char* tail, uint8_t* quiet, const char** extractDir) {
    *quiet = 0;
    *extractDir = 0;
    if (tail[0] == 0) return true;
    if (tail[0] != '-' && tail[0] != '/') return false;
    char option = tail[1];
    if ((option == 'q' || option == 'Q') && tail[2] == 0) {
        *quiet = 1;
        return true;
    }
    if (option == 'e' || option == 'E') {
        *quiet = 1;
        if (tail[2] == 0) {
            *extractDir = kEmptyText;
            return true;
        }
        const char* dir = tail + 2;
        while (*dir == ' ') ++dir;
        *extractDir = dir;
        return true;
    }
    return false;
}
