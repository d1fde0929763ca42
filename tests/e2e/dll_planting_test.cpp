// The launcher resists DLL planting: it imports only known system DLLs and
// never uses a version.dll planted beside it; its image keeps DEP and ASLR. And the inflate guard's
// own test program, which runs under Wine too.
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

TEST(LauncherImage, OnlyKnownSystemDllsAndMitigationsOn) {
    RunResult dump = RunProcess({BOXLIFT_OBJDUMP, "-p", LauncherPath().string()}, WorkRoot());
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    const std::set<std::string> allowed = {"KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",
                                           "SHELL32.DLL",  "COMCTL32.DLL", "MSVCRT.DLL"};
    int imports = 0;
    std::istringstream lines(dump.output);
    for (std::string line; std::getline(lines, line);) {
        std::size_t at = line.find("DLL Name: ");
        if (at == std::string::npos) continue;
        std::string name = line.substr(at + 10);
        for (char& c : name) c = (char)toupper((unsigned char)c);
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;
        ++imports;
    }
    EXPECT_GT(imports, 0) << dump.output;

    // DEP and ASLR: NX_COMPAT (0x100) and DYNAMIC_BASE (0x40), and the
    // relocations that a moved image needs.
    std::smatch match;
    ASSERT_TRUE(
        std::regex_search(dump.output, match, std::regex(R"(DllCharacteristics\s+([0-9a-f]+))")));
    EXPECT_EQ(std::stoul(match[1], nullptr, 16) & 0x140, 0x140u) << match[0];
    ASSERT_TRUE(std::regex_search(dump.output, match,
                                  std::regex(R"(Entry 5 [0-9a-f]+ ([0-9a-f]+) Base Relocation)")));
    EXPECT_NE(std::stoul(match[1], nullptr, 16), 0u) << "no relocations";
}

// Runs under an override that makes Wine prefer a version.dll from the
// application directory; the planted copy records what reaches it.
class PlantedVersionDll : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        fs::copy_file(fs::path(BOXLIFT_WINTESTS_DIR) / "plant" / "version.dll",
                      dir_ / "version.dll");
        setenv("BOXLIFT_PLANT_LOG", ToWindowsPath(dir_ / "plant.log").c_str(), 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;version=n,b", 1);
    }
    void TearDown() override {
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        unsetenv("BOXLIFT_PLANT_LOG");
        InstallTest::TearDown();
    }
};

// The control: a program that loads version.dll by bare name gets the
// planted copy, and the copy records the call.
TEST_F(PlantedVersionDll, ABareNameLoadIsCaught) {
    fs::copy_file(fs::path(BOXLIFT_WINTESTS_DIR) / "bare_version_load.exe",
                  dir_ / "bare_version_load.exe");
    RunResult run = RunWindowsProgram(dir_ / "bare_version_load.exe", {}, dir_);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::string log = ReadText(dir_ / "plant.log");
    EXPECT_NE(log.find("called GetFileVersionInfoSizeA from bare_version_load.exe"),
              std::string::npos)
        << log;
}

TEST_F(PlantedVersionDll, LauncherNeverUsesThePlantedCopy) {
    RunResult run = RunWindowsProgram(WriteProbeSetup("4.5"), {"/q"}, dir_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    const std::string log = ReadText(dir_ / "plant.log");
    EXPECT_NE(log.find("mapped in setup.exe"), std::string::npos)
        << "the plant took effect: " << log;
    EXPECT_EQ(log.find("from setup.exe"), std::string::npos) << log;
    EXPECT_TRUE(ProductInstalled()) << "the engine check passed";
    EXPECT_FALSE(fs::exists(dir_ / "error.log")) << ReadText(dir_ / "error.log");
}

TEST(WindowsPrograms, InflateGuardTurnsFaultsIntoFailures) {
    RunResult run = RunWindowsProgram(fs::path(BOXLIFT_WINTESTS_DIR) / "inflate_guard_test.exe", {},
                                      WorkRoot());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(" passed, 0 failed"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace boxlift::e2e
