// The setup.exe describes the wrapped product: its version resource is
// replaced (package/product_version.h makes it) and a config's icon
// replaces icon group 105. The launcher image's resource section is
// rebuilt whole, whatever resources it holds.
#pragma once

#include <filesystem>

#include "base/bytes.h"
#include "image/version_info.h"

namespace boxlift {

// The image with its version resource replaced by version and, given an
// .ico file, icon group 105 by that icon. Throws Error for an image whose
// resource section cannot be rebuilt, or naming the icon file when that is
// no icon.
Bytes ApplyIdentity(ByteView image, const VersionInfo& version,
                    const std::filesystem::path& icon = {});

}  // namespace boxlift
