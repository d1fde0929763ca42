// One-shot inflation of a zlib stream with zlib, its working memory taken
// through the launcher's allocator and tracked, so that it can be released
// even when the inflation never returns (a fault caught by the caller).
#ifndef BOXLIFT_ZLIB_INFLATE_H
#define BOXLIFT_ZLIB_INFLATE_H

#include <stdint.h>

struct InflateWork {
    void* blocks[4];  // zlib asks for its state and its window
    uint32_t count;
};

// Inflates in[0..inLength) into out, whose capacity is *outLength; on
// success sets *outLength to the bytes produced and returns true. Success
// needs the whole stream: a valid header, deflate data that ends within the
// capacity and a matching Adler-32 trailer. The caller zeroes work first and
// calls ReleaseInflateWork afterwards, whatever happened.
bool InflateZlibStream(uint8_t* out, uint32_t* outLength, const uint8_t* in,
                       uint32_t inLength, InflateWork* work);

void ReleaseInflateWork(InflateWork* work);

// InflateZlibStream with its working memory released before it returns, in
// the shape of a chunk-stream inflater (context unused): the native side of
// InflateChunk, for readers that have no fault guard to come back from.
int InflateZlibChunk(void* context, uint8_t* out, uint32_t* outLength,
                     const uint8_t* in, uint32_t inLength);

#endif
