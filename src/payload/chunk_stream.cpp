#include "payload/chunk_stream.h"

#include "payload/payload_format.h"
#include "payload/progress.h"

namespace {

bool ReadExactly(const ChunkStreamIo* io, void* buffer, uint32_t size) {
    return io->read(io->context, buffer, size) == size;
}

bool ReadU32(const ChunkStreamIo* io, uint32_t* value) {
    uint8_t b[4];
    if (!ReadExactly(io, b, 4)) return false;
    *value = (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 |
             (uint32_t)b[3] << 24;
    return true;
}

// Reads one stored record's fields and data; *count = bytes to write.
bool ReadStoredRecord(const ChunkStreamIo* io, uint8_t* chunk,
                      uint32_t* count) {
    uint32_t storedSize;
    if (!ReadU32(io, &storedSize) || storedSize > kMaxChunkSize) return false;
    if (!ReadExactly(io, chunk, storedSize)) return false;
    *count = storedSize;
    return true;
}

// Reads and inflates one compressed record. An inflatedSize above the
// largest chunk fails, as a stored record of that size does.
bool ReadCompressedRecord(const ChunkStreamIo* io, uint8_t* chunk,
                          uint8_t* packed, uint32_t* count) {
    uint32_t inflatedSize, compressedSize;
    if (!ReadU32(io, &inflatedSize) || !ReadU32(io, &compressedSize))
        return false;
    if (inflatedSize > kMaxChunkSize || compressedSize > kMaxCompressedSize)
        return false;
    if (!ReadExactly(io, packed, compressedSize)) return false;
    uint32_t produced = inflatedSize;
    if (io->inflate(chunk, &produced, packed, compressedSize) != 1)
        return false;
    *count = produced;
    return true;
}

}  // namespace

ChunkStreamResult CopyChunkStream(const ChunkStreamIo* io, uint8_t* chunk,
                                  uint8_t* packed) {
    uint32_t chunkCount;
    if (!ReadU32(io, &chunkCount)) return kStreamFailed;
    uint32_t step = ProgressStep(chunkCount);
    int32_t progress = kProgressStart;

    uint8_t type;
    if (!ReadExactly(io, &type, 1)) return kStreamFailed;
    while (type != kEndRecord) {
        uint32_t count;
        bool ok = type == kStoredRecord     ? ReadStoredRecord(io, chunk, &count)
                  : type == kCompressedRecord
                      ? ReadCompressedRecord(io, chunk, packed, &count)
                      : false;
        if (!ok) return kStreamFailed;
        if (io->write(io->context, chunk, count) != count) return kStreamFailed;
        if (!ReadExactly(io, &type, 1)) return kStreamFailed;
        progress = AdvanceProgress(progress, step);
        io->progress(io->context, ProgressPosition(progress));
        if (io->cancelled(io->context)) return kStreamCancelled;
    }
    return kStreamComplete;
}

int MeasureChunkStream(const ChunkStreamIo* io, uint64_t* packageSize) {
    uint64_t total = 0;
    uint32_t chunkCount;
    uint8_t type;
    if (!ReadU32(io, &chunkCount) || !ReadExactly(io, &type, 1)) return 0;
    while (type != kEndRecord) {
        uint32_t size, dataSize;
        if (type == kStoredRecord) {
            if (!ReadU32(io, &size)) return 0;
            dataSize = size;
        } else if (type == kCompressedRecord) {
            if (!ReadU32(io, &size) || !ReadU32(io, &dataSize)) return 0;
        } else {
            return 0;
        }
        // The same limits as the extraction: they also keep the skip a
        // forward move of at most one record's data.
        if (size > kMaxChunkSize || dataSize > kMaxCompressedSize ||
            !io->skip(io->context, dataSize))
            return 0;
        total += size;
        if (!ReadExactly(io, &type, 1)) return 0;
    }
    *packageSize = total;
    return 1;
}
