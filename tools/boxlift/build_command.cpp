// boxlift build: the launcher image, its identity, the settings and the
// package, written as one setup.exe.
#include <system_error>

#include "commands.h"
#include "config.h"
#include "package_info.h"
#include "pe_image.h"
#include "product_texts.h"

extern "C" const std::uint8_t boxlift_launcher_image[];
extern "C" const std::uint8_t boxlift_launcher_image_end[];

namespace boxlift {
namespace {

namespace fs = std::filesystem;

// Writing OUT over one of the inputs would destroy it for nothing.
void RefuseOverwritingInput(const fs::path& out, std::initializer_list<fs::path> inputs) {
    for (const fs::path& input : inputs) {
        std::error_code ignored;  // a missing OUT is no conflict
        bool same = out == input || (!input.empty() && fs::equivalent(out, input, ignored));
        if (same && !input.empty())
            throw Error(out.string() + ": is the same file as the input " + input.string());
    }
}

// The embedded launcher, or the one at launcher; checked either way.
Bytes LauncherImage(const fs::path& launcher) {
    ByteView embedded = EmbeddedLauncher();
    Bytes image = launcher.empty() ? Bytes(embedded.begin(), embedded.end())
                                   : ReadFileBytes(launcher);
    try {
        CheckLauncherImage(image);
        ParsePe(image);
    } catch (const Error& e) {
        throw Error((launcher.empty() ? "the built-in launcher" : launcher.string()) + ": " +
                    e.what());
    }
    return image;
}

}  // namespace

ByteView EmbeddedLauncher() {
    return ByteView(boxlift_launcher_image,
                    static_cast<std::size_t>(boxlift_launcher_image_end - boxlift_launcher_image));
}

int RunBuild(const BuildRequest& request, std::ostream& out) {
    const fs::path output =
        request.out.empty() ? fs::path(request.package).replace_extension(".exe") : request.out;
    RefuseOverwritingInput(output, {request.package, request.config, request.launcher});
    const Bytes package = ReadFileBytes(request.package);
    const ProductInfo product = ReadProductInfo(request.package, package);
    const Config config = request.config.empty() ? Config{} : LoadConfig(request.config);
    const Settings settings = ApplyConfig(
        config, ProductSettings(product, config.codepage, request.package.string()));
    const Bytes image = LauncherImage(request.launcher);
    Bytes setup = BuildPayloadFile(image, settings, package);
    SetPeChecksum(setup);
    WriteFileBytes(output, setup);
    out << "boxlift: wrote " << output.string() << " (" << fs::file_size(output) << " bytes, "
        << ChunkCount(package.size()) << " chunks)\n";
    return 0;
}

}  // namespace boxlift
