// The settings a package gets when no config says otherwise: English texts
// built from the product's name, version and vendor, with the welcome
// question and the progress dialog on.
#pragma once

#include <string>

#include "package/package_info.h"
#include "payload/settings.h"

namespace boxlift {

// Texts in code page `codepage`; `source` (the package's file name) stands
// for the properties in errors about characters the code page lacks.
Settings ProductSettings(const ProductInfo& product, unsigned codepage, const std::string& source);

}  // namespace boxlift
