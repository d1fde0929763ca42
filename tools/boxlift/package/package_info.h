// What the tool learns from the installer package itself: that it is a
// Windows Installer database, and the product's name, version and vendor
// from its Property table (read with libmsi, msitools' library, or with
// the system's msi.dll in boxlift.exe).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "platform/package_properties.h"

namespace boxlift {

struct ProductInfo {           // UTF-8
    std::string name;          // ProductName
    std::string version;       // ProductVersion
    std::string manufacturer;  // Manufacturer
};

// True when bytes start with the compound-file signature D0 CF 11 E0 A1 B1 1A E1.
bool IsCompoundFile(std::string_view bytes);
bool IsCompoundFile(ByteView bytes);

// bytes: the package file's content. Throws Error naming the file when it is
// not a compound file, has no Property table or lacks one of the three
// properties.
ProductInfo ReadProductInfo(const std::filesystem::path& package, ByteView bytes);

}  // namespace boxlift
