// make_art: draws the launcher's logo bitmap and its icon.
//
//   make_art LOGO_OUT ICON_OUT
//
// LOGO_OUT is the logo resource: a 4-byte little-endian inflated size
// followed by a zlib stream holding a complete 161x313 4-bit .bmp file.
// ICON_OUT is a .ico with 16x16 and 32x32 images at 4 and 8 bits per pixel.
//
// Both pictures are drawn from code, so the output is the same bytes on
// every run. The launcher's build compiles and runs this program (see
// src/CMakeLists.txt); nothing it writes is kept in the repository.

#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The standard Windows 16-colour palette, as 0xRRGGBB.
const uint32_t kStdPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
    0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Indices into kStdPalette used by the drawings.
enum : uint8_t {
    kBlack = 0,
    kNavy = 4,
    kSilver = 7,
    kGrey = 8,
    kBlue = 12,
    kAqua = 14,
    kWhite = 15,
};

// In the 8-bit icons, entries kRampFirst.. hold a ramp of blues.
const int kRampFirst = 16;
const int kRampSize = 32;

struct Image {
    int w = 0, h = 0;
    Bytes px;  // palette indices, top row first
};

Image make_image(int w, int h, uint8_t fill) {
    Image im;
    im.w = w;
    im.h = h;
    im.px.assign(size_t(w) * h, fill);
    return im;
}

void set_px(Image& im, int x, int y, uint8_t c) {
    if (x >= 0 && y >= 0 && x < im.w && y < im.h)
        im.px[size_t(y) * im.w + x] = c;
}

void fill_rect(Image& im, int x0, int y0, int w, int h, uint8_t c) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) set_px(im, x, y, c);
}

void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// Bytes per DIB row: bits rounded up to a whole number of 32-bit words.
uint32_t row_stride(int w, int bpp) {
    return uint32_t((w * bpp + 31) / 32 * 4);
}

// Appends one row of palette indices packed at bpp (1, 4 or 8) bits per
// pixel, most significant bits first, zero-padded to row_stride.
void pack_row(Bytes& out, const uint8_t* row, int w, int bpp) {
    Bytes packed(row_stride(w, bpp), 0);
    for (int x = 0; x < w; ++x) {
        int bit = x * bpp;
        int shift = 8 - bpp - bit % 8;
        packed[bit / 8] |= uint8_t((row[x] & ((1 << bpp) - 1)) << shift);
    }
    out.insert(out.end(), packed.begin(), packed.end());
}

// Appends a DIB: BITMAPINFOHEADER, colour table, then the pixel rows
// bottom-up. The logo's table has 1 << bpp entries (the palette,
// zero-extended); an icon's holds the palette's entries only, counted in
// biClrUsed, which saves the launcher 832 bytes per 8-bit image. For an
// icon image the header height is doubled and an all-opaque AND mask
// follows the pixels.
void put_dib(Bytes& out, const Image& im, int bpp,
             const std::vector<uint32_t>& pal, bool icon) {
    const uint32_t xor_size = row_stride(im.w, bpp) * im.h;
    const uint32_t and_size = icon ? row_stride(im.w, 1) * im.h : 0;
    const int colours = icon ? int(pal.size()) : 1 << bpp;
    put32(out, 40);
    put32(out, uint32_t(im.w));
    put32(out, uint32_t(icon ? 2 * im.h : im.h));
    put16(out, 1);  // planes
    put16(out, uint32_t(bpp));
    put32(out, 0);  // BI_RGB
    put32(out, xor_size + and_size);
    put32(out, icon ? 0 : 2835);  // 72 dpi, in pixels per metre
    put32(out, icon ? 0 : 2835);
    put32(out, icon && colours == 1 << bpp ? 0 : uint32_t(colours));
    put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        uint32_t rgb = i < int(pal.size()) ? pal[i] : 0;
        out.push_back(uint8_t(rgb));        // blue
        out.push_back(uint8_t(rgb >> 8));   // green
        out.push_back(uint8_t(rgb >> 16));  // red
        out.push_back(0);
    }
    for (int y = im.h - 1; y >= 0; --y)
        pack_row(out, &im.px[size_t(y) * im.w], im.w, bpp);
    out.insert(out.end(), and_size, 0);
}

// The mark inside the frame: an arrow dropping into an open tray.
// 'A' is the arrow, 'T' the tray, on a 12x12 grid.
const char* const kMark[12] = {
    "............", ".....AA.....", ".....AA.....", ".....AA.....",
    ".....AA.....", "..AAAAAAAA..", "...AAAAAA...", ".T..AAAA..T.",
    ".T...AA...T.", ".T........T.", ".TTTTTTTTTT.", "............",
};

// Draws the framed symbol with its top-left corner at (x0, y0): a white
// frame `frame` pixels thick around a navy square holding the mark scaled
// by `scale`. Returns the outer size.
int draw_symbol(Image& im, int x0, int y0, int scale, int frame, uint8_t inner,
                uint8_t arrow, uint8_t tray) {
    const int inside = 12 * scale;
    const int size = inside + 2 * frame;
    fill_rect(im, x0, y0, size, size, kWhite);
    fill_rect(im, x0 + frame, y0 + frame, inside, inside, inner);
    for (int gy = 0; gy < 12; ++gy)
        for (int gx = 0; gx < 12; ++gx) {
            char c = kMark[gy][gx];
            if (c == '.') continue;
            fill_rect(im, x0 + frame + gx * scale, y0 + frame + gy * scale,
                      scale, scale, c == 'A' ? arrow : tray);
        }
    return size;
}

// Ordered (4x4 Bayer) choice between two colours: level 0..16 is the
// number of cells out of 16 that take colour `b`.
uint8_t dither(int x, int y, int level, uint8_t a, uint8_t b) {
    static const int kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return kBayer[y & 3][x & 3] < level ? b : a;
}

Image draw_logo() {
    const int W = 161, H = 313;
    Image im = make_image(W, H, kBlue);
    // Background: blue at the top fading to navy at the bottom; each shade
    // spans whole rows so the rows repeat and compress well.
    for (int y = 0; y < H; ++y) {
        int level = y * 17 / H;  // 0..16
        for (int x = 0; x < W; ++x)
            set_px(im, x, y, dither(x, y, level, kBlue, kNavy));
    }
    // Three light rules near the bottom, thinning out downwards.
    const int rules[][2] = {
        {244, 3}, {251, 2}, {257, 1}};  // top row, thickness
    for (const auto& r : rules) fill_rect(im, 0, r[0], W, r[1], kAqua);
    // Framed symbol, centred horizontally, with a dark drop shadow.
    const int scale = 4, frame = 2, size = 12 * scale + 2 * frame;  // 52 px
    const int sx = (W - size) / 2, sy = 36;
    fill_rect(im, sx + 3, sy + 3, size, size, kBlack);
    draw_symbol(im, sx, sy, scale, frame, kNavy, kWhite, kAqua);
    // A thin silver rule under the symbol.
    fill_rect(im, sx, sy + size + 14, size + 3, 1, kSilver);
    // Dark column on the right edge separates the banner from the page.
    fill_rect(im, W - 1, 0, 1, H, kGrey);
    return im;
}

// Icon picture: the symbol on a blue field. At 8 bits the field is a
// vertical ramp from the blue ramp in the colour table.
Image draw_icon(int n, bool ramp) {
    Image im = make_image(n, n, kBlue);
    if (ramp)
        for (int y = 0; y < n; ++y)
            fill_rect(
                im, 0, y, n, 1,
                uint8_t(kRampFirst + (kRampSize - 1) * (n - 1 - y) / (n - 1)));
    const int scale = n / 16, frame = scale;  // 16 -> 1, 32 -> 2
    const int size = 12 * scale + 2 * frame;
    const int o = (n - size) / 2;
    draw_symbol(im, o, o, scale, frame, kNavy, kWhite, kAqua);
    return im;
}

std::vector<uint32_t> palette(bool with_ramp) {
    std::vector<uint32_t> p(kStdPalette, kStdPalette + 16);
    if (with_ramp) {
        // Navy-ish (0,0,96) to a light blue (64,128,255).
        for (int i = 0; i < kRampSize; ++i) {
            uint32_t r = uint32_t(64 * i / (kRampSize - 1));
            uint32_t g = uint32_t(128 * i / (kRampSize - 1));
            uint32_t b = uint32_t(96 + 159 * i / (kRampSize - 1));
            p.push_back(r << 16 | g << 8 | b);
        }
    }
    return p;
}

Bytes make_logo_resource() {
    Bytes dib;
    put_dib(dib, draw_logo(), 4, palette(false), false);
    Bytes bmp;
    bmp.push_back('B');
    bmp.push_back('M');
    put32(bmp, uint32_t(14 + dib.size()));
    put32(bmp, 0);  // two reserved words
    put32(bmp, 14 + 40 + 16 * 4);
    bmp.insert(bmp.end(), dib.begin(), dib.end());

    uLongf zlen = compressBound(uLong(bmp.size()));
    Bytes out;
    put32(out, uint32_t(bmp.size()));
    out.resize(4 + zlen);
    if (compress2(out.data() + 4, &zlen, bmp.data(), uLong(bmp.size()), 9) !=
        Z_OK)
        return {};
    out.resize(4 + zlen);
    return out;
}

Bytes make_icon() {
    struct Entry {
        int n, bpp;
    };
    const Entry entries[] = {{16, 4}, {32, 4}, {16, 8}, {32, 8}};
    const int count = 4;
    std::vector<Bytes> images;
    for (const Entry& e : entries) {
        Bytes dib;
        put_dib(dib, draw_icon(e.n, e.bpp == 8), e.bpp, palette(e.bpp == 8),
                true);
        images.push_back(dib);
    }
    Bytes out;
    put16(out, 0);  // reserved
    put16(out, 1);  // icon
    put16(out, count);
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        out.push_back(uint8_t(entries[i].n));
        out.push_back(uint8_t(entries[i].n));
        out.push_back(entries[i].bpp == 4 ? 16 : 0);
        out.push_back(0);
        put16(out, 1);
        put16(out, uint32_t(entries[i].bpp));
        put32(out, uint32_t(images[i].size()));
        put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const Bytes& img : images)
        out.insert(out.end(), img.begin(), img.end());
    return out;
}

// Writes through "<path>.tmp" and renames, so a failure never leaves a
// half-written output behind.
bool write_file(const std::string& path, const Bytes& data) {
    const std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_art: cannot write %s (creating %s): %s\n",
                     path.c_str(), tmp.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    int err = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        std::fprintf(stderr, "make_art: cannot write %s: %s\n", path.c_str(),
                     std::strerror(err));
        std::remove(tmp.c_str());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_art LOGO_OUT ICON_OUT\n");
        return 2;
    }
    Bytes logo = make_logo_resource();
    if (logo.empty()) {
        std::fprintf(stderr, "make_art: cannot compress the logo for %s\n",
                     argv[1]);
        return 1;
    }
    if (!write_file(argv[1], logo)) return 1;
    if (!write_file(argv[2], make_icon())) return 1;
    return 0;
}
