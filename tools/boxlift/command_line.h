// The tool's command line:
//   boxlift build --launcher PATH --config FILE -o OUT PACKAGE.msi
// options in any order, "--name=value" accepted for the long ones.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>
#include <variant>

#include "payload_writer.h"

namespace boxlift {

extern const char kUsage[];

// A command line that does not fit the usage: exit status 2.
class UsageError : public Error {
public:
    using Error::Error;
};

struct HelpRequest {};

struct BuildRequest {
    std::filesystem::path launcher;
    std::filesystem::path config;
    std::filesystem::path out;
    std::filesystem::path package;
};

using Command = std::variant<HelpRequest, BuildRequest>;

// args: the arguments after the program name. Throws UsageError.
Command ParseCommandLine(std::span<const std::string_view> args);

}  // namespace boxlift
