// Reading a payload file with the launcher's own reader: its marker search,
// settings parser and record stream. The marker and the settings are found
// in the file's first bytes, held in memory; the records are read from the
// file piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "chunk_stream.h"
#include "payload_format.h"
#include "base/bytes.h"
#include "base/random_access.h"
#include "payload/settings.h"

namespace boxlift {

// Where the payload's parts start, and its settings.
struct PayloadLayout {
    std::size_t markerOffset = 0;
    std::size_t blockOffset = 0;  // the settings block, right after the marker
    std::size_t blockLength = 0;
    std::size_t streamOffset = 0;  // chunkCount
    Settings settings;
};

// How much of the file's start the launcher reads for its marker and
// settings: the marker's window, then the settings block's, which starts
// inside the first.
inline constexpr std::size_t kPayloadHeadSize = 2 * std::size_t{kSettingsWindowSize};

// Finds the payload as the launcher does and parses its settings block,
// in the file's first bytes (kPayloadHeadSize of them suffice). Throws Error
// when the launcher would find no payload or no block.
PayloadLayout LocatePayload(ByteView head);

struct StreamSummary {
    StreamMeasure measure{};
    std::uint64_t endOffset = 0;  // just past the end record
};

// Walks the record headers, skipping the data. Throws Error naming the
// record and its file offset when a header is bad or the file ends early.
StreamSummary MeasureStream(const RandomAccess& file, const PayloadLayout& layout);

struct ReadOptions {
    bool refuseFixedHuffman = false;  // a fixed-Huffman block is an error
    // Told, when set, of what the launcher accepts but a writer never
    // writes: a compressed record that inflates to fewer bytes than its
    // inflatedSize. The text names the record and its offset.
    std::function<void(const std::string&)> warn;
};

// Reads every record as the launcher does, inflating the compressed ones
// (zlib checks each Adler-32), and hands each record's package bytes to
// take. Throws Error naming the record and its file offset at the first bad
// one.
void ReadRecords(const RandomAccess& file, const PayloadLayout& layout, ReadOptions options,
                 const std::function<void(ByteView)>& take);

// The same, returning the whole package (for packages known to be small).
Bytes ReadPackage(const RandomAccess& file, const PayloadLayout& layout, ReadOptions options = {});

}  // namespace boxlift
