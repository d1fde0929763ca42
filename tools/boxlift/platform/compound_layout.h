// What the compound-file check keeps of a file it accepted, for the reader
// of its storages and streams: the FAT and MiniFAT, where the mini stream
// lies and the directory's entries. Every chain and tree link in it has
// been checked, so the reader follows them without checking again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/random_access.h"

namespace boxlift {

inline constexpr std::uint32_t kCompoundMiniSectorSize = 64;
inline constexpr std::uint32_t kCompoundMiniStreamCutoff = 4096;
inline constexpr std::uint32_t kCompoundNoEntry = 0xFFFFFFFF;

// One directory entry's fields.
struct CompoundRecord {
    std::array<std::uint8_t, 64> name;  // UTF-16LE
    std::uint16_t nameBytes;            // with the terminating zero
    std::uint8_t type;
    std::uint32_t left, right, child, start;
    std::array<std::uint8_t, 16> clsid;
    std::uint32_t stateBits;
    std::uint64_t created, modified;
    std::uint64_t size;
};

struct CompoundLayout {
    RandomAccess file;
    std::uint32_t sectorSize = 0;
    std::vector<std::uint32_t> fat;                // the next sector of each sector
    std::vector<std::uint32_t> miniFat;            // the next mini sector of each mini sector
    std::vector<std::uint32_t> miniStreamSectors;  // the mini stream's, in order
    std::vector<CompoundRecord> entries;
};

// The layout of file, checked as CheckCompoundLayout describes.
CompoundLayout ReadCompoundLayout(const RandomAccess& file);

}  // namespace boxlift
