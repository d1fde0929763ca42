// The dialog's banner, resource LOGO 110, as the launcher's loader reads it
// (src/ui/logo.h): the inflated size as a little-endian u32, then a zlib
// stream of a whole bottom-up .bmp file, BITMAPFILEHEADER included.
#pragma once

#include <cstdint>

#include "base/bytes.h"
#include "image/picture.h"

namespace boxlift {

// The panel the banner is drawn on, at its top left and unscaled.
inline constexpr std::uint32_t kLogoMaxWidth = 161;
inline constexpr std::uint32_t kLogoMaxHeight = 313;

// The bitmap file of picture: transparent pixels blended over the panel's
// white, at 1, 4 or 8 bits per pixel with a colour table when 2, 16 or 256
// colours hold it exactly, else at 24.
Bytes LogoBitmap(const Picture& picture);

// The LOGO resource of a PNG or BMP file. Throws Error for a picture
// larger than the panel, with its size and the limit, or one that cannot
// be read.
Bytes MakeLogoResource(ByteView file);

}  // namespace boxlift
