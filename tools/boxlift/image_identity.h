// The setup.exe describes the wrapped product: its version resource comes
// from the package (a config's [version] section overrides any string) and
// a config's icon replaces icon group 105. The launcher image's resource
// section is rebuilt whole, whatever resources it holds.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "package_info.h"
#include "version_info.h"

namespace boxlift {

// The version strings' keys, in the order they are written.
inline constexpr const char* kVersionKeys[] = {
    "Comments",        "CompanyName",     "FileDescription",  "FileVersion",
    "InternalName",    "LegalCopyright",  "LegalTrademarks",  "OriginalFilename",
    "ProductName",     "ProductVersion"};

// The version resource for product, written as fileName, with overrides
// (key, UTF-8 value) applied; the fixed versions follow FileVersion and
// ProductVersion. Throws Error for a version that is not up to four numbers.
VersionInfo ProductVersionInfo(const ProductInfo& product, const std::string& fileName,
                               const std::vector<std::pair<std::string, std::string>>& overrides);

// The image with its version resource replaced by version and, given an
// .ico file, icon group 105 by that icon. Throws Error for an image whose
// resource section cannot be rebuilt, or naming the icon file when that is
// no icon.
Bytes ApplyIdentity(ByteView image, const VersionInfo& version,
                    const std::filesystem::path& icon = {});

}  // namespace boxlift
