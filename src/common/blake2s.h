// BLAKE2s-256 (RFC 7693): the digest that proves the package the installer
// opens is the package that was written. A checksum such as Adler-32 or
// CRC-32 would not do: another program could forge a collision.
#ifndef BOXLIFT_BLAKE2S_H
#define BOXLIFT_BLAKE2S_H

#include <stdint.h>

const uint32_t kBlake2sDigestSize = 32;

struct Blake2s {
    uint32_t h[8];
    uint32_t count[2];  // bytes compressed so far, low word first
    uint8_t block[64];  // the last block is held back for the final flag
    uint32_t blockUsed;
};

void Blake2sStart(Blake2s* state);
void Blake2sAdd(Blake2s* state, const void* data, uint32_t size);
void Blake2sFinish(Blake2s* state, uint8_t digest[kBlake2sDigestSize]);

#endif
