#include "image/bmp_picture.h"

#include <bit>
#include <limits>
#include <string>

#include "base/byte_reader.h"
#include "base/error.h"

namespace boxlift {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER; V4 and V5 extend it
constexpr std::uint32_t kRgb = 0, kBitfields = 3;
constexpr const char* kOverrun = "the BMP file ends inside its header or colour table";

// One channel's mask, and how to widen what it selects to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;  // the mask shifted down; 0: the channel is absent

    static Channel Of(std::uint32_t mask) {
        if (mask == 0) return {};
        const int shift = std::countr_zero(mask);
        const std::uint32_t max = mask >> shift;
        if ((max & (max + 1)) != 0)
            throw Error("a BI_BITFIELDS mask is not one run of bits: " + std::to_string(mask));
        return {mask, shift, max};
    }
    std::uint32_t Value(std::uint32_t pixel, std::uint32_t absent) const {
        if (max == 0) return absent;
        return static_cast<std::uint32_t>((std::uint64_t{(pixel & mask) >> shift} * 255 + max / 2) /
                                          max);
    }
};

struct Header {
    std::uint32_t width = 0, height = 0;
    bool topDown = false;
    unsigned bits = 0;
    std::uint32_t compression = kRgb;
    std::size_t tableAt = 0;  // the colour table, or the masks behind a 40-byte header
    std::uint32_t colours = 0;
    Channel red, green, blue, alpha;
};

Header ReadHeader(const ByteReader& in) {
    Header h;
    const std::uint32_t headerSize = in.U32(kFileHeaderSize);
    if (headerSize < kInfoHeaderSize)
        throw Error("has a " + std::to_string(headerSize) +
                    "-byte header; only BITMAPINFOHEADER (40 bytes) and later ones are read");
    in.Need(kFileHeaderSize, headerSize);
    const auto width = static_cast<std::int32_t>(in.U32(kFileHeaderSize + 4));
    const auto height = static_cast<std::int32_t>(in.U32(kFileHeaderSize + 8));
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        throw Error("is " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels, which is no picture");
    h.width = static_cast<std::uint32_t>(width);
    h.topDown = height < 0;
    h.height = static_cast<std::uint32_t>(h.topDown ? -height : height);
    h.bits = in.U16(kFileHeaderSize + 14);
    h.compression = in.U32(kFileHeaderSize + 16);
    h.colours = in.U32(kFileHeaderSize + 32);
    h.tableAt = kFileHeaderSize + headerSize;
    if (in.U16(kFileHeaderSize + 12) != 1) throw Error("has a plane count other than 1");
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        throw Error("has " + std::to_string(h.bits) + " bits per pixel, not 1, 4, 8, 16, 24 or 32");
    return h;
}

void ReadMasks(const ByteReader& in, Header& h) {
    if (h.compression == kRgb) {
        h.red = Channel::Of(h.bits == 16 ? 0x7C00 : 0xFF0000);
        h.green = Channel::Of(h.bits == 16 ? 0x03E0 : 0x00FF00);
        h.blue = Channel::Of(h.bits == 16 ? 0x001F : 0x0000FF);
        return;  // a fourth byte at 32 bits is no alpha under BI_RGB
    }
    if (h.compression != kBitfields || (h.bits != 16 && h.bits != 32))
        throw Error("is compressed (compression " + std::to_string(h.compression) +
                    "); only BI_RGB and BI_BITFIELDS at 16 or 32 bits are read");
    const std::size_t at = kFileHeaderSize + kInfoHeaderSize;
    const std::uint32_t headerSize = in.U32(kFileHeaderSize);
    h.red = Channel::Of(in.U32(at));
    h.green = Channel::Of(in.U32(at + 4));
    h.blue = Channel::Of(in.U32(at + 8));
    if (headerSize >= kInfoHeaderSize + 16) h.alpha = Channel::Of(in.U32(at + 12));
    if (headerSize == kInfoHeaderSize) h.tableAt += 12;  // the masks follow the header
    const std::uint64_t all = std::uint64_t{h.red.mask} | h.green.mask | h.blue.mask | h.alpha.mask;
    if (h.red.max == 0 || h.green.max == 0 || h.blue.max == 0 || all >> h.bits != 0)
        throw Error("has BI_BITFIELDS masks that do not fit " + std::to_string(h.bits) + " bits");
}

std::vector<Argb> ReadTable(const ByteReader& in, const Header& h) {
    const std::uint32_t most = 1u << h.bits;
    const std::uint32_t count = h.colours == 0 ? most : h.colours;
    if (count > most)
        throw Error("has a table of " + std::to_string(count) + " colours for " +
                    std::to_string(h.bits) + " bits per pixel");
    in.Need(h.tableAt, std::size_t{count} * 4);
    std::vector<Argb> table;
    for (std::uint32_t i = 0; i < count; ++i)
        table.push_back(0xFF000000u | (in.U32(h.tableAt + 4 * i) & 0xFFFFFFu));
    return table;
}

std::uint32_t Little(ByteView bytes, std::size_t at, unsigned count) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) value |= std::uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

// One pixel of a row: a table index below 8 bits, else masked channels.
Argb Pixel(ByteView row, std::uint32_t x, const Header& h, const std::vector<Argb>& table) {
    if (h.bits <= 8) {
        const std::size_t bit = std::size_t{x} * h.bits;
        const unsigned index = (row[bit / 8] >> (8 - h.bits - bit % 8)) & ((1u << h.bits) - 1);
        if (index >= table.size())
            throw Error("uses colour " + std::to_string(index) + " of a table of " +
                        std::to_string(table.size()));
        return table[index];
    }
    const std::uint32_t value = Little(row, std::size_t{x} * (h.bits / 8), h.bits / 8);
    return h.alpha.Value(value, 255) << 24 | h.red.Value(value, 0) << 16 |
           h.green.Value(value, 0) << 8 | h.blue.Value(value, 0);
}

}  // namespace

bool IsBmp(ByteView file) { return file.size() >= 2 && file[0] == 'B' && file[1] == 'M'; }

Picture ReadBmp(ByteView file, const SizeCheck& check) {
    const ByteReader in(file, kOverrun);
    in.Need(0, kFileHeaderSize + kInfoHeaderSize);
    Header h = ReadHeader(in);
    ReadMasks(in, h);
    const std::vector<Argb> table = h.bits <= 8 ? ReadTable(in, h) : std::vector<Argb>{};
    check(h.width, h.height);
    const std::uint64_t stride = (std::uint64_t{h.width} * h.bits + 31) / 32 * 4;
    const std::uint32_t offset = in.U32(10);
    if (offset > file.size() || stride * h.height > file.size() - offset)
        throw Error("the BMP file ends inside its pixel rows");
    Picture picture{h.width, h.height, {}};
    picture.pixels.reserve(std::size_t{h.width} * h.height);
    for (std::uint32_t y = 0; y < h.height; ++y) {
        const std::uint32_t stored = h.topDown ? y : h.height - 1 - y;
        const ByteView row = file.subspan(offset + stride * stored, stride);
        for (std::uint32_t x = 0; x < h.width; ++x)
            picture.pixels.push_back(Pixel(row, x, h, table));
    }
    return picture;
}

}  // namespace boxlift
