// The reader of a checked compound file: its directory entries, each
// storage's children in the order of its red-black tree (left subtree,
// entry, right subtree), and a stream's bytes through its chain of sectors
// in the file, or of 64-byte mini sectors in the mini stream.
#include <algorithm>
#include <string>
#include <utility>

#include "base/error.h"
#include "platform/compound_file.h"
#include "platform/compound_layout.h"

namespace boxlift {
namespace {

std::u16string NameOf(const CompoundRecord& record) {
    // The check bounds every name in the tree but the root's.
    const std::size_t units = std::min<std::size_t>(record.nameBytes, record.name.size()) / 2;
    std::u16string name;
    for (std::size_t i = 0; i + 1 < units; ++i)
        name.push_back(static_cast<char16_t>(record.name[2 * i] | record.name[2 * i + 1] << 8));
    return name;
}

// The entries of the tree below top, in order; the check has ruled out
// cycles and ids past the directory.
std::vector<std::uint32_t> InOrder(const std::vector<CompoundRecord>& entries, std::uint32_t top) {
    std::vector<std::uint32_t> order, pending;
    for (std::uint32_t id = top; id != kCompoundNoEntry || !pending.empty();) {
        for (; id != kCompoundNoEntry; id = entries[id].left) pending.push_back(id);
        id = pending.back();
        pending.pop_back();
        order.push_back(id);
        id = entries[id].right;
    }
    return order;
}

}  // namespace

CompoundFile::CompoundFile(RandomAccess file)
    : layout_(std::make_shared<const CompoundLayout>(ReadCompoundLayout(file))) {}

CompoundEntry CompoundFile::Entry(std::uint32_t id) const {
    if (id >= layout_->entries.size())
        throw Error("directory entry " + std::to_string(id) + " is past the end of the directory");
    const CompoundRecord& record = layout_->entries[id];
    if (record.type == 0) throw Error("directory entry " + std::to_string(id) + " is unused");
    CompoundEntry entry{id,
                        NameOf(record),
                        static_cast<CompoundEntryType>(record.type),
                        record.clsid,
                        record.stateBits,
                        record.created,
                        record.modified,
                        record.size,
                        {}};
    if (entry.IsStorage()) entry.children = InOrder(layout_->entries, record.child);
    return entry;
}

std::optional<CompoundEntry> CompoundFile::Child(const CompoundEntry& storage,
                                                 std::u16string_view name) const {
    for (std::uint32_t id : storage.children)
        if (NameOf(layout_->entries[id]) == name) return Entry(id);
    return std::nullopt;
}

CompoundStream CompoundFile::Open(const CompoundEntry& stream) const {
    if (stream.IsStorage())
        throw Error("directory entry " + std::to_string(stream.id) + " is a storage, not a stream");
    return CompoundStream(layout_, layout_->entries[stream.id].start, stream.size);
}

CompoundStream::CompoundStream(std::shared_ptr<const CompoundLayout> layout, std::uint32_t start,
                               std::uint64_t size)
    : layout_(std::move(layout)),
      mini_(size < kCompoundMiniStreamCutoff),
      unitSize_(mini_ ? kCompoundMiniSectorSize : layout_->sectorSize),
      size_(size),
      unit_(start) {}

std::uint64_t CompoundStream::Offset(std::uint32_t unit) const {
    const std::uint32_t sectorSize = layout_->sectorSize;
    if (!mini_) return (std::uint64_t{unit} + 1) * sectorSize;
    const std::uint64_t inMiniStream = std::uint64_t{unit} * kCompoundMiniSectorSize;
    const std::uint32_t sector = layout_->miniStreamSectors[inMiniStream / sectorSize];
    return (std::uint64_t{sector} + 1) * sectorSize + inMiniStream % sectorSize;
}

// Past length bytes of the current unit; on to the next unit of the chain
// when this one is used up and the stream goes on.
void CompoundStream::Take(std::size_t length) {
    within_ += static_cast<std::uint32_t>(length);
    position_ += length;
    if (within_ < unitSize_ || position_ == size_) return;
    unit_ = mini_ ? layout_->miniFat[unit_] : layout_->fat[unit_];
    within_ = 0;
}

std::size_t CompoundStream::Read(std::span<std::uint8_t> buffer) {
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - position_));
    for (std::size_t done = 0; done < count;) {
        // From here, the units that follow one another in the file.
        const std::uint64_t at = Offset(unit_) + within_;
        std::size_t length = 0;
        for (bool adjacent = true; adjacent && done + length < count;) {
            const std::uint32_t unit = unit_;
            const std::size_t take =
                std::min<std::size_t>(unitSize_ - within_, count - done - length);
            Take(take);
            length += take;
            adjacent = unit_ != unit && Offset(unit_) == Offset(unit) + unitSize_;
        }
        const auto piece = buffer.subspan(done, length);
        if (layout_->file.readAt(at, piece) != piece.size())
            throw Error("the file is cut short at offset " + std::to_string(at));
        done += length;
    }
    return count;
}

}  // namespace boxlift
