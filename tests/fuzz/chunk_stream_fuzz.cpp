// The record stream, read as the launcher reads it (zlib through the
// launcher's own inflater), and measured as the disk space check measures
// it. The input is used twice:
//  - as a chunk stream: a copy that completes never gives more package
//    bytes than the records declare, the sum the measuring walk reports;
//  - as package content: the stream the writer makes of it comes back
//    whole.
#include <cassert>
#include <cstdint>
#include <vector>

#include "memory_file.h"
#include "payload_format.h"
#include "zlib_inflate.h"
#include "payload/chunk_writer.h"

namespace {

using boxlift::Bytes;

struct Copy {
    Bytes package;
    uint32_t records = 0;

    static uint32_t Write(void* self, const void* data, uint32_t size) {
        auto& c = *static_cast<Copy*>(self);
        assert(size <= kMaxChunkSize);
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        c.package.insert(c.package.end(), bytes, bytes + size);
        ++c.records;
        return size;
    }
};

struct Read {
    ChunkStreamResult measured, copied;
    StreamMeasure measure{};
    Copy copy;
};

Read ReadStream(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> chunk(kChunkBufferSize), packed(kPackedBufferSize);
    Read r;
    MemoryFile walk{data, size}, file{data, size};
    ByteSource walkSource = walk.Source(), source = file.Source();
    r.measured = MeasureChunkStream(&walkSource, &r.measure);
    PackageSink sink = {&r.copy, Copy::Write, [](void*, uint32_t) {}, [](void*) { return 0; }};
    ChunkInflater inflater = {nullptr, InflateZlibChunk};
    r.copied = CopyChunkStream(&source, &sink, &inflater, chunk.data(), packed.data());
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Read r = ReadStream(data, size);
    if (r.copied == kStreamComplete) {
        assert(r.measured == kStreamComplete);
        assert(r.copy.records == r.measure.storedRecords + r.measure.compressedRecords);
        assert(r.copy.package.size() <= r.measure.packageSize);
    }

    const Bytes stream = boxlift::EncodeChunkStream(boxlift::ByteView(data, size));
    Read back = ReadStream(stream.data(), stream.size());
    assert(back.measured == kStreamComplete && back.copied == kStreamComplete);
    assert(back.measure.packageSize == size && back.copy.package == Bytes(data, data + size));
    return 0;
}
