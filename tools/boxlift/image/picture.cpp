#include "image/picture.h"

#include "base/error.h"
#include "image/bmp_picture.h"
#include "image/png_picture.h"

namespace boxlift {

Picture ReadPicture(ByteView file, const SizeCheck& check) {
    if (IsPng(file)) return ReadPng(file, check);
    if (IsBmp(file)) return ReadBmp(file, check);
    throw Error("not a PNG or BMP file");
}

}  // namespace boxlift
