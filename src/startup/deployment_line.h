// The deployment command line: the switches that deployment tools pass,
// for every command tail that the classic /q and /e do not take. Words are
// separated by spaces or tabs and may hold quoted parts; switch names
// ignore case and start with '/' or '-':
//   /quiet (/qn)     no window at all; msiexec gets /qn
//   /passive (/qb)   the progress dialog only; msiexec gets /passive
//   /norestart       msiexec gets /norestart
//   /log FILE        the launcher's log lines go to FILE; msiexec gets
//                    /l*v+ "FILE"
//   NAME=VALUE       a property for msiexec, VALUE unquoted (no space, no
//                    quote) or quoted ("..." with "" for a quote)
//   /? and /help     the usage text
// No platform calls.
#ifndef BOXLIFT_DEPLOYMENT_LINE_H
#define BOXLIFT_DEPLOYMENT_LINE_H

#include <stdint.h>

enum InstallerUi {
    kUiFull = 0,
    kUiQuiet = 1,
    kUiPassive = 2,
};

struct DeploymentLine {
    uint8_t ui;  // InstallerUi
    bool noRestart;
    bool usage;
    char* logPath;  // FILE of /log without its quotes, a heap text, or none
};

// The longest msiexec command line, and the most that the program path,
// /i and the package path (each at most MAX_PATH long, quoted) can take of
// it: the arguments of a deployment line must fit in the rest.
const uint32_t kMaxInstallerCommandLine = 32767;
const uint32_t kInstallerFixedPart = 544;
const uint32_t kMaxInstallerArguments =
    kMaxInstallerCommandLine - kInstallerFixedPart;

// Reads tail as a deployment command line into *line (zeroed first). False
// when a word is none of the deployment words, a quote is left open,
// /quiet comes with /passive, or no memory can be had; line->ui then still
// tells whether /quiet or /passive was among the words, so that the caller
// knows whether a window may be shown.
bool ParseDeploymentLine(const char* tail, DeploymentLine* line);

// msiexec's arguments behind the package for a parsed line: the ui switch,
// /norestart, /l*v+ "logPath" (the caller's absolute form of the log, or
// none), then every property of tail as NAME="VALUE", in the order given.
// The relative paths of TRANSFORMS are made absolute against setupDir
// (ending in a backslash). A new heap text, or none when no memory can be
// had or the text would be longer than kMaxInstallerArguments.
char* BuildInstallerArguments(const DeploymentLine* line, const char* tail,
                              const char* logPath, const char* setupDir);

// Frees the texts of line.
void ReleaseDeploymentLine(DeploymentLine* line);

#endif
