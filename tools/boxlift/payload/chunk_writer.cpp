#include "payload/chunk_writer.h"

#include <algorithm>
#include <limits>
#include <string>

#include "base/error.h"
#include "payload/record_pipeline.h"

namespace boxlift {
namespace {

void AppendBytes(Bytes& out, ByteView data) {
    out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

void AppendU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendChunkCount(Bytes& out, std::uint32_t count) {
    AppendU32(out, count);
}

// The record writers write what they are given, unchecked, so that tests
// can build streams the launcher must refuse; EncodeChunkStream keeps to
// the limits by construction.
void AppendStoredRecord(Bytes& out, ByteView data) {
    out.push_back(kStoredRecord);
    AppendU32(out, static_cast<std::uint32_t>(data.size()));
    AppendBytes(out, data);
}

void AppendCompressedRecord(Bytes& out, std::uint32_t inflatedSize,
                            ByteView zlibStream) {
    out.push_back(kCompressedRecord);
    AppendU32(out, inflatedSize);
    AppendU32(out, static_cast<std::uint32_t>(zlibStream.size()));
    AppendBytes(out, zlibStream);
}

void AppendEndRecord(Bytes& out) { out.push_back(kEndRecord); }

std::uint32_t ChunkCount(std::uint64_t packageSize) {
    std::uint64_t pieces = packageSize / kPieceSize +
                         (packageSize % kPieceSize != 0 ? 1 : 0);
    if (pieces > std::numeric_limits<std::uint32_t>::max())
        throw Error("package of " + std::to_string(packageSize) +
                    " bytes is too large for the chunk count");
    return static_cast<std::uint32_t>(pieces);
}

void WriteChunkStream(std::uint64_t packageSize, const PieceSource& source,
                      const StreamSink& sink, const PackOptions& options) {
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
        [&](ByteView bytes) { AppendBytes(out, bytes); }, options);
    return out;
}

}  // namespace boxlift
