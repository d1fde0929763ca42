// The package's name in a directory that already holds temporary package
// names: an existing file is never replaced, the one name still free is
// found, and with every name taken the run fails without touching any.
#include <cstdio>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "launcher_test.h"
#include "test_packages.h"

namespace boxlift::e2e {
namespace {

constexpr int kNameCount = 255;  // qz000000.msi to qzfefefe.msi

std::string NameFor(int value) {
    char name[16];
    std::snprintf(name, sizeof name, "qz%02x%02x%02x.msi", value, value, value);
    return name;
}

class NameChoice : public LauncherTest {
protected:
    // Fills out with a small file under every name except the one for
    // freeValue (none left free for a value outside 0..254).
    void TakeNames(int freeValue) {
        out_ = dir_ / "out";
        fs::create_directory(out_);
        for (int value = 0; value < kNameCount; ++value) {
            if (value == freeValue) continue;
            std::string content = "taken " + std::to_string(value) + "\n";
            Bytes bytes(content.begin(), content.end());
            WriteTestFile(out_ / NameFor(value), bytes);
            taken_[NameFor(value)] = bytes;
        }
    }

    // Every file put there by TakeNames is still there, unchanged.
    ::testing::AssertionResult TakenNamesUntouched() {
        for (const auto& [name, bytes] : taken_) {
            if (!fs::exists(out_ / name))
                return ::testing::AssertionFailure() << name << " is gone";
            if (ReadFileBytes(out_ / name) != bytes)
                return ::testing::AssertionFailure() << name << " was changed";
        }
        return ::testing::AssertionSuccess();
    }

    fs::path out_;
    std::map<std::string, Bytes> taken_;
};

TEST_F(NameChoice, FindsTheOneNameLeft) {
    const int freeValue = 0x7a;
    TakeNames(freeValue);
    const Bytes package = MixedPackage(150000, 21);
    const fs::path setup = WriteSetup(
        BuildPayloadFile(ReadFileBytes(LauncherPath()), MinimalSettings(), package));

    RunResult run = RunExtract(setup, out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(TakenNamesUntouched());
    EXPECT_EQ(ListDir(out_).size(), (std::size_t)kNameCount);
    ASSERT_TRUE(fs::exists(out_ / NameFor(freeValue)));
    EXPECT_TRUE(SameBytes(ReadFileBytes(out_ / NameFor(freeValue)), package));
}

TEST_F(NameChoice, GivesUpWhenEveryNameIsTaken) {
    TakeNames(-1);
    const fs::path setup = WriteSetup(BuildPayloadFile(
        ReadFileBytes(LauncherPath()), MinimalSettings(), MixedPackage(150000, 22)));

    RunResult run = RunExtract(setup, out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(TakenNamesUntouched());
    EXPECT_EQ(ListDir(out_).size(), (std::size_t)kNameCount);
}

// The clean-up after a broken stream removes the launcher's own file and
// none of the files it found in its way.
TEST_F(NameChoice, BrokenStreamRemovesOnlyItsOwnFile) {
    const int freeValue = 0x05;
    TakeNames(freeValue);
    Bytes stream;
    AppendChunkCount(stream, 2);
    AppendStoredRecord(stream, RandomBytes(65536, 23));
    stream.push_back(7);  // no such record type
    const fs::path setup = WriteSetup(AssemblePayload(MinimalSettings(), stream));

    RunResult run = RunExtract(setup, out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(TakenNamesUntouched());
    EXPECT_FALSE(fs::exists(out_ / NameFor(freeValue)));
    EXPECT_EQ(ListDir(out_).size(), (std::size_t)kNameCount - 1);
}

}  // namespace
}  // namespace boxlift::e2e
