#include "image/png_picture.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>

#include "base/error.h"

namespace boxlift {
namespace {

// What the callbacks share with the reader: the file, how far libpng has
// read, and the message of the error that stopped it.
struct Source {
    ByteView file;
    std::size_t at = 0;
    char message[256] = "";
};

// libpng's errors end in a longjmp back into Guarded. Nothing between the
// setjmp and the callbacks has a destructor to skip: the lambdas hold
// only plain values and call only libpng.
void OnError(png_structp png, png_const_charp message) {
    auto* source = static_cast<Source*>(png_get_error_ptr(png));
    std::strncpy(source->message, message, sizeof source->message - 1);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}  // a warning changes no pixel

void OnRead(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (length > source->file.size() - source->at) png_error(png, "the file ends early");
    std::memcpy(data, source->file.data() + source->at, length);
    source->at += length;
}

// Runs step, which calls libpng; false when libpng stopped it with an error.
template <typename Step>
bool Guarded(png_structp png, Step step) {
    if (setjmp(png_jmpbuf(png))) return false;
    step();
    return true;
}

class PngReader {
public:
    explicit PngReader(ByteView file) : source_{file} {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source_, OnError, OnWarning);
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_) {
            png_destroy_read_struct(&png_, nullptr, nullptr);
            throw Error("cannot start libpng");
        }
        png_set_read_fn(png_, &source_, OnRead);
    }
    ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Reads the header and asks for 8-bit RGBA rows.
    void Start(std::uint32_t& width, std::uint32_t& height) {
        png_structp png = png_;
        png_infop info = info_;
        Check(Guarded(png, [png, info] {
            png_read_info(png, info);
            png_set_expand(png);  // palette and low grey depths to 8 bits, tRNS to alpha
            png_set_scale_16(png);
            png_set_gray_to_rgb(png);
            png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
            png_set_interlace_handling(png);
            png_read_update_info(png, info);
        }));
        width = png_get_image_width(png_, info_);
        height = png_get_image_height(png_, info_);
    }
    // Reads every row into rows, then the chunks up to IEND.
    void Finish(png_bytepp rows) {
        png_structp png = png_;
        png_infop info = info_;
        Check(Guarded(png, [png, info, rows] {
            png_read_image(png, rows);
            png_read_end(png, info);
        }));
    }

private:
    void Check(bool ok) const {
        if (!ok) throw Error(std::string("damaged PNG file: ") + source_.message);
    }

    Source source_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

}  // namespace

bool IsPng(ByteView file) { return file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0; }

Picture ReadPng(ByteView file, const SizeCheck& check) {
    PngReader reader(file);
    Picture picture;
    reader.Start(picture.width, picture.height);
    check(picture.width, picture.height);
    Bytes rgba(std::size_t{picture.width} * picture.height * 4);
    std::vector<png_bytep> rows(picture.height);
    for (std::uint32_t y = 0; y < picture.height; ++y)
        rows[y] = rgba.data() + std::size_t{y} * picture.width * 4;
    reader.Finish(rows.data());
    picture.pixels.reserve(std::size_t{picture.width} * picture.height);
    for (std::size_t at = 0; at < rgba.size(); at += 4)
        picture.pixels.push_back(Argb{rgba[at + 3]} << 24 | Argb{rgba[at]} << 16 |
                                 Argb{rgba[at + 1]} << 8 | rgba[at + 2]);
    return picture;
}

}  // namespace boxlift
