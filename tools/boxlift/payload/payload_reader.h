// Reading a payload file with the launcher's own reader: its marker search,
// settings parser and record stream, run over the file in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "chunk_stream.h"
#include "base/bytes.h"
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

// Finds the payload as the launcher does and parses its settings block.
// Throws Error when the launcher would find no payload or no block.
PayloadLayout LocatePayload(ByteView file);

struct StreamSummary {
    StreamMeasure measure{};
    std::size_t endOffset = 0;  // just past the end record
};

// Walks the record headers, skipping the data. Throws Error naming the
// record and its file offset when a header is bad or the file ends early.
StreamSummary MeasureStream(ByteView file, const PayloadLayout& layout);

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
void ReadRecords(ByteView file, const PayloadLayout& layout, ReadOptions options,
                 const std::function<void(ByteView)>& take);

// The same, returning the whole package.
Bytes ReadPackage(ByteView file, const PayloadLayout& layout, ReadOptions options = {});

}  // namespace boxlift
