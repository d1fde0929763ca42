#include "package/package_identity.h"

namespace boxlift {

PackageIdentity IdentityOf(const std::map<std::string, std::string>& properties,
                           const PackageSummary& summary) {
    auto property = [&](const char* key) {
        auto found = properties.find(key);
        return found == properties.end() ? std::string() : found->second;
    };
    PackageIdentity identity;
    identity.productName = property("ProductName");
    identity.productVersion = property("ProductVersion");
    identity.manufacturer = property("Manufacturer");
    identity.productCode = property("ProductCode");
    identity.upgradeCode = property("UpgradeCode");
    identity.productLanguage = property("ProductLanguage");
    identity.packageCode = summary.revisionNumber;
    // The template's platform comes before its ';'; none means Intel.
    identity.platform = summary.templateText.substr(0, summary.templateText.find(';'));
    if (identity.platform.empty()) identity.platform = "Intel";
    const std::string allUsers = property("ALLUSERS");
    const bool machine =
        allUsers == "1" || (allUsers == "2" && property("MSIINSTALLPERUSER") != "1");
    identity.scope = machine ? "machine" : "user";
    identity.elevationRequired = !(summary.wordCount.value_or(0) & 8);
    return identity;
}

PackageIdentity ReadPackageIdentity(const std::filesystem::path& package) {
    const PackageTables tables = ReadPackageTables(package);
    return IdentityOf(tables.properties, tables.summary);
}

}  // namespace boxlift
