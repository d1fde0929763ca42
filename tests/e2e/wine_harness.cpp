#include "wine_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <iostream>
#include <thread>

extern char** environ;

namespace boxlift::e2e {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

// Only the end of a long output is kept for failure messages.
constexpr std::size_t kMaxOutput = 64 * 1024;

std::string ReadBack(int fd) {
    off_t size = lseek(fd, 0, SEEK_END);
    if (size <= 0) return {};
    off_t start = size > (off_t)kMaxOutput ? size - (off_t)kMaxOutput : 0;
    std::string text((std::size_t)(size - start), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = pread(fd, text.data() + done, text.size() - done,
                          start + (off_t)done);
        if (n <= 0) break;
        done += (std::size_t)n;
    }
    text.resize(done);
    return text;
}

// Waits for pid until the deadline; kills its process group after that.
int WaitWithDeadline(pid_t pid, Clock::time_point deadline, bool* timedOut) {
    int status = 0;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return -1;
        if (Clock::now() >= deadline) {
            *timedOut = true;
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string SafeFileName(std::string name) {
    for (char& c : name)
        if (!isalnum((unsigned char)c) && c != '.' && c != '_' && c != '-')
            c = '_';
    return name;
}

}  // namespace

fs::path LauncherPath() { return fs::path(BOXLIFT_LAUNCHER_DIR) / "launcher.exe"; }
fs::path WinePrefix() { return fs::path(BOXLIFT_E2E_BUILD_DIR) / "wine"; }
fs::path WorkRoot() { return fs::path(BOXLIFT_E2E_BUILD_DIR) / "e2e-work"; }

RunResult RunProcess(const std::vector<std::string>& argv,
                     const fs::path& workingDir, seconds timeout) {
    RunResult result;
    fs::create_directories(WorkRoot());
    std::string outName = (WorkRoot() / "output-XXXXXX").string();
    int outFd = mkstemp(outName.data());
    if (outFd < 0) {
        result.output = "mkstemp failed: " + std::string(strerror(errno));
        return result;
    }
    unlink(outName.c_str());

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    posix_spawn_file_actions_addclose(&actions, outFd);
    posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    auto deadline = Clock::now() + timeout;
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        result.output = "cannot start " + argv[0] + ": " + strerror(rc);
    } else {
        result.exitCode = WaitWithDeadline(pid, deadline, &result.timedOut);
        result.output = ReadBack(outFd);
        if (result.timedOut)
            result.output += "\n[killed after " +
                             std::to_string(timeout.count()) + " s]";
    }
    close(outFd);
    return result;
}

RunResult RunWindowsProgram(const fs::path& program,
                            const std::vector<std::string>& args,
                            const fs::path& workingDir) {
    std::vector<std::string> argv = {BOXLIFT_WINE, program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, workingDir);
}

fs::path MakeWorkDir() {
    const ::testing::TestInfo* test =
        ::testing::UnitTest::GetInstance()->current_test_info();
    std::string label = test ? std::string(test->test_suite_name()) + "." +
                                   test->name()
                             : "e2e";
    fs::create_directories(WorkRoot());
    std::string name = (WorkRoot() / (SafeFileName(label) + "-XXXXXX")).string();
    if (!mkdtemp(name.data()))
        throw std::runtime_error("mkdtemp " + name + ": " + strerror(errno));
    return name;
}

std::string ToWindowsPath(const fs::path& linuxPath) {
    std::string text = fs::absolute(linuxPath).lexically_normal().string();
    // The launcher takes everything after /e as the directory, quotes and
    // all, and Wine quotes an argument holding a space.
    if (text.find(' ') != std::string::npos)
        throw std::runtime_error("path with a space cannot be passed: " + text);
    std::replace(text.begin(), text.end(), '/', '\\');
    return "Z:" + text;
}

void WineEnvironment::SetUp() {
    setenv("WINEPREFIX", WinePrefix().c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    // Without a display a message box returns at once instead of waiting
    // for a click, so that a run that goes wrong ends rather than hangs.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    fs::create_directories(WorkRoot());
    const fs::path dir = WorkRoot();

    // A server left by an interrupted run is ended first.
    RunProcess({BOXLIFT_WINESERVER, "-k"}, dir, seconds(30));
    RunProcess({BOXLIFT_WINESERVER, "-w"}, dir, seconds(60));

    const fs::path ready = WinePrefix() / ".boxlift-prefix-ready";
    if (!fs::exists(ready)) {
        fs::remove_all(WinePrefix());
        auto start = Clock::now();
        RunResult boot = RunProcess({BOXLIFT_WINE, "wineboot", "-i"}, dir,
                                    seconds(300));
        ASSERT_EQ(boot.exitCode, 0) << "wineboot -i failed:\n" << boot.output;
        // The prefix counts as ready only once its server has written the
        // registry and ended.
        RunResult wait = RunProcess({BOXLIFT_WINESERVER, "-w"}, dir, seconds(120));
        ASSERT_FALSE(wait.timedOut) << "wineserver -w did not return";
        std::ofstream(ready) << "created by the e2e tests\n";
        std::chrono::duration<double> took = Clock::now() - start;
        std::cout << "[ wine     ] created prefix " << WinePrefix().string()
                  << " in " << took.count() << " s" << std::endl;
    }

    RunResult server = RunProcess({BOXLIFT_WINESERVER, "-p60"}, dir, seconds(30));
    ASSERT_EQ(server.exitCode, 0) << "wineserver -p60 failed:\n" << server.output;
    serverStarted_ = true;

    auto start = Clock::now();
    RunResult warm = RunProcess({BOXLIFT_WINE, "cmd", "/c", "exit"}, dir);
    ASSERT_EQ(warm.exitCode, 0) << "warm-up call failed:\n" << warm.output;
    std::chrono::duration<double> took = Clock::now() - start;
    std::cout << "[ wine     ] warm-up call took " << took.count() << " s"
              << std::endl;
}

void WineEnvironment::TearDown() {
    if (!serverStarted_) return;
    RunProcess({BOXLIFT_WINESERVER, "-k"}, WorkRoot(), seconds(30));
    RunProcess({BOXLIFT_WINESERVER, "-w"}, WorkRoot(), seconds(60));
    serverStarted_ = false;
}

}  // namespace boxlift::e2e
