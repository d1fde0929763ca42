// Checks of the logo resource and of the bitmap it inflates to, so that
// the dialog never draws from memory outside the inflated block.
//
// Resource:  [inflated size: u32 LE][zlib stream .................]
// Inflated:  [BITMAPFILEHEADER 14][BITMAPINFOHEADER][colours][pixel rows]
//                  "BM", size, 0, 0, pixel-data offset (u32 LE at 10)
#ifndef BOXLIFT_LOGO_H
#define BOXLIFT_LOGO_H

#include <stdint.h>

const uint32_t kLogoSizeField = 4;
const uint32_t kMaxLogoSize = 1048576;
const uint32_t kBitmapFileHeaderSize = 14;

// The inflated size a logo resource declares; 0 when the resource cannot
// hold the field and one stream byte, or the size is 0 or above
// kMaxLogoSize.
uint32_t LogoInflatedSize(const uint8_t* resource, uint32_t resourceSize);

// The offset of the pixel rows in the bitmap file image[0..size); 0 unless
// the info header, its colour table and every pixel row lie inside the
// block (an uncompressed, bottom-up bitmap of 1 to 32 bits per pixel).
uint32_t LogoPixelOffset(const uint8_t* image, uint32_t size);

#endif
