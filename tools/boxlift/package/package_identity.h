// What deployment tools know an installed product by, as the package
// itself says: the product's properties, the package code, the platform
// and whether it installs for the user or the machine.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/package_properties.h"

namespace boxlift {

struct PackageIdentity {  // UTF-8; a property the package lacks is empty
    std::string productName;
    std::string productVersion;
    std::string manufacturer;
    std::string productCode;
    std::string upgradeCode;
    std::string productLanguage;
    std::string packageCode;  // the summary's revision number
    std::string platform;     // the summary template's: Intel, x64, Arm64...
    std::string scope;        // "user" or "machine"
    bool elevationRequired = true;
};

// Throws Error naming the file when it is no readable database.
PackageIdentity ReadPackageIdentity(const std::filesystem::path& package);

// The identity from what was read. ALLUSERS 1 installs for the machine;
// 2 too, unless MSIINSTALLPERUSER is 1; without it, for the user. The
// word count's bit 3 says the package needs no elevated privileges.
PackageIdentity IdentityOf(const std::map<std::string, std::string>& properties,
                           const PackageSummary& summary);

}  // namespace boxlift
