// Running Windows programs under Wine for the end-to-end tests.
//
// One Wine prefix serves the whole run: WineEnvironment creates it on first
// use (and reuses it afterwards), keeps one wineserver alive for the run so
// that each program starts quickly, and ends that server at the end.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace boxlift::e2e {

namespace fs = std::filesystem;

// Paths fixed at configure time.
fs::path LauncherPath();  // the launcher image the tests append payloads to
fs::path WinePrefix();    // <build>/wine
fs::path WorkRoot();      // <build>/e2e-work

struct RunResult {
    int exitCode = -1;      // the program's exit code; -1 when it did not end
    bool timedOut = false;  // killed after the time limit
    std::string output;     // what Wine and the program wrote to stdout/stderr
};

// Runs a Linux program with arguments in workingDir, in its own process
// group, its output collected in an unlinked file (a pipe could be held
// open by Wine's background services). The whole group is killed once
// timeout has passed.
RunResult RunProcess(const std::vector<std::string>& argv,
                     const fs::path& workingDir,
                     std::chrono::seconds timeout = std::chrono::seconds(120));

// Runs a Windows program under Wine in the test prefix.
RunResult RunWindowsProgram(const fs::path& program,
                            const std::vector<std::string>& args,
                            const fs::path& workingDir);

// A fresh directory under WorkRoot(), named after the running test.
fs::path MakeWorkDir();

// "/a/b" -> "Z:\a\b": how a Linux path reaches a Windows program.
std::string ToWindowsPath(const fs::path& linuxPath);

// Sets the Wine variables for this process and its children, creates the
// prefix when there is none ready, starts the persistent wineserver and
// makes one warm-up call. TearDown ends the server.
class WineEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    bool serverStarted_ = false;
};

}  // namespace boxlift::e2e
