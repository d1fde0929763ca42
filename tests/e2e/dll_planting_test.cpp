// The launcher resists DLL planting: it imports only known system DLLs and
// never uses a version.dll planted beside it.
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "install_fixture.h"
#include "test_packages.h"

namespace boxlift::e2e {
namespace {

TEST(LauncherImports, OnlyKnownSystemDlls) {
    RunResult dump = RunProcess({BOXLIFT_OBJDUMP, "-p", LauncherPath().string()},
                                WorkRoot());
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    std::set<std::string> imported;
    std::istringstream lines(dump.output);
    for (std::string line; std::getline(lines, line);) {
        const std::string key = "DLL Name: ";
        std::size_t at = line.find(key);
        if (at == std::string::npos) continue;
        std::string name = line.substr(at + key.size());
        for (char& c : name) c = (char)toupper((unsigned char)c);
        imported.insert(name);
    }
    const std::set<std::string> allowed = {"KERNEL32.DLL", "USER32.DLL",
                                           "GDI32.DLL",    "SHELL32.DLL",
                                           "COMCTL32.DLL", "MSVCRT.DLL"};
    ASSERT_FALSE(imported.empty()) << dump.output;
    for (const std::string& name : imported)
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;
}

// Runs under an override that makes Wine prefer a version.dll from the
// application directory; the planted copy records what reaches it.
class PlantedVersionDll : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        fs::copy_file(fs::path(BOXLIFT_WINTESTS_DIR) / "plant" / "version.dll",
                      dir_ / "version.dll");
        log_ = dir_ / "plant.log";
        setenv("BOXLIFT_PLANT_LOG", ToWindowsPath(log_).c_str(), 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;version=n,b", 1);
    }
    void TearDown() override {
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        unsetenv("BOXLIFT_PLANT_LOG");
        InstallTest::TearDown();
    }
    std::string Log() { return ReadText(log_); }
    fs::path log_;
};

TEST_F(PlantedVersionDll, ABareNameLoadIsCaught) {
    // The control: a program that loads version.dll by name gets the
    // planted copy, and the copy records the call.
    fs::copy_file(fs::path(BOXLIFT_WINTESTS_DIR) / "bare_version_load.exe",
                  dir_ / "bare_version_load.exe");
    RunResult run = RunWindowsProgram(dir_ / "bare_version_load.exe", {}, dir_);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(Log().find("called GetFileVersionInfoSizeA from bare_version_load.exe"),
              std::string::npos)
        << Log();
}

TEST_F(PlantedVersionDll, LauncherNeverUsesThePlantedCopy) {
    const fs::path setup = WriteSetup(ProbeSetup(EncodeEngineVersion("4.5")));

    RunResult run = RunWindowsProgram(setup, {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    const std::string log = Log();
    EXPECT_NE(log.find("mapped in setup.exe"), std::string::npos)
        << "the plant took effect: " << log;
    EXPECT_EQ(log.find("from setup.exe"), std::string::npos) << log;
    EXPECT_TRUE(ProductInstalled()) << "the engine check passed";
    EXPECT_FALSE(fs::exists(dir_ / "error.log")) << ReadText(dir_ / "error.log");
}

}  // namespace
}  // namespace boxlift::e2e
