#include "image/resource_tree.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "base/error.h"
#include <map>

namespace boxlift {
namespace {

constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint32_t kNamed = 0x80000000;

// Reads the three levels (type, name, language) below the section start.
class TreeReader {
public:
    TreeReader(ByteView file, const PeImage& image, PeDirectory directory)
        : file_(file),
          in_(file, kPeOverrun),
          image_(image),
          rva_(directory.address),
          start_(image.OffsetOf(directory.address, directory.size)),
          size_(directory.size) {}

    void Directory(std::uint32_t offset, int level, Resource path, std::vector<Resource>& out);

private:
    std::size_t At(std::uint32_t offset, std::size_t size) const {
        if (offset > size_ || size > size_ - offset)
            throw Error("an entry points outside the resource section").About("resource tree");
        return start_ + offset;
    }
    ResourceId Id(std::uint32_t field) const;
    Resource Data(std::uint32_t offset, Resource path) const;

    ByteView file_;
    ByteReader in_;
    const PeImage& image_;
    std::uint32_t rva_;
    std::size_t start_;
    std::uint32_t size_;
};

ResourceId TreeReader::Id(std::uint32_t field) const {
    if (!(field & kNamed)) return {u"", static_cast<std::uint16_t>(field)};
    std::size_t at = At(field & ~kNamed, 2);
    std::uint16_t length = in_.U16(at);
    At((field & ~kNamed) + 2, 2u * length);
    ResourceId id;
    for (std::uint16_t i = 0; i < length; ++i)
        id.name += static_cast<char16_t>(in_.U16(at + 2 + 2 * i));
    return id;
}

Resource TreeReader::Data(std::uint32_t offset, Resource path) const {
    std::size_t at = At(offset, 16);
    std::uint32_t rva = in_.U32(at), size = in_.U32(at + 4);
    std::size_t data = image_.OffsetOf(rva, size);
    path.codepage = in_.U32(at + 8);
    path.data.assign(file_.begin() + data, file_.begin() + data + size);
    return path;
}

void TreeReader::Directory(std::uint32_t offset, int level, Resource path,
                           std::vector<Resource>& out) {
    std::size_t at = At(offset, 16);
    std::uint32_t entries = in_.U16(at + 12) + in_.U16(at + 14);
    At(offset + 16, 8 * entries);
    for (std::uint32_t i = 0; i < entries; ++i) {
        std::uint32_t idField = in_.U32(at + 16 + 8 * i);
        std::uint32_t target = in_.U32(at + 20 + 8 * i);
        ResourceId id = Id(idField);
        if (level == 0) path.type = id;
        if (level == 1) path.name = id;
        if (level == 2) path.language = id.id;
        bool subdirectory = (target & kSubdirectory) != 0;
        if (subdirectory != (level < 2))
            throw Error("not the three levels type, name, language").About("resource tree");
        if (subdirectory)
            Directory(target & ~kSubdirectory, level + 1, path, out);
        else
            out.push_back(Data(target, path));
    }
}

// PE order: named entries first, by name, then numbered ones, by number.
bool IdBefore(const ResourceId& a, const ResourceId& b) {
    if (a.name.empty() != b.name.empty()) return !a.name.empty();
    return a.name.empty() ? a.id < b.id : a.name < b.name;
}

// One directory level: its entries' ids, in PE order, and what each holds.
using Languages = std::map<std::uint16_t, const Resource*>;
using Names = std::vector<std::pair<ResourceId, Languages>>;
using Types = std::vector<std::pair<ResourceId, Names>>;

template <typename Level>
auto& Slot(Level& level, const ResourceId& id) {
    auto found = std::ranges::find(level, id, &Level::value_type::first);
    if (found != level.end()) return found->second;
    level.push_back({id, {}});
    return level.back().second;
}

template <typename Level>
void SortLevel(Level& level) {
    std::ranges::sort(level, IdBefore, &Level::value_type::first);
}

}  // namespace

std::vector<Resource> ReadResources(ByteView file, const PeImage& image) {
    std::vector<Resource> out;
    PeDirectory directory = image.directories[kResourceDirectory];
    if (directory.address == 0 || directory.size == 0) return out;
    TreeReader(file, image, directory).Directory(0, 0, {}, out);
    return out;
}

Bytes BuildResourceSection(std::vector<Resource> resources, std::uint32_t sectionRva) {
    Types types;
    for (const Resource& r : resources) {
        Languages& languages = Slot(Slot(types, r.type), r.name);
        if (!languages.emplace(r.language, &r).second)
            throw Error("a resource is given twice").About("resource tree");
    }
    SortLevel(types);
    for (auto& [type, names] : types) SortLevel(names);

    // Offsets: the root, the type directories, the name directories, then
    // the data entries, the name strings and the data.
    std::uint32_t dirEnd = 16 + 8 * static_cast<std::uint32_t>(types.size());
    for (auto& [type, names] : types) {
        dirEnd += 16 + 8 * static_cast<std::uint32_t>(names.size());
        for (auto& [name, languages] : names)
            dirEnd += 16 + 8 * static_cast<std::uint32_t>(languages.size());
    }
    std::uint32_t dataEntries = dirEnd;
    std::uint32_t strings = dataEntries + 16 * static_cast<std::uint32_t>(resources.size());
    Bytes stringBytes;
    ByteWriter stringOut(stringBytes);
    std::map<std::u16string, std::uint32_t> stringAt;
    auto idField = [&](const ResourceId& id) -> std::uint32_t {
        if (id.name.empty()) return id.id;
        auto [it, fresh] =
            stringAt.emplace(id.name, strings + static_cast<std::uint32_t>(stringBytes.size()));
        if (fresh) {
            stringOut.U16(static_cast<std::uint16_t>(id.name.size()));
            for (char16_t c : id.name) stringOut.U16(c);
        }
        return kNamed | it->second;
    };

    Bytes dirs, entries, data;
    ByteWriter dirOut(dirs), entryOut(entries), dataOut(data);
    std::uint32_t nextDir = 16 + 8 * static_cast<std::uint32_t>(types.size());
    auto header = [](ByteWriter& out, const auto& level) {
        std::uint16_t named = static_cast<std::uint16_t>(
            std::ranges::count_if(level, [](const auto& e) { return !e.first.name.empty(); }));
        out.U32(0);         // characteristics
        out.U32(0);         // time stamp: 0, for reproducible output
        out.U16(4).U16(0);  // version 4.0, as resource compilers write
        out.U16(named).U16(static_cast<std::uint16_t>(level.size() - named));
    };
    // Breadth first: the root, then each type's directory, then each name's.
    header(dirOut, types);
    for (auto& [type, names] : types) {
        dirOut.U32(idField(type)).U32(kSubdirectory | nextDir);
        nextDir += 16 + 8 * static_cast<std::uint32_t>(names.size());
    }
    for (auto& [type, names] : types) {
        header(dirOut, names);
        for (auto& [name, languages] : names) {
            dirOut.U32(idField(name)).U32(kSubdirectory | nextDir);
            nextDir += 16 + 8 * static_cast<std::uint32_t>(languages.size());
        }
    }
    std::vector<const Resource*> order;
    for (auto& [type, names] : types)
        for (auto& [name, languages] : names) {
            std::vector<std::pair<ResourceId, int>> langIds;
            for (auto& [language, r] : languages) langIds.push_back({ResourceId{u"", language}, 0});
            header(dirOut, langIds);
            for (auto& [language, r] : languages) {
                dirOut.U32(language).U32(dataEntries +
                                         16 * static_cast<std::uint32_t>(order.size()));
                order.push_back(r);
            }
        }
    stringOut.Align(8);
    std::uint32_t dataStart = strings + static_cast<std::uint32_t>(stringBytes.size());
    for (const Resource* r : order) {
        entryOut.U32(sectionRva + dataStart + static_cast<std::uint32_t>(data.size()))
            .U32(static_cast<std::uint32_t>(r->data.size()))
            .U32(r->codepage)
            .U32(0);
        dataOut.Append(r->data).Align(8);
    }
    Bytes section = std::move(dirs);
    ByteWriter(section).Append(entries).Append(stringBytes).Append(data);
    return section;
}

}  // namespace boxlift
