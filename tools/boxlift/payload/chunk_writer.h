// The chunk stream: chunkCount, one record per 65,536-byte piece of the
// package, the end record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "base/bytes.h"
#include "payload/pack_options.h"
#include "payload_format.h"

namespace boxlift {

inline constexpr std::size_t kPieceSize = kMaxChunkSize;  // what a record holds

// Record writing, piece by piece (tests use these to build odd streams).
void AppendChunkCount(Bytes& out, std::uint32_t count);
void AppendStoredRecord(Bytes& out, ByteView data);
void AppendCompressedRecord(Bytes& out, std::uint32_t inflatedSize, ByteView zlibStream);
void AppendEndRecord(Bytes& out);

// Fills the buffer with the package's next bytes, exactly as many as it
// holds (throws Error when the package ends early).
using PieceSource = std::function<void(std::span<std::uint8_t>)>;
// Takes the chunk stream's bytes, in order.
using StreamSink = std::function<void(ByteView)>;

// The chunk stream of a package of packageSize bytes, read from source
// piece by piece and given to sink record by record.
void WriteChunkStream(std::uint64_t packageSize, const PieceSource& source, const StreamSink& sink,
                      const PackOptions& options);

// The whole chunk stream of a package as written: 65,536-byte pieces, each
// stored or compressed, chunkCount = number of pieces, the end record last.
Bytes EncodeChunkStream(ByteView package, const PackOptions& options = {});

// The number of pieces, and so of records, EncodeChunkStream writes for a
// package of this size. Throws Error when that does not fit the u32 count.
std::uint32_t ChunkCount(std::uint64_t packageSize);

}  // namespace boxlift
