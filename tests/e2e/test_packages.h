// Packages, settings and payload files for the end-to-end tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "payload_writer.h"

namespace boxlift::e2e {

// size bytes of deterministic content: runs of English-like text (which
// compresses) between runs of random bytes (which does not), so that the
// writer produces both record types. The text holds the marker here and
// there, as real packages may.
Bytes MixedPackage(std::size_t size, std::uint32_t seed);

// size bytes of text only, well compressible.
Bytes TextBytes(std::size_t size, std::uint32_t seed);

// size random bytes, not compressible.
Bytes RandomBytes(std::size_t size, std::uint32_t seed);

// Every flag off: the shortest settings block.
Settings MinimalSettings();

// Every flag on and every text filled, with a long welcome text.
Settings FullSettings();

// launcher image | marker | settings block | chunkStream, for streams built
// piece by piece.
Bytes AssemblePayload(const Settings& settings, ByteView chunkStream);

// A zlib stream of data at the given level (for hand-built records).
Bytes ZlibStream(ByteView data, int level = 9);

struct RecordCounts {
    std::size_t stored = 0;
    std::size_t compressed = 0;
};

// Walks a chunk stream and counts its records by type.
RecordCounts CountRecords(ByteView chunkStream);

// "qz" + one lowercase hex pair (00 to fe) three times + ".msi".
bool IsTempPackageName(std::string_view name);

// Writes a test file plainly (the writer's WriteFileBytes syncs to disk,
// which hundreds of small files make slow and the tests do not need).
void WriteTestFile(const std::filesystem::path& path, ByteView data);

// The names of the entries of dir, sorted.
std::vector<std::string> ListDir(const std::filesystem::path& dir);

}  // namespace boxlift::e2e
