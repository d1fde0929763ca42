// boxlift manifest: a winget installer manifest for a setup.exe, every
// field the tool can know filled in: the wrapped package's identity, the
// file's SHA-256, the launcher's switches and exit codes.
#include <nlohmann/json.hpp>

#include <cctype>
#include <string_view>

#include "base/error.h"
#include "cli/commands.h"
#include "cli/yaml_text.h"
#include "platform/file_digest.h"

namespace boxlift {
namespace {

using nlohmann::ordered_json;

constexpr char kManifestVersion[] = "1.10.0";
constexpr char kSchemaComment[] =
    "# yaml-language-server: $schema=https://aka.ms/winget-manifest.installer.1.10.0.schema.json\n";

// The launcher's exit codes other than success, by winget's names.
constexpr struct {
    int code;
    const char* response;
} kReturnCodes[] = {
    {1602, "cancelledByUser"},        {1618, "installInProgress"}, {112, "diskFull"},
    {1613, "systemNotSupported"},     {1639, "invalidParameter"},  {1641, "rebootInitiated"},
    {3010, "rebootRequiredToFinish"},
};

// What winget allows in neither an identifier nor a version.
bool Forbidden(unsigned char c) {
    return c < 0x20 ||
           std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

std::size_t Characters(std::string_view utf8) {
    std::size_t count = 0;
    for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
    return count;
}

// One segment of a made identifier: the text without dots, spaces and the
// forbidden characters, cut to 32 characters.
std::string Segment(std::string_view text) {
    std::string segment;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '.' || c == ' ' || c == '\t' || Forbidden(c)) continue;
        if ((c & 0xC0) != 0x80 && ++characters > 32) break;
        segment += static_cast<char>(c);
    }
    return segment;
}

// Publisher.Product: two to eight segments of 1 to 32 characters.
bool IsIdentifier(std::string_view id) {
    if (id.size() > 128) return false;
    int segments = 0;
    for (std::size_t start = 0;; ++segments) {
        std::size_t dot = id.find('.', start);
        std::string_view segment = id.substr(start, dot - start);
        if (segment.empty() || Characters(segment) > 32) return false;
        for (unsigned char c : segment)
            if (c == ' ' || c == '\t' || Forbidden(c)) return false;
        if (dot == std::string_view::npos) return segments + 1 >= 2 && segments + 1 <= 8;
        start = dot + 1;
    }
}

std::string PackageIdentifier(const ManifestRequest& request, const PackageIdentity& id) {
    std::string made = Segment(id.manufacturer) + "." + Segment(id.productName);
    const std::string& chosen = request.id.empty() ? made : request.id;
    if (!IsIdentifier(chosen))
        throw Error("\"" + chosen +
                    "\" is no winget PackageIdentifier: Publisher.Product, two to eight "
                    "parts of 1 to 32 characters without spaces or \\/:*?\"<>|")
            .About(request.id.empty() ? "ProductName and Manufacturer" : "--id");
    return chosen;
}

std::string Architecture(const std::string& platform) {
    if (platform == "Intel") return "x86";
    if (platform == "x64") return "x64";
    if (platform == "Arm64") return "arm64";
    if (platform == "Arm") return "arm";
    throw Error("the package's platform \"" + platform + "\" has no winget architecture");
}

const std::string& Required(const std::string& value, const char* property) {
    if (value.empty()) throw Error(std::string("the package has no ") + property);
    return value;
}

void CheckRequest(const ManifestRequest& request) {
    const std::string& url = request.url;
    auto scheme = url.substr(0, url.find("://"));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((scheme != "http" && scheme != "https") || url.size() <= scheme.size() + 3 ||
        url.size() > 2048)
        throw Error("\"" + url + "\" is no http:// or https:// address").About("--url");
}

ordered_json Manifest(const ManifestRequest& request, const PackageIdentity& id) {
    const std::string& version = Required(id.productVersion, "ProductVersion");
    for (unsigned char c : version)
        if (Forbidden(c)) throw Error("ProductVersion \"" + version + "\" is no winget version");
    ordered_json codes = ordered_json::array();
    for (const auto& [code, response] : kReturnCodes)
        codes.push_back({{"InstallerReturnCode", code}, {"ReturnResponse", response}});
    ordered_json entry = {{"DisplayName", Required(id.productName, "ProductName")},
                          {"Publisher", Required(id.manufacturer, "Manufacturer")},
                          {"DisplayVersion", version},
                          {"ProductCode", Required(id.productCode, "ProductCode")}};
    if (!id.upgradeCode.empty()) entry["UpgradeCode"] = id.upgradeCode;
    entry["InstallerType"] = "msi";  // what Apps & Features shows: an MSI product
    return {
        {"PackageIdentifier", PackageIdentifier(request, id)},
        {"PackageVersion", version},
        {"InstallerType", "exe"},
        {"Scope", id.scope},
        {"InstallerSwitches",
         {{"Silent", "/quiet"}, {"SilentWithProgress", "/passive"}, {"Log", "/log \"<LOGPATH>\""}}},
        {"ExpectedReturnCodes", codes},
        {"ProductCode", id.productCode},
        {"AppsAndFeaturesEntries", ordered_json::array({entry})},
        {"Installers", ordered_json::array({{{"Architecture", Architecture(id.platform)},
                                             {"InstallerUrl", request.url},
                                             {"InstallerSha256", FileSha256(request.setup)}}})},
        {"ManifestType", "installer"},
        {"ManifestVersion", kManifestVersion}};
}

}  // namespace

int RunManifest(const ManifestRequest& request, std::ostream& out) {
    CheckRequest(request);
    const SetupFile setup = ReadSetupFile(request.setup);
    const ProductReport product = ReadProductReport(setup);
    if (!product.identity)
        throw Error("cannot read the package's identity: " + product.problem)
            .InFile(request.setup.string());
    const ordered_json manifest =
        AboutFile(request.setup, [&] { return Manifest(request, *product.identity); });
    if (request.json)
        out << manifest.dump(2) << '\n';
    else
        out << kSchemaComment << YamlText(manifest);
    return 0;
}

}  // namespace boxlift
