// boxlift: packs an installer package into a setup.exe, and looks inside
// one. Exit status: 0 done, 1 bad input or failure (nothing written), 2 bad
// command line.
#include <clocale>
#include <iostream>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "cli/command_line.h"
#include "cli/commands.h"

namespace {

int Run(const boxlift::Command& command) {
    struct Dispatch {
        int operator()(const boxlift::Printed& p) const {
            (p.toStderr ? std::cerr : std::cout) << p.text;
            return p.exitCode;
        }
        int operator()(const boxlift::BuildRequest& r) const { return RunBuild(r, std::cout); }
        int operator()(const boxlift::InspectRequest& r) const { return RunInspect(r, std::cout); }
        int operator()(const boxlift::ExtractRequest& r) const { return RunExtract(r, std::cout); }
        int operator()(const boxlift::VerifyRequest& r) const { return RunVerify(r, std::cout); }
        int operator()(const boxlift::ManifestRequest& r) const {
            return RunManifest(r, std::cout);
        }
    };
    return std::visit(Dispatch{}, command);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Paths arrive in the ANSI code page: convert them with it, not as
    // Latin-1. Only the character type: numbers keep their C formatting.
    std::setlocale(LC_CTYPE, "");
#endif
    std::vector<std::string_view> args(argv + 1, argv + argc);
    try {
        return Run(boxlift::ParseCommandLine(args));
    } catch (const boxlift::Error& e) {
        std::cerr << "boxlift: " << e.Message() << '\n';
        return boxlift::kExitFailure;
    } catch (const std::exception& e) {
        std::cerr << "boxlift: " << e.what() << '\n';
        return boxlift::kExitFailure;
    }
}
