#include "image/pe_image.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/error.h"

namespace boxlift {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::size_t kSectionHeaderSize = 40;

}  // namespace

PeImage ParsePe(ByteView bytes) { return ParsePe(bytes, bytes.size()); }

PeImage ParsePe(ByteView bytes, std::uint64_t fileSize) {
    const ByteReader file(bytes, kPeOverrun);
    if (file.U16(0) != 0x5A4D) throw Error("not a PE image: no MZ header");
    std::size_t pe = file.U32(0x3C);
    if (file.U32(pe) != 0x4550) throw Error("not a PE image: no PE signature");
    const std::size_t coff = pe + 4;
    PeImage image;
    image.optionalHeader = coff + 20;
    if (file.U16(image.optionalHeader) != kPe32Magic)
        throw Error("not a 32-bit PE image (PE32 optional header expected)");
    image.sectionAlignment = file.U32(image.optionalHeader + 32);
    image.fileAlignment = file.U32(image.optionalHeader + 36);
    image.checksumOffset = image.optionalHeader + 64;
    image.directoryOffset = image.optionalHeader + 96;
    std::uint32_t directories = std::min<std::uint32_t>(file.U32(image.optionalHeader + 92), 16);
    for (std::uint32_t i = 0; i < directories; ++i)
        image.directories.push_back(
            {file.U32(image.directoryOffset + 8 * i), file.U32(image.directoryOffset + 8 * i + 4)});
    image.directories.resize(16);
    std::size_t sectionTable = image.optionalHeader + file.U16(coff + 16);
    std::uint16_t count = file.U16(coff + 2);
    image.imageEnd = file.U32(image.optionalHeader + 60);  // SizeOfHeaders
    for (std::uint16_t i = 0; i < count; ++i) {
        std::size_t at = sectionTable + i * kSectionHeaderSize;
        file.Need(at, kSectionHeaderSize);
        PeSection s;
        s.name.assign(reinterpret_cast<const char*>(bytes.data() + at), 8);
        s.name.resize(s.name.find('\0') == std::string::npos ? 8 : s.name.find('\0'));
        s.virtualSize = file.U32(at + 8);
        s.virtualAddress = file.U32(at + 12);
        s.rawSize = file.U32(at + 16);
        s.rawOffset = file.U32(at + 20);
        s.headerOffset = at;
        if (std::uint64_t{s.rawOffset} + s.rawSize > fileSize)
            throw Error(std::string(kPeOverrun) + " (offset " + std::to_string(s.rawOffset) + ")");
        image.imageEnd = std::max<std::size_t>(image.imageEnd, s.rawOffset + s.rawSize);
        image.sections.push_back(s);
    }
    return image;
}

const PeSection* PeImage::SectionAt(std::uint32_t rva) const {
    for (const PeSection& s : sections)
        if (rva >= s.virtualAddress && rva - s.virtualAddress < std::max(s.virtualSize, s.rawSize))
            return &s;
    return nullptr;
}

std::size_t PeImage::OffsetOf(std::uint32_t rva, std::uint32_t size) const {
    const PeSection* s = SectionAt(rva);
    if (!s || size > s->rawSize || rva - s->virtualAddress > s->rawSize - size)
        throw Error("not a valid PE image: RVA " + std::to_string(rva) + " (+" +
                    std::to_string(size) + ") lies outside the sections' file data");
    return s->rawOffset + (rva - s->virtualAddress);
}

// The checksum the Windows image loader checks for drivers: a 16-bit
// one's-complement sum of the file's words, plus the file length.
void PeChecksummer::AddWord(std::uint64_t at, std::uint32_t word) {
    if (at == checksumOffset_ || at == checksumOffset_ + 2) return;
    sum_ += word;
    sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
}

void PeChecksummer::AddByte(std::uint8_t byte) {
    if (size_ % 2 == 0)
        low_ = byte;
    else
        AddWord(size_ - 1, low_ | std::uint32_t{byte} << 8);
    ++size_;
}

void PeChecksummer::Add(ByteView part) {
    // Byte by byte to a word boundary past the checksum field; from there
    // whole words, summed unfolded and folded once (the same sum), so that
    // the chunk stream costs the writing thread little.
    std::size_t i = 0;
    for (; i < part.size() && (size_ % 2 != 0 || size_ < checksumOffset_ + 4); ++i)
        AddByte(part[i]);
    const std::size_t words = (part.size() - i) / 2;
    for (std::size_t w = 0; w < words; ++w, i += 2)
        sum_ += part[i] | std::uint32_t{part[i + 1]} << 8;
    size_ += 2 * words;
    while (sum_ >> 16) sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
    for (; i < part.size(); ++i) AddByte(part[i]);
}

std::uint32_t PeChecksummer::Result() const {
    PeChecksummer copy = *this;
    if (size_ % 2 != 0) copy.AddWord(size_ - 1, low_);
    std::uint64_t sum = (copy.sum_ & 0xFFFF) + (copy.sum_ >> 16);
    return static_cast<std::uint32_t>(sum + size_);
}

std::uint32_t PeChecksum(ByteView file, std::size_t checksumOffset) {
    PeChecksummer sum(checksumOffset);
    sum.Add(file);
    return sum.Result();
}

}  // namespace boxlift
