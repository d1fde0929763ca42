// A picture file decoded to pixels: a PNG (png_picture.h) or a BMP
// (bmp_picture.h), told apart by their signatures.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/bytes.h"

namespace boxlift {

// 0xAARRGGBB; an alpha of 255 is opaque.
using Argb = std::uint32_t;

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<Argb> pixels;  // rows top first, each left to right
};

// Sees a picture's size once its header is read, before any pixels are
// decoded, and throws Error to refuse it.
using SizeCheck = std::function<void(std::uint32_t width, std::uint32_t height)>;

// The pixels of a PNG or BMP file. Throws Error for any other file and for
// one that is damaged or cut short.
Picture ReadPicture(ByteView file, const SizeCheck& check);

}  // namespace boxlift
