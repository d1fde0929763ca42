#include "common/blake2s.h"

namespace {

const uint32_t kIv[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                         0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

const uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0}};

inline uint32_t Rotate(uint32_t x, int n) { return x >> n | x << (32 - n); }

inline void Mix(uint32_t* v, int a, int b, int c, int d, uint32_t x,
                uint32_t y) {
    v[a] += v[b] + x;
    v[d] = Rotate(v[d] ^ v[a], 16);
    v[c] += v[d];
    v[b] = Rotate(v[b] ^ v[c], 12);
    v[a] += v[b] + y;
    v[d] = Rotate(v[d] ^ v[a], 8);
    v[c] += v[d];
    v[b] = Rotate(v[b] ^ v[c], 7);
}

void Compress(Blake2s* s, const uint8_t* block, uint32_t size, bool last) {
    s->count[0] += size;
    if (s->count[0] < size) ++s->count[1];
    uint32_t m[16], v[16];
    for (int i = 0; i < 16; ++i)
        m[i] = (uint32_t)block[4 * i] | (uint32_t)block[4 * i + 1] << 8 |
               (uint32_t)block[4 * i + 2] << 16 |
               (uint32_t)block[4 * i + 3] << 24;
    for (int i = 0; i < 8; ++i) {
        v[i] = s->h[i];
        v[i + 8] = kIv[i];
    }
    v[12] ^= s->count[0];
    v[13] ^= s->count[1];
    if (last) v[14] = ~v[14];
    for (const uint8_t* r : kSigma) {
        Mix(v, 0, 4, 8, 12, m[r[0]], m[r[1]]);
        Mix(v, 1, 5, 9, 13, m[r[2]], m[r[3]]);
        Mix(v, 2, 6, 10, 14, m[r[4]], m[r[5]]);
        Mix(v, 3, 7, 11, 15, m[r[6]], m[r[7]]);
        Mix(v, 0, 5, 10, 15, m[r[8]], m[r[9]]);
        Mix(v, 1, 6, 11, 12, m[r[10]], m[r[11]]);
        Mix(v, 2, 7, 8, 13, m[r[12]], m[r[13]]);
        Mix(v, 3, 4, 9, 14, m[r[14]], m[r[15]]);
    }
    for (int i = 0; i < 8; ++i) s->h[i] ^= v[i] ^ v[i + 8];
}

}  // namespace

void Blake2sStart(Blake2s* s) {
    for (int i = 0; i < 8; ++i) s->h[i] = kIv[i];
    s->h[0] ^= 0x01010000 | kBlake2sDigestSize;  // no key, 32-byte digest
    s->count[0] = s->count[1] = 0;
    s->blockUsed = 0;
}

void Blake2sAdd(Blake2s* s, const void* data, uint32_t size) {
    const uint8_t* in = (const uint8_t*)data;
    while (size > 0) {
        // A full block is compressed only once more data follows it.
        if (s->blockUsed == sizeof s->block) {
            Compress(s, s->block, sizeof s->block, false);
            s->blockUsed = 0;
        }
        for (; s->blockUsed == 0 && size > sizeof s->block;
             in += sizeof s->block, size -= sizeof s->block)
            Compress(s, in, sizeof s->block, false);
        uint32_t take = sizeof s->block - s->blockUsed;
        if (take > size) take = size;
        for (uint32_t i = 0; i < take; ++i) s->block[s->blockUsed + i] = in[i];
        s->blockUsed += take;
        in += take;
        size -= take;
    }
}

void Blake2sFinish(Blake2s* s, uint8_t digest[kBlake2sDigestSize]) {
    for (uint32_t i = s->blockUsed; i < sizeof s->block; ++i) s->block[i] = 0;
    Compress(s, s->block, s->blockUsed, true);
    for (uint32_t i = 0; i < kBlake2sDigestSize; ++i)
        digest[i] = (uint8_t)(s->h[i / 4] >> (8 * (i % 4)));
}
