#include "package/package_info.h"

#include <map>

#include "base/error.h"

namespace boxlift {
namespace {

constexpr std::string_view kCompoundSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

}  // namespace

bool IsCompoundFile(std::string_view bytes) { return bytes.starts_with(kCompoundSignature); }

bool IsCompoundFile(ByteView bytes) {
    return IsCompoundFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

ProductInfo ReadProductInfo(const std::filesystem::path& package, ByteView bytes) {
    if (!IsCompoundFile(bytes))
        throw Error(
            "not a Windows Installer package (no compound-file signature in its "
            "first 8 bytes)")
            .InFile(package.string());
    std::map<std::string, std::string> properties = ReadPropertyTable(package);
    auto take = [&](const char* key) {
        auto found = properties.find(key);
        if (found == properties.end() || found->second.empty())
            throw Error(std::string("the Property table has no ") + key).InFile(package.string());
        return found->second;
    };
    return {take("ProductName"), take("ProductVersion"), take("Manufacturer")};
}

}  // namespace boxlift
