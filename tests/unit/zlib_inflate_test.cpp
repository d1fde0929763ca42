#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "zlib_inflate.h"
#include "test_memory.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = "package "[i % 8] + (i / 1000) % 3;
    return b;
}

Bytes Zlib(const Bytes& data, int level = 9) {
    uLongf size = compressBound(data.size());
    Bytes out(size);
    compress2(out.data(), &size, data.data(), data.size(), level);
    out.resize(size);
    return out;
}

// Sets the header's second byte so that the pair is a multiple of 31 again.
void FixHeaderCheck(Bytes& z) {
    z[1] &= 0xE0;
    z[1] += (31 - (z[0] * 256 + z[1]) % 31) % 31;
}

class Inflate : public ::testing::Test {
protected:
    void SetUp() override { test_memory::FailAllocationAfter(-1); }
    void TearDown() override {
        test_memory::FailAllocationAfter(-1);
        EXPECT_EQ(test_memory::LiveBlocks(), 0) << "working memory released";
    }
    // Inflates with the given capacity; returns the result and keeps the
    // bytes produced in output.
    int Run(const Bytes& in, uint32_t capacity) {
        output.assign(capacity ? capacity : 1, 0);
        length = capacity;
        InflateWork work = {};
        int result = InflateZlibStream(output.data(), &length, in.data(), in.size(), &work);
        ReleaseInflateWork(&work);
        if (result) output.resize(length);
        return result;
    }
    Bytes output;
    uint32_t length = 0;
};

TEST_F(Inflate, WholeStreamInExactOrLargerRoom) {
    Bytes data = Text(65536);
    EXPECT_EQ(Run(Zlib(data), 65536), 1);
    EXPECT_EQ(output, data);
    EXPECT_EQ(Run(Zlib(data, 0), 70000), 1) << "stored blocks";
    EXPECT_EQ(output, data);
}

TEST_F(Inflate, OutputBeyondTheCapacityFails) { EXPECT_EQ(Run(Zlib(Text(1000)), 999), 0); }

TEST_F(Inflate, HeaderChecks) {
    Bytes good = Zlib(Text(100));
    Bytes method = good;  // compression method 7 instead of deflate
    method[0] = (method[0] & 0xF0) | 7;
    FixHeaderCheck(method);
    EXPECT_EQ(Run(method, 100), 0);

    Bytes window = good;  // a 64 KiB window
    window[0] = 0x88;
    FixHeaderCheck(window);
    EXPECT_EQ(Run(window, 100), 0);

    Bytes dictionary = good;
    dictionary[1] |= 0x20;
    FixHeaderCheck(dictionary);
    EXPECT_EQ(Run(dictionary, 100), 0);

    Bytes check = good;
    check[1] ^= 1;
    EXPECT_EQ(Run(check, 100), 0);

    Bytes smallWindow = Bytes{0x08, 0x00};  // 256-byte window: accepted
    FixHeaderCheck(smallWindow);
    Bytes raw = good;
    raw[0] = smallWindow[0];
    raw[1] = smallWindow[1];
    EXPECT_EQ(Run(raw, 100), 1);
}

TEST_F(Inflate, TrailerMustBePresentAndMatch) {
    Bytes z = Zlib(Text(500));
    Bytes wrong = z;
    wrong.back() ^= 0x40;
    EXPECT_EQ(Run(wrong, 500), 0);
    for (size_t cut = 1; cut <= 4; ++cut) {
        EXPECT_EQ(Run(Bytes(z.begin(), z.end() - cut), 500), 0) << cut;
    }
    Bytes trailing = z;
    trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
    EXPECT_EQ(Run(trailing, 500), 1) << "bytes after the trailer are ignored";
}

TEST_F(Inflate, CorruptDeflateDataFails) {
    Bytes z = Zlib(Text(5000));
    Bytes reserved = z;  // first block of the reserved type 3
    reserved[2] |= 0x06;
    EXPECT_EQ(Run(reserved, 5000), 0);
    Bytes cut(z.begin(), z.begin() + z.size() / 2);
    EXPECT_EQ(Run(cut, 5000), 0);
}

TEST_F(Inflate, FixedHuffmanBlocksAreAccepted) {
    Bytes data(40, 'a');
    Bytes fixed(100);
    z_stream s = {};
    deflateInit2(&s, 9, Z_DEFLATED, 15, 8, Z_FIXED);
    s.next_in = data.data();
    s.avail_in = data.size();
    s.next_out = fixed.data();
    s.avail_out = fixed.size();
    ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    fixed.resize(s.total_out);
    deflateEnd(&s);
    ASSERT_EQ((fixed[2] >> 1) & 3, 1) << "the stream holds a fixed block";
    EXPECT_EQ(Run(fixed, 40), 1);
    EXPECT_EQ(output, data);
}

TEST_F(Inflate, LackOfMemoryFails) {
    // A one-shot inflation that completes needs only zlib's state block.
    test_memory::FailAllocationAfter(0);
    EXPECT_EQ(Run(Zlib(Text(3000)), 3000), 0);
}

}  // namespace
