// The launcher image as a PE file: its headers, sections and data
// directories, read with bounds checks (every error names the problem).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace boxlift {

struct PeSection {
    std::string name;
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
    std::size_t headerOffset = 0;  // of its 40-byte section header
};

struct PeDirectory {
    std::uint32_t address = 0;  // an RVA; a file offset for the security directory
    std::uint32_t size = 0;
};

// What a ByteReader or ByteWriter over an image, or over the structures
// inside it, says when a field lies past the end.
inline constexpr char kPeOverrun[] = "not a valid PE image: a header runs past the end of the file";

inline constexpr int kResourceDirectory = 2;
inline constexpr int kSecurityDirectory = 4;
inline constexpr int kRelocationDirectory = 5;

struct PeImage {
    std::size_t optionalHeader = 0;  // offset of the optional header
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::size_t checksumOffset = 0;
    std::size_t directoryOffset = 0;  // offset of data directory 0
    std::vector<PeDirectory> directories;
    std::vector<PeSection> sections;
    std::size_t imageEnd = 0;  // end of the headers and of every section's raw data

    // The file offset of rva, or throws Error.
    std::size_t OffsetOf(std::uint32_t rva, std::uint32_t size) const;
    const PeSection* SectionAt(std::uint32_t rva) const;
};

// Throws Error when file does not start with a 32-bit PE image.
PeImage ParsePe(ByteView file);
// The same over the first bytes of a file of fileSize bytes: they must hold
// the headers; the sections' data must lie inside the file.
PeImage ParsePe(ByteView head, std::uint64_t fileSize);

// The PE checksum of file, with the checksum field at checksumOffset taken as 0.
std::uint32_t PeChecksum(ByteView file, std::size_t checksumOffset);

// The same checksum over a file given in parts, in order.
class PeChecksummer {
public:
    explicit PeChecksummer(std::size_t checksumOffset) : checksumOffset_(checksumOffset) {}
    void Add(ByteView part);
    std::uint32_t Result() const;

private:
    void AddByte(std::uint8_t byte);
    void AddWord(std::uint64_t at, std::uint32_t word);

    std::size_t checksumOffset_;
    std::uint64_t size_ = 0;
    std::uint64_t sum_ = 0;
    std::uint8_t low_ = 0;  // the first byte of a word still open
};

}  // namespace boxlift
