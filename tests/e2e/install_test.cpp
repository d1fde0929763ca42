// Installing runs: the probe package installed by Wine's own msiexec through
// the launcher, and the quiet runs' error log.
#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <iostream>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

// The installed file's content is unique to this run, so that a file left
// by an earlier, interrupted run is not taken for this run's.
const std::string kRunToken = "probe " + std::to_string(std::random_device()());
const fs::path kProbeDir = WorkRoot() / "probe-package";
const fs::path kInstalledFile =
    WinePrefix() / "drive_c" / "Program Files (x86)" / "BoxliftProbe" / "probe-readme.txt";

}  // namespace

// Builds packages/NAME.wxs with wixl in dir, beside its one source file
// NAME-readme.txt holding readme, and returns the package.
Bytes BuildTestPackage(const fs::path& dir, const std::string& name, const std::string& readme) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(BOXLIFT_E2E_SOURCE_DIR) / "packages" / (name + ".wxs"),
                  dir / (name + ".wxs"));
    std::ofstream(dir / (name + "-readme.txt")) << readme;
    RunResult built = RunProcess({BOXLIFT_WIXL, "-o", name + ".msi", name + ".wxs"}, dir);
    if (built.exitCode != 0) throw std::runtime_error("wixl failed: " + built.output);
    return ReadFileBytes(dir / (name + ".msi"));
}

const Bytes& ProbePackage() {
    static const Bytes package = BuildTestPackage(kProbeDir, "probe", kRunToken);
    return package;
}

std::string WineUser() {
    const passwd* user = getpwuid(getuid());
    return user ? user->pw_name : "root";
}

// The Linux side of the Wine user's temporary directory.
fs::path UserTemp() { return WinePrefix() / "drive_c" / "users" / WineUser() / "Temp"; }

// program arg through cmd with TMP and TEMP set to the Windows path tmp
// (Wine takes them from its own environment, not the host's).
RunResult RunWithTemp(const fs::path& dir, const std::string& tmp, const fs::path& program,
                      const std::string& arg) {
    std::ofstream(dir / "run.bat", std::ios::binary)
        << "@echo off\r\nset TMP=" << tmp << "\r\nset TEMP=" << tmp << "\r\n"
        << ToWindowsPath(program) << " " << arg << "\r\n";
    return RunWindowsProgram("cmd", {"/c", "run.bat"}, dir);
}

::testing::AssertionResult NoTempPackages(const fs::path& dir) {
    for (int value = 0; value < 255; ++value)
        if (fs::exists(dir / TempName(value)))
            return ::testing::AssertionFailure() << dir << " still holds " << TempName(value);
    return ::testing::AssertionSuccess();
}

// text is exactly one error-log line with this caption, message and code.
::testing::AssertionResult IsLogLine(const std::string& text, const std::string& caption,
                                     const std::string& message, int code) {
    static const std::regex head(R"(INSTALLATION ERROR: \d{4}/\d{2}/\d{2} \d{2}:\d{2})");
    const std::size_t cut = 36;  // the length of the head
    if (text.size() < cut || !std::regex_match(text.substr(0, cut), head) ||
        text.substr(cut) !=
            " - " + caption + " - " + message + " | " + std::to_string(code) + "\r\n")
        return ::testing::AssertionFailure() << "not the expected log line: \"" << text << "\"";
    return ::testing::AssertionSuccess();
}

Settings ProbeSettings(const std::string& engineVersion) {
    Settings s;
    s.title = kTitle;
    s.errorText = kErrorText;
    s.requiredEngineVersion = EncodeEngineVersion(engineVersion);
    s.engineMissingText = "Windows Installer 9.0 is needed.";
    s.engineDownloadTarget = "https://example.invalid/engine";
    s.diskSpaceText = "Not enough room on %ofd_drive%: (%fd_mbytes% MB).";
    return s;
}

fs::path InstallTest::WriteProbeSetup(const std::string& engineVersion, const std::string& name) {
    return WriteSetup(BuildPayload(ProbeSettings(engineVersion), ProbePackage()), name);
}

bool MountSmallDrive(const fs::path& dir, int sizeMiB) {
    fs::create_directories(dir);
    const std::string options = "size=" + std::to_string(sizeMiB) + "m";
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    fs::create_directories(dir / "tmp");
    const fs::path letter = WinePrefix() / "dosdevices" / "t:";
    fs::remove(letter);
    fs::create_directory_symlink(dir, letter);
    return true;
}

void UnmountSmallDrive(const fs::path& dir) {
    fs::remove(WinePrefix() / "dosdevices" / "t:");
    umount(dir.c_str());
}

bool InstallTest::ProductInstalled() {
    return fs::exists(kInstalledFile) && ReadText(kInstalledFile) == kRunToken;
}

void InstallTest::SetUp() {
    LauncherTest::SetUp();
    ProbePackage();
    ASSERT_FALSE(ProductInstalled()) << "left installed by an earlier test";
}

void InstallTest::Uninstall() {
    if (!ProductInstalled()) return;
    RunResult removed =
        RunWindowsProgram("msiexec", {"/q", "/x", ToWindowsPath(kProbeDir / "probe.msi")}, dir_);
    EXPECT_FALSE(ProductInstalled()) << "uninstall failed: " << removed.output;
}

void InstallTest::TearDown() {
    Uninstall();
    LauncherTest::TearDown();
}

namespace {

class QuietInstall : public InstallTest {};

TEST_F(QuietInstall, InstallsTheProductAndDeletesThePackage) {
    RunResult run = RunWindowsProgram(WriteProbeSetup("2.0"), {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));
}

TEST_F(QuietInstall, TemporaryDirectoryWithASpace) {
    const fs::path spaced = UserTemp() / "with space";
    fs::create_directories(spaced);
    const fs::path setup = WriteProbeSetup("2.0");
    const std::string tmp = "C:\\users\\" + WineUser() + "\\Temp\\with space";

    // While every name in the spaced directory is taken the run must fail
    // with code 8: proof that the launcher really works there.
    for (int value = 0; value < 255; ++value) std::ofstream(spaced / TempName(value)) << 'x';
    RunResult blocked = RunWithTemp(dir_, tmp, setup, "/q");
    EXPECT_EQ(blocked.exitCode, 1) << blocked.output;
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8));
    EXPECT_FALSE(ProductInstalled());
    EXPECT_EQ(ListDir(spaced).size(), 255u) << "no file replaced or added";

    for (const std::string& name : ListDir(spaced)) fs::remove(spaced / name);
    fs::remove(dir_ / "error.log");
    RunResult run = RunWithTemp(dir_, tmp, setup, "/q");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(ProductInstalled()) << "the quoted package path was opened";
    EXPECT_TRUE(NoTempPackages(spaced));
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));
    fs::remove_all(spaced);
}

// Folders whose names the ANSI code page (1252 here) cannot hold: the
// setup's own, and the temporary directory, set through a batch file that
// cmd reads in the OEM code page 437, which has these Greek letters.
TEST_F(QuietInstall, FoldersTheAnsiCodePageCannotName) {
    const fs::path own = dir_ / "\u0422\u0435\u0441\u0442-\u65e5\u672c\u8a9e";  // Test, Japanese
    fs::create_directories(own);
    const fs::path setup = own / "setup.exe", plain = WriteProbeSetup("2.0");
    fs::copy_file(plain, setup);
    const fs::path temp = UserTemp() / "\u03a3\u03c0\u03a9";  // Sigma pi Omega
    fs::create_directories(temp);
    const std::string tempInBatch = "C:\\users\\" + WineUser() + "\\Temp\\\xe4\xe3\xea";
    const std::vector<std::pair<std::string, std::function<RunResult()>>> runs = {
        {"own folder", [&] { return RunWindowsProgram(setup, {"/q"}, own); }},
        {"temporary directory", [&] { return RunWithTemp(dir_, tempInBatch, plain, "/q"); }}};
    for (const auto& [what, run] : runs) {
        const RunResult result = run();
        EXPECT_EQ(result.exitCode, 1) << what << ": " << result.output;
        EXPECT_TRUE(ProductInstalled()) << what;
        Uninstall();
    }
    EXPECT_FALSE(fs::exists(own / "error.log")) << ReadText(own / "error.log");
    EXPECT_FALSE(fs::exists(dir_ / "error.log")) << ReadText(dir_ / "error.log");
    EXPECT_TRUE(NoTempPackages(temp));
    fs::remove_all(temp);
}

// Another program of the user swaps every qz*.msi it can, in a tight loop,
// while quiet runs install a large package: its package is never the one
// installed. Each run installs ours, or fails with code 8 and installs
// nothing.
TEST_F(QuietInstall, SwappedPackageIsNeverInstalled) {
    const fs::path intruderDir = dir_ / "intruder";
    fs::create_directories(intruderDir);
    fs::copy_file(kProbeDir / "probe.wxs", intruderDir / "probe.wxs");
    std::ofstream(intruderDir / "probe-readme.txt") << "intruder";
    RunResult built = RunProcess({BOXLIFT_WIXL, "-o", "intruder.msi", "probe.wxs"}, intruderDir);
    ASSERT_EQ(built.exitCode, 0) << built.output;
    const fs::path intruder = intruderDir / "intruder.msi";
    // A long extraction, and a long read for the installer.
    Bytes package = ProbePackage();
    const Bytes padding = Noise(32 << 20, 9);
    package.insert(package.end(), padding.begin(), padding.end());
    const fs::path setup = WriteSetup(BuildPayload(ProbeSettings("2.0"), package));

    const fs::path stop = dir_ / "stop-swapping";
    auto swapper = std::async(std::launch::async, [&] {
        return RunWindowsProgram(
            fs::path(BOXLIFT_WINTESTS_DIR) / "package_swapper.exe",
            {ToWindowsPath(UserTemp()), ToWindowsPath(intruder), ToWindowsPath(stop)}, dir_);
    });
    int ours = 0, refused = 0;
    for (int run = 0; run < 4; ++run) {
        fs::remove(dir_ / "error.log");
        RunResult result = RunWindowsProgram(setup, {"/q"}, dir_);
        EXPECT_EQ(result.exitCode, 1) << result.output;
        const bool intruded = fs::exists(kInstalledFile) && ReadText(kInstalledFile) == "intruder";
        EXPECT_FALSE(intruded) << "run " << run << " installed the intruder's package";
        if (intruded) RunWindowsProgram("msiexec", {"/q", "/x", ToWindowsPath(intruder)}, dir_);
        if (ProductInstalled()) {
            ++ours;
            Uninstall();
        } else {
            ++refused;
            EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8));
        }
    }
    std::ofstream(stop) << "stop";
    const RunResult swaps = swapper.get();
    std::cout << "[ swapper  ] " << swaps.output << "[ runs     ] " << ours << " installed ours, "
              << refused << " refused" << std::endl;
    EXPECT_NE(swaps.output.find("attempts"), std::string::npos) << swaps.output;
    for (const std::string& name : ListDir(UserTemp()))
        if (name.rfind("qz", 0) == 0) fs::remove(UserTemp() / name);
}

class QuietFailure : public InstallTest {};

TEST_F(QuietFailure, EngineTooOldAppendsOneLineAndInstallsNothing) {
    const fs::path setup = WriteProbeSetup("9.0");
    const std::string earlier = "an earlier line\r\n";
    std::ofstream(dir_ / "error.log", std::ios::binary) << earlier;

    RunResult run = RunWindowsProgram(setup, {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    const std::string log = ReadText(dir_ / "error.log");
    ASSERT_EQ(log.rfind(earlier, 0), 0u) << "earlier lines are kept";
    EXPECT_TRUE(
        IsLogLine(log.substr(earlier.size()), kTitle, "Windows Installer 9.0 is needed.", 4));
    EXPECT_FALSE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

TEST_F(QuietFailure, BadRecordLogsCode8AndLeavesNoPackage) {
    Bytes stream;
    AppendChunkCount(stream, 2);
    AppendStoredRecord(stream, Text(65536, 5));
    stream.push_back(9);  // no such record type
    AppendEndRecord(stream);
    const fs::path setup = WriteSetup(AssemblePayload(ProbeSettings("2.0"), stream));

    RunResult run = RunWindowsProgram(setup, {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8));
    EXPECT_FALSE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

// Quick quiet runs with both cores busy: the progress thread is still
// starting when the run ends, and the run must neither hang nor die. Wine
// kills a process that is slow to exit after its last thread ended now and
// then (signal 9, its work done); anything else is a fault.
TEST_F(QuietFailure, QuickRunsUnderLoadNeverHang) {
    Bytes stream;
    AppendChunkCount(stream, 1);
    stream.push_back(9);
    const fs::path setup = WriteSetup(AssemblePayload(ProbeSettings("2.0"), stream));
    std::vector<pid_t> load;
    for (int core = 0; core < 2; ++core)
        if (pid_t pid = fork(); pid == 0)
            for (;;) {
            }
        else
            load.push_back(pid);

    const int runs = 300;
    int killed = 0;
    std::string failures;
    for (int i = 0; i < runs && failures.size() < 2000; ++i) {
        RunResult run =
            RunProcess({BOXLIFT_WINE, setup.string(), "/q"}, dir_, std::chrono::seconds(30));
        if (run.exitCode == -1 && run.output == "[ended by signal 9]\n")
            ++killed;
        else if (run.exitCode != 1)
            failures += "run " + std::to_string(i) + ": " + run.output;
    }
    for (pid_t pid : load) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);

    EXPECT_EQ(failures, "");
    EXPECT_LE(killed, 3);
    const std::string log = ReadText(dir_ / "error.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), runs);
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

TEST_F(QuietFailure, TooLittleSpaceLogsCode6WithDriveAndMegabytes) {
    // A 2 MiB drive T: for the temporary directory. The package inflates to
    // 3 MiB + 1 byte but compresses to far less than 2 MiB, so the room asked
    // for must be the inflated size, not the executable's.
    Settings settings = ProbeSettings("2.0");
    settings.diskSpaceText = "Drive %ofd_drive%: needs %fd_mbytes% MB.";
    const fs::path setup = WriteSetup(BuildPayload(settings, Text(3 * 1048576 + 1, 6)));
    ASSERT_LT(fs::file_size(setup), 1536u * 1024) << "the executable alone fits";

    const fs::path drive = dir_ / "small-drive";
    if (!MountSmallDrive(drive, 2))
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);

    RunResult run = RunWithTemp(dir_, "T:\\tmp", setup, "/q");

    UnmountSmallDrive(drive);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, "Drive T: needs 4 MB.", 6));
}

// Without a display every message box returns at once, as if closed.
TEST_F(InstallTest, InteractiveRunsNeverTouchTheErrorLog) {
    const fs::path engine = WriteProbeSetup("9.0", "engine.exe");
    Bytes stream;
    AppendChunkCount(stream, 1);
    stream.push_back(7);
    const fs::path broken = WriteSetup(AssemblePayload(ProbeSettings("2.0"), stream), "broken.exe");

    for (const fs::path& program : {engine, broken, LauncherPath()}) {
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
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

}  // namespace
}  // namespace boxlift::e2e
