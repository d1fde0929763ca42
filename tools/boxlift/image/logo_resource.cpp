#include "image/logo_resource.h"

#include <zlib.h>

#include <algorithm>
#include <string>

#include "base/byte_writer.h"
#include "base/error.h"

namespace boxlift {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14, kInfoHeaderSize = 40;
constexpr std::uint32_t kPanelColour = 0xFFFFFF;  // the dialog fills its panel white
constexpr std::uint32_t kPixelsPerMetre = 2835;   // 72 dpi, as the built-in banner
constexpr int kLevel = 9;  // fixed, so that the same picture gives the same bytes

// colour over the panel, by its alpha, rounded to the nearest value.
std::uint32_t OverPanel(Argb colour) {
    const std::uint32_t alpha = colour >> 24;
    std::uint32_t rgb = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t front = (colour >> shift) & 0xFF, back = (kPanelColour >> shift) & 0xFF;
        rgb |= (front * alpha + back * (255 - alpha) + 127) / 255 << shift;
    }
    return rgb;
}

// The fewest bits per pixel whose colour table holds every colour; 24
// (and no table) when more than 256 colours are used.
unsigned BitsFor(std::size_t colours) {
    for (unsigned bits : {1u, 4u, 8u})
        if (colours <= (1u << bits)) return bits;
    return 24;
}

std::uint32_t Stride(std::uint32_t width, unsigned bits) { return (width * bits + 31) / 32 * 4; }

// Row y (from the top) at bits per pixel, padded to whole 32-bit words.
void AppendRow(Bytes& out, const std::vector<std::uint32_t>& rgb, std::uint32_t width,
               std::uint32_t y, unsigned bits, const std::vector<std::uint32_t>& used) {
    Bytes row(Stride(width, bits), 0);
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t colour = rgb[std::size_t{y} * width + x];
        if (bits == 24) {
            for (int channel = 0; channel < 3; ++channel)
                row[3 * x + channel] = static_cast<std::uint8_t>(colour >> (8 * channel));
            continue;
        }
        const auto index =
            static_cast<unsigned>(std::ranges::lower_bound(used, colour) - used.begin());
        const std::size_t bit = std::size_t{x} * bits;
        row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
}

}  // namespace

Bytes LogoBitmap(const Picture& picture) {
    std::vector<std::uint32_t> rgb;
    rgb.reserve(picture.pixels.size());
    for (Argb pixel : picture.pixels) rgb.push_back(OverPanel(pixel));
    std::vector<std::uint32_t> used = rgb;  // sorted, so that a pixel's index is a search
    std::ranges::sort(used);
    used.erase(std::unique(used.begin(), used.end()),
               used.end());  // ranges::unique: not with clang 14 on libstdc++ 12
    const unsigned bits = BitsFor(used.size());
    if (bits == 24) used.clear();
    // The whole table of 1 << bits entries, zero-extended, as make_art writes it.
    const std::uint32_t entries = bits == 24 ? 0 : 1u << bits;
    const std::uint32_t pixelBytes = Stride(picture.width, bits) * picture.height;
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + entries * 4;
    Bytes bmp;
    ByteWriter out(bmp);
    out.U8('B').U8('M').U32(offset + pixelBytes).U32(0).U32(offset);
    out.U32(kInfoHeaderSize).U32(picture.width).U32(picture.height).U16(1);
    out.U16(static_cast<std::uint16_t>(bits)).U32(0).U32(pixelBytes);
    out.U32(kPixelsPerMetre).U32(kPixelsPerMetre).U32(entries).U32(0);
    for (std::uint32_t i = 0; i < entries; ++i) out.U32(i < used.size() ? used[i] : 0);
    for (std::uint32_t y = picture.height; y-- > 0;)
        AppendRow(bmp, rgb, picture.width, y, bits, used);
    return bmp;
}

Bytes MakeLogoResource(ByteView file) {
    const Picture picture = ReadPicture(file, [](std::uint32_t width, std::uint32_t height) {
        if (width > kLogoMaxWidth || height > kLogoMaxHeight)
            throw Error("the logo is " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels; at most " + std::to_string(kLogoMaxWidth) + " x " +
                        std::to_string(kLogoMaxHeight) + " fit the panel");
    });
    const Bytes bmp = LogoBitmap(picture);
    uLongf length = compressBound(static_cast<uLong>(bmp.size()));
    Bytes resource;
    ByteWriter(resource).U32(static_cast<std::uint32_t>(bmp.size()));
    resource.resize(4 + length);
    if (compress2(resource.data() + 4, &length, bmp.data(), static_cast<uLong>(bmp.size()),
                  kLevel) != Z_OK)
        throw Error("zlib cannot compress the logo");
    resource.resize(4 + length);
    return resource;
}

}  // namespace boxlift
