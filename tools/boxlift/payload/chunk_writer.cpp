#include "payload/chunk_writer.h"

#include <algorithm>
#include <limits>
#include <string>

#include "base/byte_writer.h"
#include "base/error.h"
#include "payload/record_pipeline.h"

namespace boxlift {

void AppendChunkCount(Bytes& out, std::uint32_t count) { ByteWriter(out).U32(count); }

// The record writers write what they are given, unchecked, so that tests
// can build streams the launcher must refuse; EncodeChunkStream keeps to
// the limits by construction.
void AppendStoredRecord(Bytes& out, ByteView data) {
    ByteWriter(out).U8(kStoredRecord).U32(static_cast<std::uint32_t>(data.size())).Append(data);
}

void AppendCompressedRecord(Bytes& out, std::uint32_t inflatedSize, ByteView zlibStream) {
    ByteWriter(out)
        .U8(kCompressedRecord)
        .U32(inflatedSize)
        .U32(static_cast<std::uint32_t>(zlibStream.size()))
        .Append(zlibStream);
}

void AppendEndRecord(Bytes& out) { ByteWriter(out).U8(kEndRecord); }

std::uint32_t ChunkCount(std::uint64_t packageSize) {
    std::uint64_t pieces = packageSize / kPieceSize + (packageSize % kPieceSize != 0 ? 1 : 0);
    if (pieces > std::numeric_limits<std::uint32_t>::max())
        throw Error("package of " + std::to_string(packageSize) +
                    " bytes is too large for the chunk count");
    return static_cast<std::uint32_t>(pieces);
}

void WriteChunkStream(std::uint64_t packageSize, const PieceSource& source, const StreamSink& sink,
                      const PackOptions& options) {
    Bytes count;
    AppendChunkCount(count, ChunkCount(packageSize));
    sink(count);
    RecordPipeline pipeline(options);
    std::uint64_t done = 0;  // package bytes in the records given to sink
    auto popRecord = [&] {
        sink(pipeline.Pop());
        done = std::min<std::uint64_t>(done + kPieceSize, packageSize);
        if (options.progress) options.progress(done, packageSize);
    };
    for (std::uint64_t offset = 0; offset < packageSize; offset += kPieceSize) {
        if (pipeline.Full()) popRecord();
        Bytes piece(std::min<std::uint64_t>(kPieceSize, packageSize - offset));
        source(piece);
        pipeline.Push(std::move(piece));
    }
    while (!pipeline.Empty()) popRecord();
    Bytes end;
    AppendEndRecord(end);
    sink(end);
}

Bytes EncodeChunkStream(ByteView package, const PackOptions& options) {
    Bytes out;
    out.reserve(package.size() + package.size() / kPieceSize * 9 + 16);
    WriteChunkStream(
        package.size(),
        [&](std::span<std::uint8_t> piece) {
            std::copy_n(package.begin(), piece.size(), piece.begin());
            package = package.subspan(piece.size());
        },
        [&](ByteView bytes) { ByteWriter(out).Append(bytes); }, options);
    return out;
}

}  // namespace boxlift
