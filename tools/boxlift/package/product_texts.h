// The settings a package gets when no config says otherwise: English texts
// built from the product's name, version and vendor, with the welcome
// question and the progress dialog on.
#pragma once

#include <string>

#include "package/config.h"
#include "package/package_info.h"
#include "payload/settings.h"

namespace boxlift {

// The config's fields applied, and the defaults for every field it leaves
// out, texts in the config's code page. Only a default that is used is
// converted: a product name the code page lacks is no error when the config
// replaces every text that names it. `source` (the package's file name)
// stands for the properties in errors about characters the code page lacks,
// which name the default texts that hold them. Errors in the config come
// first.
Settings ProductSettings(const ProductInfo& product, const Config& config,
                         const std::string& source);

}  // namespace boxlift
