// What the compound-file check keeps of a file it accepted, for the reader
// of its storages and streams: the FAT (where its sectors are) and the
// MiniFAT, where the mini stream lies and the directory's entries. Every chain and tree link in it
// has been checked, so the reader follows them without checking again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/bytes.h"
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

// The FAT: the next sector of each sector, read from the FAT's sectors as
// it is asked rather than held (at 4 bytes a 512-byte sector, a 2 GiB
// package's FAT is 16 MiB). The FAT sector last read is kept, and chains
// mostly run on through it.
class CompoundFat {
public:
    CompoundFat() = default;
    // entries: how many sectors the FAT describes, within the sectors
    // fatSectors (the FAT's own, in order) hold.
    CompoundFat(ReadAtFunction read, std::uint32_t sectorSize,
                std::vector<std::uint32_t> fatSectors, std::uint64_t entries);

    std::uint64_t size() const { return entries_; }
    // The sector after sector, below size(). Throws Error when the FAT's
    // sector cannot be read whole.
    std::uint32_t operator[](std::uint32_t sector) const;

private:
    ReadAtFunction read_;
    std::uint32_t sectorSize_ = 0;
    std::vector<std::uint32_t> fatSectors_;
    std::uint64_t entries_ = 0;
    mutable std::size_t cachedIndex_ = SIZE_MAX;  // into fatSectors_
    mutable Bytes cached_;
};

struct CompoundLayout {
    RandomAccess file;
    std::uint32_t sectorSize = 0;
    CompoundFat fat;                               // the next sector of each sector
    std::vector<std::uint32_t> miniFat;            // the next mini sector of each mini sector
    std::vector<std::uint32_t> miniStreamSectors;  // the mini stream's, in order
    std::vector<CompoundRecord> entries;
};

// The layout of file, checked as CheckCompoundLayout describes.
CompoundLayout ReadCompoundLayout(const RandomAccess& file);

}  // namespace boxlift
