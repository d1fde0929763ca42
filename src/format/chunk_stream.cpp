#include "chunk_stream.h"

#include "payload_format.h"
#include "progress.h"

namespace {

bool ReadExactly(const ByteSource* source, void* buffer, uint32_t size) {
    return source->read(source->context, buffer, size) == size;
}

bool ReadU32(const ByteSource* source, uint32_t* value) {
    uint8_t b[4];
    if (!ReadExactly(source, b, 4)) return false;
    *value = (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 |
             (uint32_t)b[3] << 24;
    return true;
}

// Reads the record's data into the chunk buffer, inflating a compressed
// record; *count = the package bytes it gives.
ChunkStreamResult ReadRecordData(const ByteSource* source,
                                 const ChunkInflater* inflater,
                                 const RecordHeader& header, uint8_t* chunk,
                                 uint8_t* packed, uint32_t* count) {
    if (header.type == kStoredRecord) {
        if (!ReadExactly(source, chunk, header.dataBytes))
            return kStreamTruncated;
        *count = header.dataBytes;
        return kStreamComplete;
    }
    if (!ReadExactly(source, packed, header.dataBytes)) return kStreamTruncated;
    uint32_t produced = header.packageBytes;
    if (inflater->inflate(inflater->context, chunk, &produced, packed,
                          header.dataBytes) != 1)
        return kStreamBadZlibData;
    *count = produced;
    return kStreamComplete;
}

}  // namespace

ChunkStreamResult ReadRecordHeader(const ByteSource* source,
                                   RecordHeader* header) {
    header->packageBytes = 0;
    header->dataBytes = 0;
    if (!ReadExactly(source, &header->type, 1)) return kStreamTruncated;
    switch (header->type) {
    case kEndRecord:
        return kStreamComplete;
    case kStoredRecord:
        if (!ReadU32(source, &header->packageBytes)) return kStreamTruncated;
        header->dataBytes = header->packageBytes;
        return header->packageBytes > kMaxChunkSize ? kStreamBadRecordSize
                                                    : kStreamComplete;
    case kCompressedRecord:
        if (!ReadU32(source, &header->packageBytes) ||
            !ReadU32(source, &header->dataBytes))
            return kStreamTruncated;
        return header->packageBytes == 0 ||
                       header->packageBytes > kMaxChunkSize ||
                       header->dataBytes > kMaxCompressedSize
                   ? kStreamBadRecordSize
                   : kStreamComplete;
    default:
        return kStreamBadRecordType;
    }
}

ChunkStreamResult CopyChunkStream(const ByteSource* source,
                                  const PackageSink* sink,
                                  const ChunkInflater* inflater, uint8_t* chunk,
                                  uint8_t* packed) {
    uint32_t chunkCount;
    if (!ReadU32(source, &chunkCount)) return kStreamTruncated;
    uint32_t step = ProgressStep(chunkCount);
    int32_t progress = kProgressStart;
    for (;;) {
        RecordHeader header;
        ChunkStreamResult result = ReadRecordHeader(source, &header);
        if (result != kStreamComplete || header.type == kEndRecord)
            return result;
        uint32_t count;
        result =
            ReadRecordData(source, inflater, header, chunk, packed, &count);
        if (result != kStreamComplete) return result;
        if (sink->write(sink->context, chunk, count) != count)
            return kStreamWriteFailed;
        progress = AdvanceProgress(progress, step);
        sink->progress(sink->context, ProgressPosition(progress));
        if (sink->cancelled(sink->context)) return kStreamCancelled;
    }
}

ChunkStreamResult MeasureChunkStream(const ByteSource* source,
                                     StreamMeasure* measure) {
    StreamMeasure m = {};
    if (!ReadU32(source, &m.chunkCount)) return kStreamTruncated;
    for (;;) {
        RecordHeader header;
        ChunkStreamResult result = ReadRecordHeader(source, &header);
        if (result != kStreamComplete) return result;
        if (header.type == kEndRecord) break;
        if (!source->skip(source->context, header.dataBytes))
            return kStreamTruncated;
        m.packageSize += header.packageBytes;
        ++(header.type == kStoredRecord ? m.storedRecords
                                        : m.compressedRecords);
    }
    *measure = m;
    return kStreamComplete;
}
