// boxlift build: the launcher image, its identity, the settings and the
// package, written as one setup.exe.
#include <iostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "image/embedded_launcher.h"
#include "image/image_identity.h"
#include "image/setup_writer.h"
#include "package/config.h"
#include "package/package_info.h"
#include "package/product_texts.h"
#include "package/product_version.h"
#include "payload/chunk_writer.h"
#include "payload/launcher_image.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

// Writing OUT over one of the inputs would destroy it for nothing.
void RefuseOverwritingInput(const fs::path& out, std::initializer_list<fs::path> inputs) {
    for (const fs::path& input : inputs) {
        std::error_code ignored;  // a missing OUT is no conflict
        bool same = out == input || (!input.empty() && fs::equivalent(out, input, ignored));
        if (same && !input.empty())
            throw Error("is the same file as the input " + input.string()).InFile(out.string());
    }
}

// The [version] overrides; a FileVersion or ProductVersion given there
// must be a version the fixed fields can hold.
std::vector<std::pair<std::string, std::string>> VersionOverrides(const Config& config) {
    std::vector<std::pair<std::string, std::string>> overrides;
    for (const ConfigEntry& entry : config.version) {
        if (entry.key == "FileVersion" || entry.key == "ProductVersion") {
            try {
                ParseFourPartVersion(entry.value);
            } catch (Error& e) {
                LocateEntryError(e, config.fileName, entry);
                throw;
            }
        }
        overrides.emplace_back(entry.key, entry.value);
    }
    return overrides;
}

// The embedded launcher, or the one at launcher, given the product's
// identity; checked either way.
Bytes LauncherImage(const BuildRequest& request, const Config& config, const VersionInfo& version) {
    const fs::path name =
        request.launcher.empty() ? fs::path("the built-in launcher") : request.launcher;
    ByteView embedded = EmbeddedLauncher();
    Bytes image = request.launcher.empty() ? Bytes(embedded.begin(), embedded.end())
                                           : ReadFileBytes(request.launcher);
    return AboutFile(name, [&] {  // errors about the icon or the logo name that file
        CheckLauncherImage(image);
        return ApplyIdentity(image, version, {.icon = config.icon, .logo = config.logo});
    });
}

// The package's first bytes, enough for its signature.
Bytes PackageStart(const fs::path& package) {
    Bytes start(8);
    start.resize(InputFile(package).Read(start));
    return start;
}

// WriteSetupFile with a progress bar on standard error when it is a
// terminal and not quiet; the bar's line is gone once this returns.
std::uint64_t WriteWithProgress(const fs::path& output, ByteView image, const Settings& settings,
                                const BuildRequest& request) {
    ProgressBar bar(std::cerr, !request.quiet && StderrIsTerminal());
    const PackOptions options{
        .jobs = request.jobs,
        .level = request.level,
        .progress = [&bar](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); }};
    return WriteSetupFile(output, image, settings, request.package, options);
}

}  // namespace

int RunBuild(const BuildRequest& request, std::ostream& out) {
    const fs::path output =
        request.out.empty() ? fs::path(request.package).replace_extension(".exe") : request.out;
    RefuseOverwritingInput(output, {request.package, request.config, request.launcher});
    const ProductInfo product = ReadProductInfo(request.package, PackageStart(request.package));
    const Config config = request.config.empty() ? Config{} : LoadConfig(request.config);
    const Settings settings = ProductSettings(product, config, request.package.string());
    const auto overrides = VersionOverrides(config);
    // The overrides are checked: a bad version is the package's.
    const VersionInfo version = AboutFile(request.package, [&] {
        return ProductVersionInfo(product, output.filename().string(), overrides);
    });
    const Bytes image = LauncherImage(request, config, version);
    const std::uint64_t packageSize = WriteWithProgress(output, image, settings, request);
    if (request.quiet) return 0;
    out << "boxlift: wrote " << output.string() << " (" << fs::file_size(output) << " bytes, "
        << ChunkCount(packageSize) << " chunks)\n";
    return 0;
}

}  // namespace boxlift
