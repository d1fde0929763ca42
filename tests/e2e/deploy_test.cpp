// Deployment command lines: the exit codes that deployment tools judge an
// install by, properties and the /log file, through Wine's own msiexec.
// The codes are read through cmd, since the Unix exit status of wine keeps
// only their low byte.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

const fs::path kDeployDir = WorkRoot() / "deploy-package";
const fs::path kInstalledFile =
    WinePrefix() / "drive_c" / "Program Files (x86)" / "BoxliftDeployProbe" / "deploy-readme.txt";

// The product of deploy.wxs: it installs one file and writes MYPROP and
// OTHER to the registry; FAILME=1 fails its launch condition, REBOOTME=1
// schedules a reboot.
const Bytes& DeployPackage() {
    static const Bytes package = BuildTestPackage(kDeployDir, "deploy", "deployed");
    return package;
}

class DeployTest : public LauncherTest {
protected:
    void TearDown() override {
        Uninstall();
        LauncherTest::TearDown();
    }
    void Uninstall() {
        if (!fs::exists(kInstalledFile)) return;
        RunWindowsProgram("msiexec", {"/qn", "/x", ToWindowsPath(kDeployDir / "deploy.msi")}, dir_);
        EXPECT_FALSE(fs::exists(kInstalledFile)) << "uninstall failed";
    }
    fs::path WriteDeploySetup(const std::string& engineVersion = "2.0") {
        return WriteSetup(BuildPayload(ProbeSettings(engineVersion), DeployPackage()));
    }
    // setup.exe's exit code for this command tail, with TMP and TEMP set
    // to tmp when given; -1 when cmd printed none.
    int Run(const fs::path& setup, const std::string& tail, const std::string& tmp = "") {
        std::ofstream bat(dir_ / "deploy.bat", std::ios::binary);
        bat << "@echo off\r\n";
        if (!tmp.empty()) bat << "set TMP=" << tmp << "\r\nset TEMP=" << tmp << "\r\n";
        bat << ToWindowsPath(setup) << " " << tail << "\r\necho exit code %errorlevel%\r\n";
        bat.close();
        RunResult run = RunWindowsProgram("cmd", {"/c", "deploy.bat"}, dir_);
        std::smatch code;
        static const std::regex pattern(R"(exit code (-?\d+))");
        if (!std::regex_search(run.output, code, pattern)) {
            ADD_FAILURE() << tail << ": " << run.output;
            return -1;
        }
        return std::stoi(code[1]);
    }
    std::string Registry(const std::string& name) {
        RunResult query = RunWindowsProgram(
            "reg", {"query", "HKCU\\Software\\BoxliftDeployProbe", "/v", name}, dir_);
        std::smatch value;
        static const std::regex pattern(R"(REG_SZ\s+([^\r\n]*))");
        return std::regex_search(query.output, value, pattern) ? std::string(value[1]) : "";
    }
};

TEST_F(DeployTest, ExitCodeIsTheInstallersOrOneForTheClassicSwitches) {
    const fs::path setup = WriteDeploySetup();
    struct Case {
        std::string tail;
        int code;
        bool installed;
    };
    const Case cases[] = {
        {"/quiet", 0, true},
        {"/quiet FAILME=1", 1603, false},
        {"-QN /NoRestart REBOOTME=1", 3010, true},
        {"/q", 1, true},   // the classic switch: 1 whatever happened
        {"/x", 1, false},  // the about box, which returns at once without a display
        {"/?", 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(setup, c.tail), c.code) << c.tail;
        EXPECT_EQ(fs::exists(kInstalledFile), c.installed) << c.tail;
        Uninstall();
    }
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

TEST_F(DeployTest, PropertiesReachTheInstaller) {
    // Wine's msiexec drops every quote inside a value (Windows' reads "" as
    // one), so the quotes' round trip is the unit tests'; spaces survive.
    EXPECT_EQ(Run(WriteDeploySetup(), "/passive MYPROP=\"a b\" OTHER=two"), 0);
    EXPECT_EQ(Registry("MyProp"), "a b");
    EXPECT_EQ(Registry("Other"), "two");
}

TEST_F(DeployTest, LogFileTakesMsiexecsLogOrTheLaunchersLine) {
    EXPECT_EQ(Run(WriteDeploySetup(), "/quiet /log \"install log.txt\""), 0);
    EXPECT_NE(ReadText(dir_ / "install log.txt").find("=== Logging started"), std::string::npos);

    EXPECT_EQ(Run(WriteDeploySetup("9.9"), "/quiet /log launcher.log"), 1613);
    EXPECT_TRUE(
        IsLogLine(ReadText(dir_ / "launcher.log"), kTitle, "Windows Installer 9.0 is needed.", 4));
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));
}

TEST_F(DeployTest, LaunchersOwnOutcomesInQuietRuns) {
    Bytes damaged = BuildPayload(ProbeSettings("2.0"), Text(200000, 3));
    damaged[damaged.size() - 100] ^= 0x55;  // inside the last compressed record
    const fs::path broken = WriteSetup(damaged, "broken.exe");
    EXPECT_EQ(Run(broken, "/quiet"), 1620);
    EXPECT_EQ(Run(WriteDeploySetup("9.9"), "/quiet"), 1613);
    EXPECT_EQ(Run(WriteDeploySetup(), "/quiet /bogus"), 1639);
    const std::string log = ReadText(dir_ / "error.log");
    EXPECT_TRUE(IsLogLine(log.substr(log.rfind("INSTALLATION ERROR")), "Tarvix Software",
                          "Illegal command line", 11));

    const fs::path large =
        WriteSetup(BuildPayload(ProbeSettings("2.0"), Text(3 * 1048576, 6)), "large.exe");
    const fs::path drive = dir_ / "small-drive";
    if (!MountSmallDrive(drive, 2))
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    const int full = Run(large, "/quiet", "T:\\tmp");
    UnmountSmallDrive(drive);
    EXPECT_EQ(full, 112);
}

}  // namespace
}  // namespace boxlift::e2e
