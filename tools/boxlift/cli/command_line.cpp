#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <sstream>
#include <thread>
#include <vector>

namespace boxlift {
namespace {

constexpr char kVersion[] = "boxlift " BOXLIFT_VERSION;

// The subcommands, filling one request each.
struct Requests {
    BuildRequest build;
    InspectRequest inspect;
    ExtractRequest extract;
    VerifyRequest verify;
    ManifestRequest manifest;
};

void AddBuild(CLI::App& app, BuildRequest& r) {
    CLI::App* build = app.add_subcommand(
        "build", "Packs PACKAGE.msi into a setup.exe: the launcher with the package appended.");
    build->add_option("PACKAGE", r.package, "the Windows Installer package")->required();
    build->add_option("-c,--config", r.config,
                      "INI file whose [settings] override the texts made from the package");
    // An empty name would quietly mean the default.
    const CLI::Validator named(
        [](const std::string& name) { return name.empty() ? "the file name is empty" : ""; }, "",
        "named");
    build->add_option("-o,--output", r.out, "the file to write (default: PACKAGE with .exe)")
        ->check(named);
    build->add_option("--launcher", r.launcher,
                      "a launcher image to use instead of the one built into boxlift");
    r.jobs = std::max(1u, std::thread::hardware_concurrency());
    build
        ->add_option("-j,--jobs", r.jobs,
                     "pieces compressed at once (default: the number of cores)")
        ->check(CLI::Range(1u, 1024u));
    build
        ->add_option("--level", r.level,
                     "compression level, " + std::to_string(kMinLevel) + " fastest to " +
                         std::to_string(kMaxLevel) + " smallest (default " +
                         std::to_string(kDefaultLevel) + ")")
        ->check(CLI::Range(kMinLevel, kMaxLevel));
    build->add_flag("-q,--quiet", r.quiet,
                    "no progress bar and no summary; errors are still printed");
}

// The SETUP argument of inspect, extract and verify.
void AddSetupFile(CLI::App& command, std::filesystem::path& setup) {
    command.add_option("SETUP", setup, "a setup.exe written by boxlift")->required();
}

// The roots a signature's chain is checked against, for inspect and verify.
void AddCaFile(CLI::App& command, std::filesystem::path& caFile) {
    // An empty name would quietly check no chain.
    const CLI::Validator named(
        [](const std::string& name) { return name.empty() ? "the file name is empty" : ""; }, "",
        "named");
    command
        .add_option("--ca", caFile,
                    "PEM file of trusted root certificates: each signer's and timestamp "
                    "authority's chain must reach one (default: chains not checked)")
        ->check(named);
}

void AddInspect(CLI::App& app, InspectRequest& r) {
    CLI::App* inspect = app.add_subcommand(
        "inspect",
        "Shows the payload of SETUP.exe: layout, settings, records, version, signature, "
        "the package's own signature.");
    AddSetupFile(*inspect, r.setup);
    inspect->add_flag("--json", r.json, "print one JSON object");
    inspect->add_option_function<unsigned>(
        "--codepage", [&r](unsigned codepage) { r.codepage = codepage; },
        "code page the settings' texts were written in (default: 1252 when every text is "
        "valid in it, else bytes above 127 shown as \\xNN)");
    AddCaFile(*inspect, r.caFile);
}

void AddExtract(CLI::App& app, ExtractRequest& r) {
    CLI::App* extract = app.add_subcommand(
        "extract", "Writes the package inside SETUP.exe to DIR, checking every record.");
    AddSetupFile(*extract, r.setup);
    extract->add_option("-o,--output", r.outDir, "directory for the package (default: .)");
}

void AddVerify(CLI::App& app, VerifyRequest& r) {
    CLI::App* verify = app.add_subcommand(
        "verify",
        "Checks that SETUP.exe keeps the payload contract, that its signatures sign it and "
        "that the package's own signatures sign the package; exit 0 when they do.");
    AddSetupFile(*verify, r.setup);
    AddCaFile(*verify, r.caFile);
}

void AddManifest(CLI::App& app, ManifestRequest& r) {
    CLI::App* manifest = app.add_subcommand(
        "manifest", "Prints a winget installer manifest for SETUP.exe, to be published at URL.");
    AddSetupFile(*manifest, r.setup);
    manifest->add_option("--url", r.url, "the https:// address SETUP.exe is downloaded from")
        ->required();
    manifest->add_option("--id", r.id,
                         "the PackageIdentifier, Publisher.Product (default: made from the "
                         "package's Manufacturer and ProductName)");
    manifest->add_flag("--json", r.json, "print it as JSON instead of YAML");
}

bool IsCommand(CLI::App& app, std::string_view name) {
    auto all = app.get_subcommands([](CLI::App*) { return true; });
    return std::ranges::any_of(all, [&](CLI::App* sub) { return sub->get_name() == name; });
}

Command Chosen(const CLI::App& app, Requests& r) {
    if (app.got_subcommand("build")) return r.build;
    if (app.got_subcommand("inspect")) return r.inspect;
    if (app.got_subcommand("extract")) return r.extract;
    if (app.got_subcommand("manifest")) return r.manifest;
    return r.verify;
}

}  // namespace

Command ParseCommandLine(std::span<const std::string_view> args) {
    CLI::App app("Packs Windows Installer packages into self-extracting setup.exe files.",
                 "boxlift");
    // The same options everywhere: CLI11 would take "/name" for an option
    // on Windows, and so a path such as /tmp/product.msi.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", kVersion);
    app.require_subcommand(1);
    Requests requests;
    AddBuild(app, requests.build);
    AddInspect(app, requests.inspect);
    AddExtract(app, requests.extract);
    AddVerify(app, requests.verify);
    AddManifest(app, requests.manifest);
    // CLI11 would only say that a command is missing.
    if (!args.empty() && !args[0].starts_with('-') && !IsCommand(app, args[0]))
        return Printed{"boxlift: unknown command \"" + std::string(args[0]) +
                           "\"\nRun 'boxlift --help' for the usage.\n",
                       true, kExitUsage};
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        int code = app.exit(e, out, err);
        if (code == 0) return Printed{out.str()};
        return Printed{
            "boxlift: " + std::string(e.what()) + "\nRun 'boxlift --help' for the usage.\n", true,
            kExitUsage};
    }
    return Chosen(app, requests);
}

}  // namespace boxlift
