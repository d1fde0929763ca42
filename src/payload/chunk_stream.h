// Reading the chunk stream of the payload into the package, record by
// record. The platform side supplies the reads, the writes, the inflater and
// the progress and cancel hooks.
#ifndef BOXLIFT_CHUNK_STREAM_H
#define BOXLIFT_CHUNK_STREAM_H

#include <stdint.h>

struct ChunkStreamIo {
    void* context;
    // Each returns the number of bytes it moved; a short count is a failure.
    uint32_t (*read)(void* context, void* buffer, uint32_t size);
    uint32_t (*write)(void* context, const void* data, uint32_t size);
    // Moves the read position size bytes on; 1 on success. Only the
    // measuring walk uses it.
    int (*skip)(void* context, uint32_t size);
    // InflateChunk's contract: 1 on success, *outLength = bytes produced.
    int (*inflate)(uint8_t* out, uint32_t* outLength, const uint8_t* in,
                   uint32_t inLength);
    // The bar position after a record; called before the cancel test.
    void (*progress)(void* context, uint32_t position);
    // Non-zero once the user has confirmed a cancel.
    int (*cancelled)(void* context);
};

enum ChunkStreamResult {
    kStreamComplete,
    kStreamFailed,
    kStreamCancelled,
};

// Copies the stream from chunkCount to the end record. chunkBuffer holds
// kChunkBufferSize bytes, packedBuffer kPackedBufferSize bytes.
ChunkStreamResult CopyChunkStream(const ChunkStreamIo* io, uint8_t* chunkBuffer,
                                  uint8_t* packedBuffer);

// Walks the record headers from chunkCount to the end record without
// reading the data, and sets *packageSize to the sum of the stored and
// inflated sizes. 1 when the walk reached the end record.
int MeasureChunkStream(const ChunkStreamIo* io, uint64_t* packageSize);

#endif
