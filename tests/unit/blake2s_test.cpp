// BLAKE2s-256 against known digests, and the same digest whatever the
// sizes of the pieces it is fed in (the last block is held back).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/blake2s.h"

namespace {

std::string Hex(const uint8_t* digest) {
    std::string text;
    for (uint32_t i = 0; i < kBlake2sDigestSize; ++i) {
        text += "0123456789abcdef"[digest[i] >> 4];
        text += "0123456789abcdef"[digest[i] & 15];
    }
    return text;
}

std::string Digest(const std::vector<uint8_t>& data, size_t piece) {
    Blake2s state;
    Blake2sStart(&state);
    for (size_t at = 0; at < data.size(); at += piece)
        Blake2sAdd(&state, data.data() + at, (uint32_t)std::min(piece, data.size() - at));
    uint8_t digest[kBlake2sDigestSize];
    Blake2sFinish(&state, digest);
    return Hex(digest);
}

std::vector<uint8_t> Counting(size_t size) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = (uint8_t)(i % 251);
    return data;
}

TEST(Blake2s, KnownDigestsInAnyPieces) {
    struct Case {
        std::vector<uint8_t> data;
        const char* digest;
    };
    const Case cases[] = {
        {{}, "69217a3079908094e11121d042354a7c1f55b6482ca1a51e1b250dfd1ed0eef9"},
        {{'a', 'b', 'c'}, "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982"},
        {Counting(64), "56f34e8b96557e90c1f24b52d0c89d51086acf1b00f634cf1dde9233b8eaaa3e"},
        {Counting(1000), "1c067a5e746fb0f6734efac9a8cdb0e11061f0077f255184365c690115392501"},
    };
    for (const Case& c : cases)
        for (size_t piece : {size_t(1), size_t(63), size_t(64), size_t(65), size_t(1000)})
            EXPECT_EQ(Digest(c.data, piece), c.digest)
                << c.data.size() << " bytes in pieces of " << piece;
}

}  // namespace
