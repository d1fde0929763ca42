// The fixture of the installing runs: a real package built by wixl once
// per test run, payloads around it, and looks into the Wine prefix.
#pragma once

#include <string>
#include <vector>

#include "launcher_test.h"

namespace boxlift::e2e {

inline constexpr char kTitle[] = "Boxlift Probe Setup";
inline constexpr char kErrorText[] = "Setup could not finish.";

class InstallTest : public LauncherTest {
protected:
    void SetUp() override;
    void TearDown() override;  // uninstalls the probe product if installed

    // Settings for the probe package with the given stored engine version.
    static Settings ProbeSettings(const std::string& engineVersion);
    // launcher | payload of the probe package.
    static Bytes ProbeSetup(const std::string& engineVersion);
    static const Bytes& ProbePackage();

    // Whether this run's probe product is installed in the prefix.
    static bool ProductInstalled();

    // program arg, run through cmd with TMP and TEMP set to the Windows
    // path tmp (Wine takes them from its own environment, not the host's).
    RunResult RunWithTemp(const std::string& tmp, const fs::path& program,
                          const std::string& arg);
};

std::string WineUser();
fs::path UserTemp();  // the Linux side of the Wine user's temporary directory

// dir holds no file named like a temporary package.
::testing::AssertionResult NoTempPackages(const fs::path& dir);

std::string ReadText(const fs::path& path);

// The codes of the error-log lines of the file, in order.
std::vector<int> LogCodes(const fs::path& log);

// text is exactly one error-log line with this caption, text and code.
::testing::AssertionResult IsLogLine(const std::string& text,
                                     const std::string& caption,
                                     const std::string& message, int code);

}  // namespace boxlift::e2e
