// PNG files decoded with libpng: every colour type and bit depth, with
// transparency, at 8 bits a channel and without gamma correction, so that
// the pixels are the file's own values on every platform.
#pragma once

#include "image/picture.h"

namespace boxlift {

// Whether file starts with the PNG signature.
bool IsPng(ByteView file);

// Throws Error with libpng's message for a damaged or truncated file.
Picture ReadPng(ByteView file, const SizeCheck& check);

}  // namespace boxlift
