// The logo loader's checks: the size field of the resource, and the bitmap
// header, whose fields must keep every row the dialog draws inside the
// inflated block.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ui/logo.h"

namespace {

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = (uint8_t)(value >> (8 * i));
}

TEST(Logo, SizeFieldWithinLimits) {
    struct Case {
        uint32_t field;
        uint32_t resourceSize;
        uint32_t expected;
    };
    const Case cases[] = {
        {26410, 1611, 26410},
        {kMaxLogoSize, 100, kMaxLogoSize},  // the largest accepted
        {kMaxLogoSize + 1, 100, 0},
        {0, 100, 0},
        {0xFFFFFFFF, 100, 0},
        {26410, 4, 0},  // a size field and no stream
        {26410, 3, 0},  // shorter than the field
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> resource(8);
        Put32(resource, 0, c.field);
        EXPECT_EQ(LogoInflatedSize(resource.data(), c.resourceSize), c.expected)
            << "field " << c.field << ", resource of " << c.resourceSize << " bytes";
    }
}

// The shipped logo's layout: 161 x 313 pixels, 4 bits, 16 colours.
std::vector<uint8_t> Bitmap() {
    std::vector<uint8_t> image(26410);
    image[0] = 'B';
    image[1] = 'M';
    Put32(image, 2, 26410);
    Put32(image, 10, 118);
    Put32(image, 14, 40);
    Put32(image, 18, 161);
    Put32(image, 22, 313);
    image[26] = 1;
    image[28] = 4;
    Put32(image, 46, 16);
    return image;
}

TEST(Logo, PixelRowsInsideTheBlock) {
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        uint32_t size;
        uint32_t expected;
    };
    const uint32_t whole = 26410;
    const Case cases[] = {
        {"the shipped layout", 0, 0, whole, 118},
        {"one byte short of the last row", 0, 0, whole - 1, 0},
        {"pixel data offset past the rows' room", 10, 119, whole, 0},
        {"pixel data offset inside the headers", 10, 20, whole, 0},
        {"one row too many", 22, 314, whole, 0},
        {"a height that would wrap in 32 bits", 22, 0x7FFFFFFF, whole, 0},
        {"top-down rows", 22, (uint32_t)-313, whole, 0},
        {"no width", 18, 0, whole, 0},
        {"a compressed bitmap", 30, 2, whole, 0},
        {"a colour table past the block", 46, 0x40000000, whole, 0},
        {"an info header past the block", 14, 0x10000, whole, 0},
        {"an info header shorter than its fields", 14, 12, whole, 0},
        {"no room for the headers", 0, 0, 53, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = Bitmap();
        if (c.at) Put32(image, c.at, c.value);
        EXPECT_EQ(LogoPixelOffset(image.data(), c.size), c.expected) << c.what;
    }
    std::vector<uint8_t> image = Bitmap();
    image[28] = 3;  // no such pixel format
    EXPECT_EQ(LogoPixelOffset(image.data(), whole), 0u) << "3 bits per pixel";
}

}  // namespace
