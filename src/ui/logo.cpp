#include "ui/logo.h"

namespace {

const uint32_t kInfoHeaderSize = 40;

uint32_t Read32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
           (uint32_t)p[3] << 24;
}

uint32_t Read16(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

}  // namespace

uint32_t LogoInflatedSize(const uint8_t* resource, uint32_t resourceSize) {
    if (resourceSize <= kLogoSizeField) return 0;
    uint32_t size = Read32(resource);
    return size <= kMaxLogoSize ? size : 0;
}

uint32_t LogoPixelOffset(const uint8_t* image, uint32_t size) {
    if (size < kBitmapFileHeaderSize + kInfoHeaderSize) return 0;
    const uint8_t* info = image + kBitmapFileHeaderSize;
    uint32_t headerSize = Read32(info);
    int32_t width = (int32_t)Read32(info + 4);
    int32_t height = (int32_t)Read32(info + 8);
    uint32_t bits = Read16(info + 14);
    uint32_t compression = Read32(info + 16);
    uint32_t colours = Read32(info + 32);
    if (headerSize < kInfoHeaderSize || headerSize > size || width <= 0 ||
        height <= 0 || compression != 0)
        return 0;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32)
        return 0;
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    // All in 64 bits: no product of header fields can wrap.
    uint64_t tableEnd =
        (uint64_t)kBitmapFileHeaderSize + headerSize + (uint64_t)colours * 4;
    uint64_t rowBytes = ((uint64_t)width * bits + 31) / 32 * 4;
    uint32_t offset = Read32(image + 10);
    if (tableEnd > size || offset < kBitmapFileHeaderSize + kInfoHeaderSize ||
        offset > size || rowBytes * (uint64_t)height > size - offset)
        return 0;
    return offset;
}
