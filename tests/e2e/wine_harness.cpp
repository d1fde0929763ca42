#include "wine_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace boxlift::e2e {

using std::chrono::seconds;

RunResult RunProcess(const std::vector<std::string>& argv, const fs::path& dir, seconds timeout) {
    fs::create_directories(WorkRoot());
    std::string outName = (WorkRoot() / "output-XXXXXX").string();
    const int out = mkstemp(outName.data());
    if (out < 0) throw std::runtime_error("mkstemp: " + std::string(strerror(errno)));
    unlink(outName.c_str());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(out, 1);
        dup2(out, 2);
        if (chdir(dir.c_str()) == 0) execvp(args[0], args.data());
        dprintf(2, "cannot start %s: %s\n", args[0], strerror(errno));
        _exit(127);
    }
    setpgid(pid, pid);  // also here, so that the group exists before any kill
    RunResult result;
    int status = 0;
    pid_t done = pid < 0 ? pid : 0;
    while (done == 0 && (done = waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            done = waitpid(pid, &status, 0);
            result.output = "[killed after " + std::to_string(timeout.count()) + " s]\n";
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (done == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (done == pid && WIFSIGNALED(status))
        result.output += "[ended by signal " + std::to_string(WTERMSIG(status)) + "]\n";
    char buffer[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(out, buffer, sizeof buffer, at)) > 0; at += n)
        result.output.append(buffer, (std::size_t)n);
    close(out);
    return result;
}

std::string ToWindowsPath(const fs::path& linuxPath) {
    std::string text = fs::absolute(linuxPath).lexically_normal().string();
    // The launcher takes all after /e as the directory, and Wine would quote it.
    if (text.find(' ') != std::string::npos)
        throw std::runtime_error("path with a space cannot be passed: " + text);
    std::replace(text.begin(), text.end(), '/', '\\');
    return "Z:" + text;
}

Bytes Text(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {
        "the",      "installer", "package",  "writes", "files", "into",    "and",     "feature",
        "registry", "value",     "shortcut", "of",     "a",     "product", "version", "CmSSFX2"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size)
        text += std::string(kWords[random() % std::size(kWords)]) + (random() % 12 ? " " : "\r\n");
    return Bytes(text.begin(), text.begin() + (std::ptrdiff_t)size);
}

Bytes Noise(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (std::uint8_t& b : bytes) b = (std::uint8_t)random();
    return bytes;
}

Settings FullSettings() {
    Settings s;
    s.title = "Boxlift End-to-End Test Product";
    s.errorText = "The installation could not be completed.";
    s.showWelcome = s.welcomeAsDialog = s.showProgress = true;
    s.exitCaption = "E&xit";
    s.continueCaption = "&Continue";
    while (s.welcomeText.size() < 12000)
        s.welcomeText += "This program installs the test product on your computer.\r\n";
    s.requiredEngineVersion = EncodeEngineVersion("2.0");
    s.engineMissingText = "Windows Installer 2.0 or later is needed. Open the download page?";
    s.engineDownloadTarget = "https://example.invalid/windows-installer";
    s.diskSpaceText = "Drive %ofd_drive% needs %fd_mbytes% MB more free space.";
    s.dialogHeading = "Preparing the installation";
    s.progressText = "Please wait while the package is unpacked.";
    s.cancelCaption = "Cancel";
    s.cancelQuestion = "Do you want to cancel the installation?";
    return s;
}

Bytes BuildPayload(const Settings& settings, ByteView package) {
    return BuildPayloadFile(ReadFileBytes(LauncherPath()), settings, package);
}

Bytes AssemblePayload(const Settings& settings, ByteView chunkStream) {
    Bytes out = ReadFileBytes(LauncherPath());
    out.insert(out.end(), kMarker, kMarker + kMarkerLength);
    const Bytes block = EncodeSettingsBlock(settings);
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), chunkStream.begin(), chunkStream.end());
    return out;
}

std::string TempName(int value) {
    char name[16];
    snprintf(name, sizeof name, "qz%02x%02x%02x.msi", value, value, value);
    return name;
}

std::string ReadText(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::vector<std::string> ListDir(const fs::path& dir) {
    std::vector<std::string> names;
    if (fs::is_directory(dir))
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
    return names;
}

void LauncherTest::SetUp() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        (WorkRoot() / (std::string(test->test_suite_name()) + "." + test->name() + "-XXXXXX"))
            .string();
    fs::create_directories(WorkRoot());
    ASSERT_TRUE(mkdtemp(name.data())) << name << ": " << strerror(errno);
    dir_ = name;
}

void LauncherTest::TearDown() {
    if (HasFailure())
        std::cout << "[ kept     ] " << dir_.string() << std::endl;
    else
        fs::remove_all(dir_);
}

fs::path LauncherTest::WriteSetup(ByteView payload, const std::string& name) {
    // Not WriteFileBytes, which syncs to disk: slow and not needed here.
    std::ofstream file(dir_ / name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(payload.data()), (std::streamsize)payload.size());
    if (!file.flush()) throw std::runtime_error("cannot write " + name);
    return dir_ / name;
}

::testing::AssertionResult HoldsOnlyPackage(const fs::path& outDir, ByteView expected) {
    const std::vector<std::string> names = ListDir(outDir);
    if (names.size() != 1)
        return ::testing::AssertionFailure() << outDir << " holds " << names.size() << " files";
    bool tempName = false;
    for (int value = 0; value < 255; ++value) tempName |= names[0] == TempName(value);
    if (!tempName) return ::testing::AssertionFailure() << "unexpected name " << names[0];
    // On a difference: the sizes and the first differing offset, not a dump.
    const Bytes actual = ReadFileBytes(outDir / names[0]);
    auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << names[0] << ": size " << actual.size() << ", expected " << expected.size()
           << "; first difference at offset " << (a - actual.begin());
}

::testing::AssertionResult HoldsNoFile(const fs::path& dir) {
    auto failure = ::testing::AssertionFailure() << dir << " holds:";
    for (const std::string& name : ListDir(dir)) failure << " " << name;
    return ListDir(dir).empty() ? ::testing::AssertionSuccess() : failure;
}

namespace {

// Sets the Wine variables for this process and its children, creates the
// prefix unless one is ready, keeps one wineserver alive for the run (each
// program then starts quickly) and makes one warm-up call.
class WineEnvironment : public ::testing::Environment {
    void SetUp() override {
        setenv("WINEPREFIX", WinePrefix().c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        // Without a display a message box returns at once instead of waiting
        // for a click, so that a run that goes wrong ends rather than hangs.
        // The dialog tests get a display of their own.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (getenv("BOXLIFT_E2E_XVFB")) StartDisplay();
        const fs::path dir = WorkRoot();
        StopServer();  // one left by an interrupted run
        const fs::path ready = WinePrefix() / ".boxlift-prefix-ready";
        if (!fs::exists(ready)) {
            fs::remove_all(WinePrefix());
            RunResult boot = RunProcess({BOXLIFT_WINE, "wineboot", "-i"}, dir, seconds(300));
            ASSERT_EQ(boot.exitCode, 0) << "wineboot -i failed:\n" << boot.output;
            // Ready only once its server has written the registry and ended.
            RunResult wait = RunProcess({BOXLIFT_WINESERVER, "-w"}, dir, seconds(120));
            ASSERT_EQ(wait.exitCode, 0) << "wineserver -w:\n" << wait.output;
            std::ofstream(ready) << "created by the e2e tests\n";
        }
        RunResult server = RunProcess({BOXLIFT_WINESERVER, "-p60"}, dir, seconds(30));
        ASSERT_EQ(server.exitCode, 0) << "wineserver -p60 failed:\n" << server.output;
        RunResult warm = RunProcess({BOXLIFT_WINE, "cmd", "/c", "exit"}, dir);
        ASSERT_EQ(warm.exitCode, 0) << "warm-up call failed:\n" << warm.output;
    }

    void TearDown() override {
        StopServer();
        if (display_ > 0) {
            kill(display_, SIGTERM);
            waitpid(display_, nullptr, 0);
        }
    }

    // Xvfb on the first free display number from :90 on. The number's lock
    // may be taken between the look and the start: then the server ends at
    // once and the next number is tried.
    void StartDisplay() {
        for (int number = 90; number < 190; ++number) {
            const std::string name = ":" + std::to_string(number);
            const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (fs::exists(socket) || fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            const pid_t pid = fork();
            if (pid == 0) {
                const int null = open("/dev/null", O_RDWR);
                dup2(null, 0), dup2(null, 1), dup2(null, 2);
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                       "tcp", (char*)nullptr);
                _exit(127);
            }
            for (int wait = 0; wait < 100 && !fs::exists(socket); ++wait) {
                if (waitpid(pid, nullptr, WNOHANG) == pid) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            if (fs::exists(socket) && waitpid(pid, nullptr, WNOHANG) == 0) {
                display_ = pid;
                setenv("DISPLAY", name.c_str(), 1);
                return;
            }
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        FAIL() << "no Xvfb display could be started";
    }

    pid_t display_ = 0;

    static void StopServer() {
        RunProcess({BOXLIFT_WINESERVER, "-k"}, WorkRoot(), seconds(30));
        RunProcess({BOXLIFT_WINESERVER, "-w"}, WorkRoot(), seconds(60));
    }
};

}  // namespace
}  // namespace boxlift::e2e

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new boxlift::e2e::WineEnvironment);
    int status = RUN_ALL_TESTS();
    // Every test that ran was skipped (a resource it needs is missing):
    // ctest's SKIP_RETURN_CODE, so that its summary shows it was not run.
    const auto& run = *::testing::UnitTest::GetInstance();
    if (status == 0 && run.test_to_run_count() > 0 &&
        run.skipped_test_count() == run.test_to_run_count())
        return 77;
    return status;
}
