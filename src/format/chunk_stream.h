// Reading the chunk stream of the payload, record by record. The caller
// supplies three hooks, each with one role: the byte source the stream is
// read from, the sink the package goes to, and the inflater.
#ifndef BOXLIFT_CHUNK_STREAM_H
#define BOXLIFT_CHUNK_STREAM_H

#include <stdint.h>

struct ByteSource {
    void* context;
    // Returns the number of bytes read; a short count is a failure.
    uint32_t (*read)(void* context, void* buffer, uint32_t size);
    // Moves the read position size bytes on; 1 on success.
    int (*skip)(void* context, uint32_t size);
    // Moves the read position to offset from the start; 1 on success. Only
    // the file-level reader seeks: a chunk-stream source may leave it none.
    int (*seek)(void* context, uint32_t offset);
};

struct PackageSink {
    void* context;
    // Returns the number of bytes written; a short count is a failure.
    uint32_t (*write)(void* context, const void* data, uint32_t size);
    // The bar position after a record; called before the cancel test.
    void (*progress)(void* context, uint32_t position);
    // Non-zero once the user has confirmed a cancel.
    int (*cancelled)(void* context);
};

struct ChunkInflater {
    void* context;
    // InflateChunk's contract: 1 on success, *outLength = bytes produced.
    int (*inflate)(void* context, uint8_t* out, uint32_t* outLength,
                   const uint8_t* in, uint32_t inLength);
};

enum ChunkStreamResult {
    kStreamComplete,
    kStreamCancelled,
    kStreamTruncated,      // the source ended inside the stream
    kStreamBadRecordType,  // a type byte other than 0, 1 or 2
    kStreamBadRecordSize,  // a size field outside its limits
    kStreamBadZlibData,    // a compressed record did not inflate
    kStreamWriteFailed,    // the sink took fewer bytes than it was given
};

// One record header as read: type, the package bytes the record stands for
// (storedSize or inflatedSize) and the bytes of data behind the header.
struct RecordHeader {
    uint8_t type;
    uint32_t packageBytes;
    uint32_t dataBytes;
};

// Reads one record header and checks its sizes against their limits, before
// any of the record's data is read. kStreamComplete for a good header,
// including the end record (type 0, both sizes 0).
ChunkStreamResult ReadRecordHeader(const ByteSource* source,
                                   RecordHeader* header);

// Copies the stream from chunkCount to the end record into the sink.
// chunkBuffer holds kChunkBufferSize bytes, packedBuffer kPackedBufferSize.
ChunkStreamResult CopyChunkStream(const ByteSource* source,
                                  const PackageSink* sink,
                                  const ChunkInflater* inflater,
                                  uint8_t* chunkBuffer, uint8_t* packedBuffer);

struct StreamMeasure {
    uint32_t chunkCount;
    uint32_t storedRecords;
    uint32_t compressedRecords;
    uint64_t packageSize;  // the sum of the stored and inflated sizes
};

// Walks the record headers from chunkCount to the end record, skipping the
// data, and fills *measure. Fails as the copy would on a malformed header.
ChunkStreamResult MeasureChunkStream(const ByteSource* source,
                                     StreamMeasure* measure);

#endif
