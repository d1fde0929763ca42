// The boxlift program as a user runs it: what a build writes and says, and
// a failure that exits non-zero with nothing written.
#include <stdlib.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "config.h"
#include "payload_writer.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kConfig = "[settings]\ntitle = Demo\nshowProgress = yes\n";

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "boxlift-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::copy_n(kMarker, kMarkerLength, image_.begin() + 1000);
        WriteFileBytes(dir_ / "launcher.exe", image_);
        WriteFileBytes(dir_ / "package.msi", package_);
        WriteFileBytes(dir_ / "demo.ini", Bytes(kConfig.begin(), kConfig.end()));
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool in the directory; its output goes to out_ and err_.
    int Boxlift(const std::string& args) {
        std::string command = "cd '" + dir_.string() + "' && '" BOXLIFT_TOOL "' " + args +
                              " >out.log 2>err.log";
        int raw = std::system(command.c_str());
        out_ = Take("out.log");
        err_ = Take("err.log");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string Take(const char* log) {
        Bytes text = ReadFileBytes(dir_ / log);
        fs::remove(dir_ / log);
        return {text.begin(), text.end()};
    }
    long Entries() const { return std::distance(fs::directory_iterator(dir_), {}); }

    fs::path dir_;
    Bytes image_ = Bytes(4096, 0);
    Bytes package_ = Bytes(140000, 'p');  // three pieces
    std::string out_, err_;
};

TEST_F(Cli, BuildWritesThePayloadFileAndSaysWhat) {
    ASSERT_EQ(Boxlift("build package.msi -o setup.exe --config=demo.ini --launcher launcher.exe"), 0)
        << err_;
    const Bytes written = ReadFileBytes(dir_ / "setup.exe");
    EXPECT_TRUE(written == BuildPayloadFile(image_, ParseConfig(kConfig, "demo.ini"), package_));
    EXPECT_EQ(out_, "boxlift: wrote setup.exe (" + std::to_string(written.size()) +
                        " bytes, 3 chunks)\n");
    EXPECT_EQ(Entries(), 4) << "a temporary file left beside setup.exe";
}

TEST_F(Cli, FailureExitsNonZeroAndWritesNothing) {
    std::copy_n(kMarker, kMarkerLength, image_.begin() + 2000);
    WriteFileBytes(dir_ / "launcher.exe", image_);
    EXPECT_EQ(Boxlift("build --launcher launcher.exe --config demo.ini -o setup.exe package.msi"), 1);
    EXPECT_EQ(err_, "boxlift: launcher.exe: holds the marker 2 times, expected once\n");
    EXPECT_EQ(out_, "");
    EXPECT_EQ(Entries(), 3) << "setup.exe or a temporary file left behind";
}

}  // namespace
}  // namespace boxlift
