#include "install_fixture.h"

#include <pwd.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "test_packages.h"

namespace boxlift::e2e {
namespace {

// The installed file's content is unique to this test run, so that files
// left by an earlier, interrupted run are not taken for this run's.
const std::string& RunToken() {
    static const std::string token = [] {
        std::random_device device;
        return "probe " + std::to_string(device()) + "-" + std::to_string(device());
    }();
    return token;
}

fs::path ProbeDir() { return WorkRoot() / "probe-package"; }

fs::path InstalledFile() {
    return WinePrefix() / "drive_c" / "Program Files (x86)" / "BoxliftProbe" /
           "probe-readme.txt";
}

}  // namespace

std::string WineUser() {
    const passwd* user = getpwuid(getuid());
    return user ? user->pw_name : "root";
}

fs::path UserTemp() {
    return WinePrefix() / "drive_c" / "users" / WineUser() / "Temp";
}

const Bytes& InstallTest::ProbePackage() {
    static const Bytes package = [] {
        const fs::path dir = ProbeDir();
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(fs::path(BOXLIFT_E2E_SOURCE_DIR) / "packages" / "probe.wxs",
                      dir / "probe.wxs");
        std::ofstream(dir / "probe-readme.txt") << RunToken();
        RunResult built = RunProcess({BOXLIFT_WIXL, "-o", "probe.msi", "probe.wxs"}, dir);
        if (built.exitCode != 0)
            throw std::runtime_error("wixl failed: " + built.output);
        return ReadFileBytes(dir / "probe.msi");
    }();
    return package;
}

Settings InstallTest::ProbeSettings(const std::string& engineVersion) {
    Settings s;
    s.title = kTitle;
    s.errorText = kErrorText;
    s.requiredEngineVersion = engineVersion;
    s.engineMissingText = "Windows Installer 9.0 is needed.";
    s.engineDownloadTarget = "https://example.invalid/engine";
    s.diskSpaceText = "Not enough room on %ofd_drive%: (%fd_mbytes% MB).";
    return s;
}

Bytes InstallTest::ProbeSetup(const std::string& engineVersion) {
    return BuildPayloadFile(ReadFileBytes(LauncherPath()),
                            ProbeSettings(engineVersion), ProbePackage());
}

bool InstallTest::ProductInstalled() {
    return fs::exists(InstalledFile()) && ReadText(InstalledFile()) == RunToken();
}

void InstallTest::SetUp() {
    LauncherTest::SetUp();
    ProbePackage();
    ASSERT_FALSE(ProductInstalled()) << "left installed by an earlier test";
}

void InstallTest::TearDown() {
    if (ProductInstalled()) {
        RunResult removed = RunWindowsProgram(
            "msiexec", {"/q", "/x", ToWindowsPath(ProbeDir() / "probe.msi")}, dir_);
        EXPECT_FALSE(ProductInstalled()) << "uninstall failed: " << removed.output;
    }
    LauncherTest::TearDown();
}

RunResult InstallTest::RunWithTemp(const std::string& tmp, const fs::path& program,
                                   const std::string& arg) {
    std::ofstream batch(dir_ / "run.bat", std::ios::binary);
    batch << "@echo off\r\nset TMP=" << tmp << "\r\nset TEMP=" << tmp << "\r\n"
          << ToWindowsPath(program) << " " << arg << "\r\n";
    batch.close();
    return RunWindowsProgram("cmd", {"/c", "run.bat"}, dir_);
}

::testing::AssertionResult NoTempPackages(const fs::path& dir) {
    for (const std::string& name : ListDir(dir))
        if (IsTempPackageName(name))
            return ::testing::AssertionFailure() << dir << " still holds " << name;
    return ::testing::AssertionSuccess();
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<int> LogCodes(const fs::path& log) {
    std::vector<int> codes;
    std::string text = ReadText(log);
    static const std::regex line(R"(INSTALLATION ERROR: [^\r]* \| (\d+)\r\n)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line);
         it != std::sregex_iterator(); ++it)
        codes.push_back(std::stoi((*it)[1]));
    return codes;
}

::testing::AssertionResult IsLogLine(const std::string& text,
                                     const std::string& caption,
                                     const std::string& message, int code) {
    const std::string expected = " - " + caption + " - " + message + " | " +
                                 std::to_string(code) + "\r\n";
    static const std::regex head(R"(^INSTALLATION ERROR: \d{4}/\d{2}/\d{2} \d{2}:\d{2}$)");
    const std::size_t cut = 36;  // "INSTALLATION ERROR: YYYY/MM/DD hh:mm"
    if (text.size() < cut || !std::regex_match(text.substr(0, cut), head) ||
        text.substr(cut) != expected)
        return ::testing::AssertionFailure() << "not the expected log line: \"" << text << "\"";
    return ::testing::AssertionSuccess();
}

}  // namespace boxlift::e2e
