// The compound-file check. Sector n lies at (n + 1) * the sector size (the
// header takes the first sector); a chain is followed through the FAT (or,
// for a stream smaller than the cutoff, through the MiniFAT in the mini
// stream). Every sector a structure or a chain uses is claimed once, so that
// a cycle or two chains sharing a sector show, and the work stays linear in
// the file's size. What the check reads it keeps for the reader
// (platform/compound_reader.cpp).
#include "platform/compound_file.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/bytes.h"
#include "base/error.h"
#include "platform/compound_layout.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kMaxNameBytes = 64;
constexpr std::uint64_t kToChainEnd = std::numeric_limits<std::uint64_t>::max();
constexpr std::array<std::uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

enum EntryType : std::uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };

std::string N(std::uint64_t value) { return std::to_string(value); }

[[noreturn]] void Fail(const std::string& problem) { throw Error(problem); }

// What the header says, checked as far as the header alone allows.
struct Header {
    std::uint16_t version = 0;
    std::uint32_t sectorSize = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t directoryStart = 0;
    std::uint32_t miniFatStart = 0;
    std::uint32_t miniFatSectors = 0;
    std::uint32_t difatStart = 0;
    std::uint32_t difatSectors = 0;
    std::array<std::uint32_t, kHeaderDifatEntries> difat{};
};

void Expect(std::uint32_t value, std::uint32_t expected, const std::string& field) {
    if (value != expected)
        Fail("the header's " + field + " is " + N(value) + ", expected " + N(expected));
}

Header ParseHeader(ByteView bytes) {
    if (!std::equal(kSignature.begin(), kSignature.end(), bytes.begin()))
        Fail("no compound-file signature in its first 8 bytes");
    ByteReader in(bytes);
    Header h;
    if (in.U16(28) != 0xFFFE) Fail("the header's byte order mark is not FE FF (little-endian)");
    h.version = in.U16(26);
    if (h.version != 3 && h.version != 4)
        Fail("the compound file's version is " + N(h.version) + ", expected 3 or 4");
    Expect(in.U16(30), h.version == 3 ? 9 : 12, "sector shift");
    h.sectorSize = 1u << in.U16(30);
    Expect(in.U16(32), 6, "mini sector shift");
    Expect(in.U32(56), kCompoundMiniStreamCutoff, "mini stream cutoff");
    h.fatSectors = in.U32(44);
    h.directoryStart = in.U32(48);
    h.miniFatStart = in.U32(60);
    h.miniFatSectors = in.U32(64);
    h.difatStart = in.U32(68);
    h.difatSectors = in.U32(72);
    for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) h.difat[i] = in.U32(76 + 4 * i);
    return h;
}

std::uint64_t U64(const ByteReader& in, std::size_t offset) {
    return in.U32(offset) | std::uint64_t{in.U32(offset + 4)} << 32;
}

CompoundRecord ParseEntry(ByteView bytes, std::uint16_t version) {
    ByteReader in(bytes);
    CompoundRecord e{};
    std::copy_n(bytes.begin(), e.name.size(), e.name.begin());
    e.nameBytes = in.U16(64);
    e.type = bytes[66];
    e.left = in.U32(68);
    e.right = in.U32(72);
    e.child = in.U32(76);
    std::copy_n(bytes.begin() + 80, e.clsid.size(), e.clsid.begin());
    e.stateBits = in.U32(96);
    e.created = U64(in, 100);
    e.modified = U64(in, 108);
    e.start = in.U32(116);
    e.size = U64(in, 120);
    // Version 3 writers may leave the high half of the size unset.
    if (version == 3) e.size &= 0xFFFFFFFF;
    return e;
}

// The next sector of each sector a chain may use (a CompoundFat, or the
// MiniFAT's entries), and which are taken.
template <typename Next>
struct SectorTable {
    const char* space;  // what a sector past next's end is past
    Next next;
    std::vector<bool> claimed;
};

// Follows the chain from start: length sectors, or to its end of chain
// when length is kToChainEnd, claiming each in table. Their ids go to
// sectors when given: a stream's chain is only checked, since the ids of a
// large one would take as much memory as the FAT again.
template <typename Next>
void FollowChain(SectorTable<Next>& table, std::uint32_t start, std::uint64_t length,
                 const std::string& what, std::vector<std::uint32_t>* sectors) {
    const std::uint64_t usable = table.next.size();
    if (length != kToChainEnd && length > usable)
        Fail(what + " runs past the end of " + table.space + " (" + N(length) +
             " sectors where there are " + N(usable) + ")");
    std::uint64_t count = 0;
    for (std::uint32_t sector = start; count < length; sector = table.next[sector], ++count) {
        if (sector == kEndOfChain && length == kToChainEnd) break;
        if (sector == kEndOfChain)
            Fail(what + " ends after " + N(count) + " of its " + N(length) + " sectors");
        if (sector > kMaxRegularSector) Fail(what + " runs into a free or reserved sector id");
        if (sector >= usable)
            Fail(what + " runs past the end of " + table.space + " (sector " + N(sector) + ")");
        if (table.claimed[sector])
            Fail(what + " runs into sector " + N(sector) + " a second time (a cycle or a sector " +
                 "of another chain)");
        table.claimed[sector] = true;
        if (sectors) sectors->push_back(sector);
    }
}

// The sectors of the chain from start, as FollowChain checks them.
template <typename Next>
std::vector<std::uint32_t> Walk(SectorTable<Next>& table, std::uint32_t start, std::uint64_t length,
                                const std::string& what) {
    std::vector<std::uint32_t> sectors;
    FollowChain(table, start, length, what, &sectors);
    return sectors;
}

std::uint64_t SectorsFor(std::uint64_t bytes, std::uint32_t sectorSize) {
    return bytes / sectorSize + (bytes % sectorSize != 0);
}

class LayoutCheck {
public:
    LayoutCheck(std::uint64_t fileSize, const ReadAtFunction& read)
        : fileSize_(fileSize), read_(read) {}

    void Run() {
        ReadHeader();
        ReadFat(FatSectorIds());
        ReadDirectory();
        ReadMiniStream();
        CheckEntries();
        CheckTree();
    }

    // What Run read, for the reader; the check's own state goes.
    CompoundLayout TakeLayout(const RandomAccess& file) {
        return {file,
                header_.sectorSize,
                std::move(fat_.next),
                std::move(mini_.next),
                std::move(miniStreamSectors_),
                std::move(entries_)};
    }

private:
    void ReadHeader() {
        if (fileSize_ < kHeaderSize)
            Fail("the file is " + N(fileSize_) + " bytes, too short for a compound-file header");
        Bytes bytes(kHeaderSize);
        ReadExactly(0, bytes);
        header_ = ParseHeader(bytes);
        perSector_ = header_.sectorSize / 4;
        // Whole sectors after the header's; a cut last sector is no sector.
        const std::uint64_t sectors = fileSize_ / header_.sectorSize;
        sectorCount_ = std::min<std::uint64_t>(sectors ? sectors - 1 : 0, kMaxRegularSector + 1ull);
        fat_.space = "the file";
        fat_.claimed.assign(sectorCount_, false);
    }

    void ReadExactly(std::uint64_t offset, std::span<std::uint8_t> buffer) {
        if (read_(offset, buffer) != buffer.size())
            Fail("the file is cut short at offset " + N(offset));
    }

    Bytes Sector(std::uint32_t sector) {
        Bytes bytes(header_.sectorSize);
        ReadExactly((std::uint64_t{sector} + 1) * header_.sectorSize, bytes);
        return bytes;
    }

    // Takes a sector for a structure outside the chains (a FAT or DIFAT sector).
    void Claim(std::uint32_t sector, const std::string& what) {
        if (sector >= sectorCount_)
            Fail(what + " is sector " + N(sector) + ", past the end of the file (" +
                 N(sectorCount_) + " sectors)");
        if (fat_.claimed[sector]) Fail(what + " is sector " + N(sector) + ", taken twice");
        fat_.claimed[sector] = true;
    }

    // Where the FAT's sectors are: the header's DIFAT, then the DIFAT
    // sectors' chain, each sector's last entry naming the next.
    std::vector<std::uint32_t> FatSectorIds() {
        const std::uint32_t fatSectors = header_.fatSectors;
        if (fatSectors == 0) Fail("the header counts no FAT sectors");
        if (fatSectors > sectorCount_ || header_.difatSectors > sectorCount_)
            Fail("the header counts " + N(fatSectors) + " FAT and " + N(header_.difatSectors) +
                 " DIFAT sectors, more than the file's " + N(sectorCount_) + " sectors");
        const std::uint64_t perDifat = perSector_ - 1;
        if (kHeaderDifatEntries + header_.difatSectors * perDifat < fatSectors)
            Fail("the header's " + N(header_.difatSectors) + " DIFAT sectors cannot list its " +
                 N(fatSectors) + " FAT sectors");
        std::vector<std::uint32_t> ids(
            header_.difat.begin(),
            header_.difat.begin() + std::min<std::size_t>(fatSectors, kHeaderDifatEntries));
        std::uint32_t difat = header_.difatStart;
        for (std::uint32_t n = 0; ids.size() < fatSectors; ++n) {
            Claim(difat, "DIFAT sector " + N(n));
            const Bytes bytes = Sector(difat);
            ByteReader in(bytes);
            for (std::size_t i = 0; i < perDifat && ids.size() < fatSectors; ++i)
                ids.push_back(in.U32(4 * i));
            difat = in.U32(4 * perDifat);
        }
        return ids;
    }

    // The FAT, as far as the file has sectors for its entries; its
    // sectors, claimed here, lie within the file, and are read as the
    // chains are followed.
    void ReadFat(std::vector<std::uint32_t> ids) {
        for (std::size_t i = 0; i < ids.size(); ++i) Claim(ids[i], "FAT sector " + N(i));
        const std::uint64_t entries =
            std::min(std::uint64_t{ids.size()} * perSector_, sectorCount_);
        fat_.next = CompoundFat(read_, header_.sectorSize, std::move(ids), entries);
    }

    static void AppendIds(std::vector<std::uint32_t>& next, ByteView bytes, std::uint64_t entries) {
        ByteReader in(bytes);
        for (std::size_t at = 0; at < bytes.size() && next.size() < entries; at += 4)
            next.push_back(in.U32(at));
    }

    void ReadDirectory() {
        if (header_.directoryStart == kEndOfChain) Fail("the directory chain is empty");
        for (std::uint32_t sector :
             Walk(fat_, header_.directoryStart, kToChainEnd, "the directory chain")) {
            const Bytes bytes = Sector(sector);
            for (std::size_t at = 0; at < bytes.size(); at += kEntrySize)
                entries_.push_back(
                    ParseEntry(ByteView(bytes).subspan(at, kEntrySize), header_.version));
        }
        if (entries_[0].type != kRoot) Fail("the first directory entry is not the root storage");
    }

    // The mini stream (the root entry's stream) and the MiniFAT that
    // chains the mini sectors in it.
    void ReadMiniStream() {
        const CompoundRecord& root = entries_[0];
        miniStreamSectors_ =
            Walk(fat_, root.start, SectorsFor(root.size, header_.sectorSize), "the mini stream");
        const std::uint64_t miniSectors = SectorsFor(root.size, kCompoundMiniSectorSize);
        mini_.space = "the mini stream";
        mini_.claimed.assign(miniSectors, false);
        if (header_.miniFatSectors == 0) return;
        const std::uint64_t entries =
            std::min(std::uint64_t{header_.miniFatSectors} * perSector_, miniSectors);
        for (std::uint32_t sector :
             Walk(fat_, header_.miniFatStart, header_.miniFatSectors, "the MiniFAT chain"))
            if (mini_.next.size() < entries) AppendIds(mini_.next, Sector(sector), entries);
    }

    // Every entry in use, reached from the root or not (a reader may list
    // the directory as an array): a known type, a sound name and, for a
    // stream, a chain as long as its size.
    void CheckEntries() {
        for (std::uint32_t id = 1; id < entries_.size(); ++id) {
            const CompoundRecord& entry = entries_[id];
            if (entry.type != kUnused) CheckEntry(id, entry);
        }
    }

    // The tree from the root: each entry reached once, none unused.
    void CheckTree() {
        std::vector<bool> reached(entries_.size(), false);
        reached[0] = true;
        std::vector<std::uint32_t> pending;
        Follow(entries_[0].child, 0, "child", reached, pending);
        while (!pending.empty()) {
            const std::uint32_t id = pending.back();
            pending.pop_back();
            const CompoundRecord& entry = entries_[id];
            if (entry.type == kUnused)
                Fail("directory entry " + N(id) + " is in the tree but unused");
            Follow(entry.left, id, "left sibling", reached, pending);
            Follow(entry.right, id, "right sibling", reached, pending);
            if (entry.type == kStorage) Follow(entry.child, id, "child", reached, pending);
        }
    }

    void Follow(std::uint32_t id, std::uint32_t from, const char* link, std::vector<bool>& reached,
                std::vector<std::uint32_t>& pending) {
        if (id == kCompoundNoEntry) return;
        const std::string where = "directory entry " + N(from) + "'s " + link + " ";
        if (id >= entries_.size())
            Fail(where + N(id) + " is past the end of the directory (" + N(entries_.size()) +
                 " entries)");
        if (reached[id])
            Fail(where + N(id) + " is reached a second time: the directory tree has a cycle");
        reached[id] = true;
        pending.push_back(id);
    }

    void CheckEntry(std::uint32_t id, const CompoundRecord& entry) {
        const std::string what = "directory entry " + N(id);
        if (entry.type != kStorage && entry.type != kStream)
            Fail(what + " has type " + N(entry.type) + " where a storage or stream belongs");
        if (entry.nameBytes < 2 || entry.nameBytes > kMaxNameBytes || entry.nameBytes % 2 != 0)
            Fail(what + " has a name of " + N(entry.nameBytes) + " bytes (2 to 64, even)");
        if (entry.type != kStream || entry.size == 0) return;
        const std::string chain = "the chain of " + what + " (" + N(entry.size) + " bytes)";
        if (entry.size < kCompoundMiniStreamCutoff)
            FollowChain(mini_, entry.start, SectorsFor(entry.size, kCompoundMiniSectorSize), chain,
                        nullptr);
        else
            FollowChain(fat_, entry.start, SectorsFor(entry.size, header_.sectorSize), chain,
                        nullptr);
    }

    std::uint64_t fileSize_;
    const ReadAtFunction& read_;
    Header header_;
    std::uint32_t perSector_ = 0;  // sector ids in one sector
    std::uint64_t sectorCount_ = 0;
    SectorTable<CompoundFat> fat_;
    SectorTable<std::vector<std::uint32_t>> mini_;
    std::vector<std::uint32_t> miniStreamSectors_;
    std::vector<CompoundRecord> entries_;
};

}  // namespace

CompoundFat::CompoundFat(ReadAtFunction read, std::uint32_t sectorSize,
                         std::vector<std::uint32_t> fatSectors, std::uint64_t entries)
    : read_(std::move(read)),
      sectorSize_(sectorSize),
      fatSectors_(std::move(fatSectors)),
      entries_(entries) {}

std::uint32_t CompoundFat::operator[](std::uint32_t sector) const {
    const std::size_t perSector = sectorSize_ / 4, index = sector / perSector;
    if (index != cachedIndex_) {
        cached_.resize(sectorSize_);
        const std::uint64_t offset = (std::uint64_t{fatSectors_.at(index)} + 1) * sectorSize_;
        if (read_(offset, cached_) != cached_.size()) {
            cachedIndex_ = SIZE_MAX;
            Fail("the file is cut short at offset " + N(offset));
        }
        cachedIndex_ = index;
    }
    return ByteReader(cached_).U32(4 * (sector % perSector));
}

void CheckCompoundLayout(std::uint64_t fileSize, const ReadAtFunction& read) {
    LayoutCheck(fileSize, read).Run();
}

CompoundLayout ReadCompoundLayout(const RandomAccess& file) {
    LayoutCheck check(file.size, file.readAt);
    check.Run();
    return check.TakeLayout(file);
}

void CheckCompoundFile(const std::filesystem::path& path) {
    InputFile file(path);
    try {
        const RandomAccess access = file.Access();
        CheckCompoundLayout(access.size, access.readAt);
    } catch (const Error& e) {
        if (!e.file().empty()) throw;  // the system's reason for a failed read
        throw Error("not a Windows Installer package: " + e.problem()).InFile(path.string());
    }
}

}  // namespace boxlift
