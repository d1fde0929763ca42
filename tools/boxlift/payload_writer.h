// Writing the payload that the launcher reads: the marker, the settings
// block and the chunk stream, appended to a launcher image. The layout and
// its limits are the launcher's own (payload/payload_format.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "payload_format.h"
#include "settings.h"

struct libdeflate_compressor;

namespace boxlift {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Every failure of the packaging tool: the message names the file or field
// and what is wrong with it.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The format's constants under the tool's names.
inline const char* const kMarker = kPayloadMarker;
inline constexpr std::size_t kMarkerLength = kPayloadMarkerLength;
inline constexpr std::size_t kPieceSize = kMaxChunkSize;  // what a record holds

// "MAJOR.MINOR" -> the two bytes major + 1, minor + 1. Throws Error for a
// malformed text or a number the launcher cannot compare (above 126).
std::string EncodeEngineVersion(const std::string& version);

// The settings block as written. Throws Error for a text holding a NUL or
// an engine version that is not exactly two non-zero bytes.
Bytes EncodeSettingsBlock(const Settings& settings);

// How often the marker occurs in bytes, overlapping occurrences included.
std::size_t CountMarkers(ByteView bytes);

// Throws Error unless the image holds the marker exactly once and is small
// enough for the payload's marker to start at most at offset 524,280.
void CheckLauncherImage(ByteView image);

// True when the zlib stream holds a fixed-Huffman deflate block.
bool HasFixedHuffmanBlock(ByteView zlibStream);

// Record writing, piece by piece (tests use these to build odd streams).
void AppendU32(Bytes& out, std::uint32_t value);
void AppendChunkCount(Bytes& out, std::uint32_t count);
void AppendStoredRecord(Bytes& out, ByteView data);
void AppendCompressedRecord(Bytes& out, std::uint32_t inflatedSize,
                            ByteView zlibStream);
void AppendEndRecord(Bytes& out);

// True when the piece's byte frequencies leave deflate too little to gain
// for compressing to be worth trying. Depends on the bytes alone.
bool LooksIncompressible(ByteView piece);

// Compression levels: 1 fastest, 12 smallest.
inline constexpr int kMinLevel = 1;
inline constexpr int kMaxLevel = 12;
inline constexpr int kDefaultLevel = 6;

// How the chunk stream is made; the bytes written do not depend on jobs.
struct PackOptions {
    unsigned jobs = 1;  // pieces compressed at once
    int level = kDefaultLevel;
    // Told, after each record the sink takes, how many of the package's
    // total bytes those records hold; none by default.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress = nullptr;
};

// Compresses pieces at one level. It keeps libdeflate's compressor from
// piece to piece (a large one takes long to set up), so each thread uses
// its own.
class PieceCompressor {
public:
    explicit PieceCompressor(int level = kDefaultLevel);
    ~PieceCompressor();
    PieceCompressor(const PieceCompressor&) = delete;
    PieceCompressor& operator=(const PieceCompressor&) = delete;

    // The piece's zlib stream, or empty when the piece should be stored:
    // its bytes look incompressible, or compression does not make it
    // smaller. A stream holding a fixed-Huffman block is made again with
    // zlib, and the piece stored when that one holds one too.
    Bytes Compress(ByteView piece);
    // The piece's record: compressed, or stored where Compress gives nothing.
    Bytes Record(ByteView piece);

private:
    libdeflate_compressor* compressor_;
};

// PieceCompressor(level).Compress(piece), for a single piece.
Bytes CompressPiece(ByteView piece, int level = kDefaultLevel);

// Fills the buffer with the package's next bytes, exactly as many as it
// holds (throws Error when the package ends early).
using PieceSource = std::function<void(std::span<std::uint8_t>)>;
// Takes the chunk stream's bytes, in order.
using StreamSink = std::function<void(ByteView)>;

// The chunk stream of a package of packageSize bytes, read from source
// piece by piece and given to sink record by record.
void WriteChunkStream(std::uint64_t packageSize, const PieceSource& source,
                      const StreamSink& sink, const PackOptions& options);

// The whole chunk stream of a package as written: 65,536-byte pieces, each
// stored or compressed, chunkCount = number of pieces, the end record last.
Bytes EncodeChunkStream(ByteView package, const PackOptions& options = {});

// The number of pieces, and so of records, EncodeChunkStream writes for a
// package of this size. Throws Error when that does not fit the u32 count.
std::uint32_t ChunkCount(std::uint64_t packageSize);

// image | marker | settings block | chunk stream, in memory.
Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings,
                       ByteView package, const PackOptions& options = {});

// The same for a PE launcher image and a package file, written to output
// (all or nothing) as it is made, and the PE checksum set over the whole.
// Returns the package's size.
std::uint64_t WriteSetupFile(const std::filesystem::path& output, ByteView launcherImage,
                             const Settings& settings, const std::filesystem::path& package,
                             const PackOptions& options);

// Whole-file helpers used by the tool and the tests. Errors name the file.
// WriteFileBytes goes through a temporary file beside path, renamed into
// place once complete, so path is either replaced whole or left untouched.
Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, ByteView data);

}  // namespace boxlift
