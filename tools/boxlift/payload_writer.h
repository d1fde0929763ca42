// Writing the payload that the launcher reads: the marker, the settings
// block and the chunk stream, appended to a launcher image.
//
// Layout (all integers u32 little-endian):
//   launcher image | "CmSSFX2" | settings block | chunkCount | records | 0
//   stored record:     1, storedSize, data
//   compressed record: 2, inflatedSize, compressedSize, zlib stream
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace boxlift {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Every failure of the packaging tool: the message names the file or field
// and what is wrong with it.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr char kMarker[] = "CmSSFX2";
inline constexpr std::size_t kMarkerLength = 7;
inline constexpr std::size_t kPieceSize = 65536;
inline constexpr std::size_t kMaxMarkerOffset = 524280;
inline constexpr std::size_t kMaxCompressedSize = 72089;

// The settings block's fields. Which of them are written follows from the
// three flags: the welcome group when showWelcome is set (the two captions
// only with welcomeAsDialog too), the progress group when showProgress is.
struct Settings {
    std::string title;
    std::string errorText;
    bool showWelcome = false;
    bool welcomeAsDialog = false;
    std::string exitCaption;
    std::string continueCaption;
    std::string welcomeText;
    std::string requiredEngineVersion;  // the two stored bytes, see below
    std::string engineMissingText;
    std::string engineDownloadTarget;
    std::string diskSpaceText;
    bool showProgress = false;
    std::string dialogHeading;
    std::string progressText;
    std::string cancelCaption;
    std::string cancelQuestion;
};

// "MAJOR.MINOR" -> the two bytes major + 1, minor + 1. Throws Error for a
// malformed text or a number the launcher cannot compare (above 126).
std::string EncodeEngineVersion(const std::string& version);

// The settings block as written. Throws Error for a text holding a NUL or
// an engine version that is not exactly two non-zero bytes.
Bytes EncodeSettingsBlock(const Settings& settings);

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

// The zlib stream for one piece, or empty when the piece should be stored:
// compression does not make it smaller, or zlib chose a fixed-Huffman block.
Bytes CompressPiece(ByteView piece);

// The whole chunk stream of a package as written: 65,536-byte pieces, each
// stored or compressed, chunkCount = number of pieces, the end record last.
Bytes EncodeChunkStream(ByteView package);

// The number of pieces, and so of records, EncodeChunkStream writes for a
// package of this size. Throws Error when that does not fit the u32 count.
std::uint32_t ChunkCount(std::size_t packageSize);

// image | marker | settings block | chunk stream, in memory.
Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings,
                       ByteView package);

// Reads the launcher and the package, writes OUT through a temporary file
// beside it that is renamed into place only when complete.
void WritePayloadFile(const std::filesystem::path& launcher,
                      const Settings& settings,
                      const std::filesystem::path& package,
                      const std::filesystem::path& out);

// Whole-file helpers used by the tool and the tests. Errors name the file.
// WriteFileBytes goes through a temporary file beside path, renamed into
// place once complete, so path is either replaced whole or left untouched.
Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, ByteView data);

}  // namespace boxlift
