// Installing runs: real packages built by wixl, installed by Wine's own
// msiexec through the launcher, and the quiet runs' error log.
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "install_fixture.h"
#include "test_packages.h"

namespace boxlift::e2e {
namespace {

class QuietInstall : public InstallTest {};

TEST_F(QuietInstall, InstallsTheProductAndDeletesThePackage) {
    const fs::path setup = WriteSetup(ProbeSetup(EncodeEngineVersion("2.0")));

    RunResult run = RunWindowsProgram(setup, {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));
}

TEST_F(QuietInstall, TemporaryDirectoryWithASpace) {
    const fs::path spaced = UserTemp() / "with space";
    fs::create_directories(spaced);
    const fs::path setup = WriteSetup(ProbeSetup(EncodeEngineVersion("2.0")));
    const std::string tmp = "C:\\users\\" + WineUser() + "\\Temp\\with space";

    // While every name in the spaced directory is taken, the run must fail
    // with code 8: proof that the launcher really works there.
    for (int value = 0; value < 255; ++value) {
        char name[16];
        snprintf(name, sizeof name, "qz%02x%02x%02x.msi", value, value, value);
        std::ofstream(spaced / name).put('x');
    }
    RunResult blocked = RunWithTemp(tmp, setup, "/q");
    EXPECT_EQ(blocked.exitCode, 1) << blocked.output;
    EXPECT_EQ(LogCodes(dir_ / "error.log"), std::vector<int>{8});
    EXPECT_FALSE(ProductInstalled());
    EXPECT_EQ(ListDir(spaced).size(), 255u) << "no file replaced or added";

    for (const std::string& name : ListDir(spaced)) fs::remove(spaced / name);
    fs::remove(dir_ / "error.log");
    RunResult run = RunWithTemp(tmp, setup, "/q");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(ProductInstalled()) << "the quoted package path was opened";
    EXPECT_TRUE(NoTempPackages(spaced));
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));
    fs::remove_all(spaced);
}

class QuietFailure : public InstallTest {};

TEST_F(QuietFailure, EngineTooOldAppendsOneLineAndInstallsNothing) {
    const fs::path setup = WriteSetup(ProbeSetup(EncodeEngineVersion("9.0")));
    const std::string earlier = "an earlier line\r\n";
    std::ofstream(dir_ / "error.log", std::ios::binary) << earlier;

    RunResult run = RunWindowsProgram(setup, {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    std::string log = ReadText(dir_ / "error.log");
    ASSERT_EQ(log.rfind(earlier, 0), 0u) << "earlier lines are kept";
    EXPECT_TRUE(IsLogLine(log.substr(earlier.size()), kTitle,
                          "Windows Installer 9.0 is needed.", 4))
        << log;
    EXPECT_FALSE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

TEST_F(QuietFailure, BadRecordLogsCode8AndLeavesNoPackage) {
    Bytes stream;
    AppendChunkCount(stream, 2);
    AppendStoredRecord(stream, TextBytes(65536, 5));
    stream.push_back(9);  // no such record type
    AppendEndRecord(stream);
    const fs::path setup =
        WriteSetup(AssemblePayload(ProbeSettings(EncodeEngineVersion("2.0")), stream));

    RunResult run = RunWindowsProgram(setup, {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8));
    EXPECT_FALSE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

TEST_F(QuietFailure, TooLittleSpaceLogsCode6WithDriveAndMegabytes) {
    // A 2 MiB drive T: for the temporary directory. The package inflates
    // to 3 MiB + 1 byte but compresses to far less than 2 MiB, so that the
    // room asked for must be the inflated size, not the executable's.
    Settings settings = ProbeSettings(EncodeEngineVersion("2.0"));
    settings.diskSpaceText = "Drive %ofd_drive%: needs %fd_mbytes% MB.";
    const Bytes package = TextBytes(3 * 1048576 + 1, 6);
    const fs::path setup =
        WriteSetup(BuildPayloadFile(ReadFileBytes(LauncherPath()), settings, package));
    ASSERT_LT(fs::file_size(setup), 1536u * 1024) << "the executable alone fits";

    const fs::path drive = dir_ / "small-drive";
    fs::create_directories(drive);
    if (mount("tmpfs", drive.c_str(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    fs::create_directories(drive / "tmp");
    const fs::path letter = WinePrefix() / "dosdevices" / "t:";
    fs::remove(letter);
    fs::create_directory_symlink(drive, letter);

    RunResult run = RunWithTemp("T:\\tmp", setup, "/q");

    fs::remove(letter);
    umount(drive.c_str());
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle,
                          "Drive T: needs 4 MB.", 6));
}

class Interactive : public InstallTest {};

TEST_F(Interactive, NeverTouchesTheErrorLog) {
    // Without a display every message box returns at once, as if closed.
    const fs::path engine = WriteSetup(ProbeSetup(EncodeEngineVersion("9.0")), "engine.exe");
    Bytes stream;
    AppendChunkCount(stream, 1);
    stream.push_back(7);
    const fs::path broken = WriteSetup(
        AssemblePayload(ProbeSettings(EncodeEngineVersion("2.0")), stream), "broken.exe");
    const fs::path bare = LauncherPath();

    for (const fs::path& program : {engine, broken, bare}) {
        RunResult run = RunWindowsProgram(program, {}, dir_);
        EXPECT_EQ(run.exitCode, 1) << program << run.output;
    }
    RunResult illegal = RunWindowsProgram(engine, {"/x"}, dir_);
    EXPECT_EQ(illegal.exitCode, 1) << illegal.output;
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));

    const std::string existing = "kept as it is\r\n";
    std::ofstream(dir_ / "error.log", std::ios::binary) << existing;
    RunWindowsProgram(engine, {}, dir_);
    EXPECT_EQ(ReadText(dir_ / "error.log"), existing);
    EXPECT_FALSE(ProductInstalled());
}

}  // namespace
}  // namespace boxlift::e2e
