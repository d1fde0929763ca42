// BMP files, read by a strictly bounds-checked reader of their own:
// BITMAPINFOHEADER or a later header, uncompressed (BI_RGB) at 1, 4, 8, 16,
// 24 or 32 bits per pixel, or BI_BITFIELDS at 16 or 32 with contiguous
// masks; rows bottom-up or top-down.
#pragma once

#include "image/picture.h"

namespace boxlift {

// Whether file starts with "BM".
bool IsBmp(ByteView file);

// Throws Error naming what is wrong for a BMP of another kind or one
// whose header, colour table or pixel rows run past the file's end.
Picture ReadBmp(ByteView file, const SizeCheck& check);

}  // namespace boxlift
