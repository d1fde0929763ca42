#include "package/product_version.h"

#include <algorithm>

#include "base/error.h"

namespace boxlift {

VersionInfo ProductVersionInfo(const ProductInfo& product, const std::string& fileName,
                               const std::vector<std::pair<std::string, std::string>>& overrides) {
    VersionInfo info;
    info.strings = {{"Comments", ""},
                    {"CompanyName", product.manufacturer},
                    {"FileDescription", product.name + " Setup"},
                    {"FileVersion", product.version},
                    {"InternalName", "setup"},
                    {"LegalCopyright", "Copyright (C) " + product.manufacturer},
                    {"LegalTrademarks", ""},
                    {"OriginalFilename", fileName},
                    {"ProductName", product.name},
                    {"ProductVersion", product.version}};
    for (const auto& [key, value] : overrides)
        std::ranges::find(info.strings, key, &std::pair<std::string, std::string>::first)->second =
            value;
    auto version = [&](const char* key) {
        const std::string& text =
            std::ranges::find(info.strings, key, &std::pair<std::string, std::string>::first)
                ->second;
        try {
            return ParseFourPartVersion(text);
        } catch (Error& e) {
            e.SetSubjectIfUnset(key);
            throw;
        }
    };
    info.fileVersion = version("FileVersion");
    info.productVersion = version("ProductVersion");
    return info;
}

}  // namespace boxlift
