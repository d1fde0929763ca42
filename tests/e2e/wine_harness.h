// The end-to-end harness: Windows programs run under Wine in one prefix for
// the whole run, payloads around the real launcher, test data, a work
// directory per test, and the installing runs' fixture.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/byte_writer.h"
#include "base/error.h"
#include "payload/chunk_writer.h"
#include "payload/engine_version.h"
#include "payload/marker.h"
#include "payload/payload_file.h"
#include "payload/piece_compressor.h"
#include "payload/settings_block_writer.h"
#include "platform/file_io.h"

namespace boxlift::e2e {

namespace fs = std::filesystem;

inline fs::path LauncherPath() { return fs::path(BOXLIFT_LAUNCHER_DIR) / "launcher.exe"; }
inline fs::path WinePrefix() { return fs::path(BOXLIFT_E2E_BUILD_DIR) / "wine"; }
inline fs::path WorkRoot() { return fs::path(BOXLIFT_E2E_BUILD_DIR) / "e2e-work"; }

struct RunResult {
    int exitCode = -1;   // -1 when the program did not exit by itself
    std::string output;  // stdout and stderr
};

// Runs argv in dir in its own process group, the output going to an
// unlinked file (Wine's background services could hold a pipe open). The
// whole group is killed once timeout has passed.
RunResult RunProcess(const std::vector<std::string>& argv, const fs::path& dir,
                     std::chrono::seconds timeout = std::chrono::seconds(120));
inline RunResult RunWindowsProgram(const fs::path& program, std::vector<std::string> args,
                                   const fs::path& dir) {
    args.insert(args.begin(), {BOXLIFT_WINE, program.string()});
    return RunProcess(args, dir);
}
std::string ToWindowsPath(const fs::path& linuxPath);  // "/a/b" -> "Z:\a\b"

// English-like text that compresses (and holds the marker here and there),
// and random bytes that do not.
Bytes Text(std::size_t size, std::uint32_t seed);
Bytes Noise(std::size_t size, std::uint32_t seed);

Settings FullSettings();  // every flag on, every text filled
// launcher | payload of package, as the packaging tool writes it.
Bytes BuildPayload(const Settings& settings, ByteView package);
// launcher | marker | settings block | chunkStream, for hand-built streams.
Bytes AssemblePayload(const Settings& settings, ByteView chunkStream);

std::string TempName(int value);  // qzVVVVVV.msi for a value 0 to 254
std::string ReadText(const fs::path& path);
std::vector<std::string> ListDir(const fs::path& dir);  // empty when there is none

// A fresh work directory per test, kept when the test fails.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    fs::path WriteSetup(ByteView payload, const std::string& name = "setup.exe");
    RunResult RunExtract(const fs::path& program, const fs::path& outDir) {
        return RunWindowsProgram(program, {"/e", ToWindowsPath(outDir)}, dir_);
    }
    fs::path dir_;
};

// outDir holds one file only, under a temporary package name, with that content.
::testing::AssertionResult HoldsOnlyPackage(const fs::path& outDir, ByteView expected);
::testing::AssertionResult HoldsNoFile(const fs::path& dir);  // or does not exist

inline constexpr char kTitle[] = "Boxlift Probe Setup";
inline constexpr char kErrorText[] = "Setup could not finish.";

// The installing runs: a real package built by wixl once per run.
class InstallTest : public LauncherTest {
protected:
    void SetUp() override;
    void TearDown() override;  // uninstalls the probe product if installed
    // A payload of the probe package requiring engine version "X.Y".
    fs::path WriteProbeSetup(const std::string& engineVersion,
                             const std::string& name = "setup.exe");
    static bool ProductInstalled();  // this run's probe product
    void Uninstall();                // the probe product, if installed
};

// packages/NAME.wxs built by wixl in dir, with NAME-readme.txt holding
// readme beside it; throws when wixl fails.
Bytes BuildTestPackage(const fs::path& dir, const std::string& name, const std::string& readme);
// The probe package (built by wixl once per run) and settings around it.
const Bytes& ProbePackage();
Settings ProbeSettings(const std::string& engineVersion);
std::string WineUser();
fs::path UserTemp();  // the Linux side of the Wine user's temporary directory
::testing::AssertionResult NoTempPackages(const fs::path& dir);
// text is exactly one error-log line with this caption, message and code.
::testing::AssertionResult IsLogLine(const std::string& text, const std::string& caption,
                                     const std::string& message, int code);
// program arg through cmd with TMP and TEMP set to the Windows path tmp.
RunResult RunWithTemp(const fs::path& dir, const std::string& tmp, const fs::path& program,
                      const std::string& arg);
// A tmpfs of sizeMiB mounted at dir (created) as Wine's drive T:; false
// when this machine cannot mount one. UnmountSmallDrive undoes it.
bool MountSmallDrive(const fs::path& dir, int sizeMiB);
void UnmountSmallDrive(const fs::path& dir);

}  // namespace boxlift::e2e
