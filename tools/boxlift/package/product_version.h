// The setup.exe's version resource: it comes from the package, and a
// config's [version] section overrides any string.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "image/version_info.h"
#include "package/package_info.h"

namespace boxlift {

// The version strings' keys, in the order they are written.
inline constexpr const char* kVersionKeys[] = {
    "Comments",       "CompanyName",     "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion"};

// The version resource for product, written as fileName, with overrides
// (key, UTF-8 value) applied; the fixed versions follow FileVersion and
// ProductVersion. Throws Error for a version that is not up to four numbers.
VersionInfo ProductVersionInfo(const ProductInfo& product, const std::string& fileName,
                               const std::vector<std::pair<std::string, std::string>>& overrides);

}  // namespace boxlift
