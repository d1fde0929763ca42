#ifndef BOXLIFT_INFLATE_CHUNK_H
#define BOXLIFT_INFLATE_CHUNK_H

#include <stdint.h>

// Inflates one complete zlib stream from memory into out, whose capacity is
// *outLength; on success sets *outLength to the bytes produced and returns
// 1. Returns 0 for any bad, truncated or oversized stream, for lack of
// memory, and for a processor fault raised while inflating: no fault leaves
// this function.
int InflateChunk(uint8_t* out, uint32_t* outLength, const uint8_t* in,
                 uint32_t inLength);

#endif
