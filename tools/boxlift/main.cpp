// boxlift: packs an installer package and its settings onto the launcher.
// Exit status: 0 done, 1 failed (nothing written), 2 bad command line.
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "config.h"
#include "payload_writer.h"

namespace {

int RunBuild(const boxlift::BuildRequest& request) {
    boxlift::Settings settings = boxlift::LoadConfig(request.config);
    boxlift::WritePayloadFile(request.launcher, settings, request.package,
                              request.out);
    auto chunks = boxlift::ChunkCount(std::filesystem::file_size(request.package));
    std::cout << "boxlift: wrote " << request.out.string() << " ("
              << std::filesystem::file_size(request.out) << " bytes, " << chunks
              << " chunks)\n";
    return 0;
}

int Run(std::span<const std::string_view> args) {
    boxlift::Command command = boxlift::ParseCommandLine(args);
    if (std::holds_alternative<boxlift::HelpRequest>(command)) {
        std::cout << boxlift::kUsage;
        return 0;
    }
    return RunBuild(std::get<boxlift::BuildRequest>(command));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const boxlift::UsageError& e) {
        std::cerr << "boxlift: " << e.what() << "\n\n" << boxlift::kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "boxlift: " << e.what() << '\n';
        return 1;
    }
}
