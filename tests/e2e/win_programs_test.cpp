// Windows-side test programs, run under Wine.
#include <gtest/gtest.h>

#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

TEST(WindowsPrograms, InflateGuardTurnsFaultsIntoFailures) {
    const fs::path program = fs::path(BOXLIFT_WINTESTS_DIR) / "inflate_guard_test.exe";
    RunResult run = RunWindowsProgram(program, {}, WorkRoot());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(" passed, 0 failed"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace boxlift::e2e
