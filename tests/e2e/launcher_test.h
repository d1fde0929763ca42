// The fixture shared by the end-to-end tests: a work directory per test
// (kept when the test fails, for a look at what the launcher left), and
// running a payload file with /e.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "payload_writer.h"
#include "wine_harness.h"

namespace boxlift::e2e {

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a payload file into the work directory.
    fs::path WriteSetup(ByteView payload, const std::string& name = "setup.exe");

    // program /e <dirArgument>, run in the work directory.
    RunResult RunExtract(const fs::path& program, const std::string& dirArgument);

    // program /e <outDir as Z:\...>.
    RunResult RunExtract(const fs::path& program, const fs::path& outDir) {
        return RunExtract(program, ToWindowsPath(outDir));
    }

    fs::path dir_;
};

// Equal bytes; on a difference, the sizes and the first differing offset
// rather than megabytes of dump.
::testing::AssertionResult SameBytes(ByteView actual, ByteView expected);

// outDir holds exactly one file, named like a temporary package, with the
// expected content. Sets *name to its name when given.
::testing::AssertionResult HoldsOnlyPackage(const fs::path& outDir,
                                            ByteView expected,
                                            std::string* name = nullptr);

// dir holds no file (it may not exist at all).
::testing::AssertionResult HoldsNoFile(const fs::path& dir);

}  // namespace boxlift::e2e
