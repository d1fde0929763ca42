// The setup.exe describes the wrapped product: its version resource is
// replaced (package/product_version.h makes it), a config's icon replaces
// icon group 105 and its logo the dialog's banner, LOGO 110. The launcher image's resource section
// is rebuilt whole, whatever resources it holds.
#pragma once

#include <filesystem>

#include "base/bytes.h"
#include "image/version_info.h"

namespace boxlift {

// The vendor's pictures; an empty path keeps the launcher's own.
struct ProductArt {
    std::filesystem::path icon;  // an .ico file
    std::filesystem::path logo;  // a PNG or BMP file (image/logo_resource.h)
};

// The image with its version resource replaced by version and, given an
// .ico file, icon group 105 by that icon, given a logo, LOGO 110 by it.
// Throws Error for an image whose resource section cannot be rebuilt, or
// naming the icon or logo file when that cannot be used.
Bytes ApplyIdentity(ByteView image, const VersionInfo& version, const ProductArt& art = {});

}  // namespace boxlift
