// The tool's command line, on CLI11:
//   boxlift build [--config FILE] [-o OUT] [--launcher PATH] [--jobs N] [--level N]
//                [--quiet] PACKAGE.msi
//   boxlift inspect [--json] [--codepage N] [--ca FILE] SETUP.exe
//   boxlift extract [-o DIR] SETUP.exe
//   boxlift verify [--ca FILE] SETUP.exe
//   boxlift manifest --url URL [--id ID] [--json] SETUP.exe
//   boxlift --version | --help, and --help after each command
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "payload/pack_options.h"

namespace boxlift {

inline constexpr int kExitFailure = 1;  // bad input, or the work failed
inline constexpr int kExitUsage = 2;    // the command line does not fit

struct BuildRequest {
    std::filesystem::path package;
    std::filesystem::path config;    // empty: every text from the package
    std::filesystem::path out;       // empty: the package's name with .exe
    std::filesystem::path launcher;  // empty: the embedded launcher
    unsigned jobs = 1;               // pieces compressed at once
    int level = kDefaultLevel;       // kMinLevel fastest to kMaxLevel smallest
    bool quiet = false;              // no progress bar, no summary line
};

struct InspectRequest {
    std::filesystem::path setup;
    bool json = false;
    std::optional<unsigned> codepage;  // of the settings' texts; none: see WriteInspectReport
    std::filesystem::path caFile;      // roots for the signatures' chains; empty: none
};

struct ExtractRequest {
    std::filesystem::path setup;
    std::filesystem::path outDir = ".";
};

struct VerifyRequest {
    std::filesystem::path setup;
    std::filesystem::path caFile;  // roots for the signatures' chains; empty: none
};

struct ManifestRequest {
    std::filesystem::path setup;
    std::string url;  // where the setup.exe will be downloaded from
    std::string id;   // empty: made from Manufacturer and ProductName
    bool json = false;
};

// Help, the version or a usage error: text to print and the exit code.
struct Printed {
    std::string text;
    bool toStderr = false;
    int exitCode = 0;
};

using Command = std::variant<Printed, BuildRequest, InspectRequest, ExtractRequest, VerifyRequest,
                             ManifestRequest>;

// args: the arguments after the program name.
Command ParseCommandLine(std::span<const std::string_view> args);

}  // namespace boxlift
