#include "image/image_identity.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "base/error.h"
#include "image/logo_resource.h"
#include "image/resource_tree.h"
#include "payload/launcher_image.h"
#include "platform/file_io.h"
#include "resource_ids.h"

namespace boxlift {
namespace {

constexpr std::uint16_t kIconGroupId = IDI_SETUP;
constexpr std::uint16_t kLogoId = IDR_LOGO;
constexpr std::uint16_t kVersionId = 1;
constexpr std::uint16_t kNeutralLanguage = 0;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool IsType(const Resource& r, std::uint16_t type) { return r.type == ResourceId{u"", type}; }

// An .ico file: ICONDIR, then 16-byte entries pointing at the images.
struct IconImage {
    Bytes header;  // the entry's first 12 bytes (size, colours, planes, bits, bytes)
    Bytes data;
};

std::vector<IconImage> ParseIcon(ByteView ico) {
    const ByteReader in(ico, kPeOverrun);
    if (ico.size() < 6 || in.U16(0) != 0 || in.U16(2) != 1 || in.U16(4) == 0)
        throw Error("not an icon file (.ico with at least one image)");
    std::vector<IconImage> images;
    for (std::uint16_t i = 0; i < in.U16(4); ++i) {
        std::size_t entry = 6 + 16 * i;
        std::uint32_t size = in.U32(entry + 8), offset = in.U32(entry + 12);
        if (offset > ico.size() || size > ico.size() - offset)
            throw Error("icon image " + std::to_string(i + 1) + " runs past the end of the file");
        images.push_back({Bytes(ico.begin() + entry, ico.begin() + entry + 12),
                          Bytes(ico.begin() + offset, ico.begin() + offset + size)});
    }
    return images;
}

// Drops group 105 and the icons it names, then adds the new images under
// unused ids and a group 105 that lists them.
void ReplaceIconGroup(std::vector<Resource>& resources, ByteView ico) {
    std::vector<IconImage> images = ParseIcon(ico);
    std::vector<std::uint16_t> oldIcons;
    std::uint16_t language = kNeutralLanguage;
    for (const Resource& r : resources)
        if (IsType(r, kIconGroupType) && r.name == ResourceId{u"", kIconGroupId}) {
            language = r.language;
            const ByteReader entries(r.data, kPeOverrun);
            for (std::size_t at = 6; at + 14 <= r.data.size(); at += 14)
                oldIcons.push_back(entries.U16(at + 12));
        }
    std::erase_if(resources, [&](const Resource& r) {
        return (IsType(r, kIconGroupType) && r.name == ResourceId{u"", kIconGroupId}) ||
               (IsType(r, kIconType) && std::ranges::count(oldIcons, r.name.id) > 0);
    });
    std::uint16_t nextId = 1;
    for (const Resource& r : resources)
        if (IsType(r, kIconType)) nextId = std::max<std::uint16_t>(nextId, r.name.id + 1);
    Resource group{{u"", kIconGroupType}, {u"", kIconGroupId}, language, 0, {}};
    ByteWriter out(group.data);
    out.U16(0).U16(1).U16(static_cast<std::uint16_t>(images.size()));  // GRPICONDIR
    for (IconImage& image : images) {
        std::uint16_t id = nextId++;
        out.Append(image.header).U16(id);
        resources.push_back({{u"", kIconType}, {u"", id}, language, 0, std::move(image.data)});
    }
    resources.push_back(std::move(group));
}

// Puts resource over LOGO 110, in the language of the one it replaces.
void ReplaceLogo(std::vector<Resource>& resources, Bytes resource) {
    const Resource logo{{u"LOGO", 0}, {u"", kLogoId}, kNeutralLanguage, 0, {}};
    std::uint16_t language = kNeutralLanguage;
    for (const Resource& r : resources)
        if (r.type == logo.type && r.name == logo.name) language = r.language;
    std::erase_if(resources,
                  [&](const Resource& r) { return r.type == logo.type && r.name == logo.name; });
    resources.push_back({logo.type, logo.name, language, 0, std::move(resource)});
}

// Puts section data in place of the resource section. Sections behind it
// move; only the base relocations may live there, since nothing else may
// point into a section that moves.
Bytes ReplaceResourceSection(ByteView image, const PeImage& pe, std::vector<Resource> resources) {
    const PeDirectory dir = pe.directories[kResourceDirectory];
    auto rsrc = std::ranges::find(pe.sections, dir.address, &PeSection::virtualAddress);
    if (rsrc == pe.sections.end())
        throw Error("the resource directory does not start a section of its own");
    const std::uint32_t oldEnd =
        rsrc->virtualAddress + AlignUp(rsrc->virtualSize, pe.sectionAlignment);
    for (int i = 0; i < static_cast<int>(pe.directories.size()); ++i)
        if (i != kRelocationDirectory && i != kSecurityDirectory && pe.directories[i].size != 0 &&
            pe.directories[i].address >= oldEnd)
            throw Error("data directory " + std::to_string(i) +
                        " lies behind the resource section, which would move it");
    if (ByteReader(image, kPeOverrun).U32(pe.optionalHeader + 16) >= oldEnd)
        throw Error("the entry point lies behind the resource section");

    const Bytes data = BuildResourceSection(std::move(resources), rsrc->virtualAddress);
    const std::uint32_t size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t rawSize = AlignUp(size, pe.fileAlignment);
    const std::int64_t rawShift = static_cast<std::int64_t>(rawSize) - rsrc->rawSize;
    const std::int64_t vaShift = static_cast<std::int64_t>(AlignUp(size, pe.sectionAlignment)) -
                                 AlignUp(rsrc->virtualSize, pe.sectionAlignment);

    Bytes bytes(image.begin(), image.begin() + rsrc->rawOffset);
    ByteWriter out(bytes, kPeOverrun);
    out.Append(data);
    bytes.resize(bytes.size() + (rawSize - size), 0);
    out.Append(image.subspan(rsrc->rawOffset + rsrc->rawSize));
    out.PutU32(rsrc->headerOffset + 8, size);
    out.PutU32(rsrc->headerOffset + 16, rawSize);
    std::uint32_t imageSize = 0;
    for (const PeSection& s : pe.sections) {
        std::uint32_t va = s.virtualAddress, vsize = s.virtualSize;
        if (s.virtualAddress > rsrc->virtualAddress) {
            if (s.rawOffset < rsrc->rawOffset + rsrc->rawSize)
                throw Error("section " + s.name +
                            " follows the resources in memory but not in the file");
            va = static_cast<std::uint32_t>(va + vaShift);
            out.PutU32(s.headerOffset + 12, va);
            out.PutU32(s.headerOffset + 20, static_cast<std::uint32_t>(s.rawOffset + rawShift));
        } else if (s.virtualAddress == rsrc->virtualAddress) {
            vsize = size;
        }
        imageSize = std::max(imageSize, va + AlignUp(vsize, pe.sectionAlignment));
    }
    out.PutU32(pe.directoryOffset + 8 * kResourceDirectory + 4, size);
    if (pe.directories[kRelocationDirectory].address >= oldEnd)
        out.PutU32(
            pe.directoryOffset + 8 * kRelocationDirectory,
            static_cast<std::uint32_t>(pe.directories[kRelocationDirectory].address + vaShift));
    out.PutU32(pe.optionalHeader + 56, imageSize);  // SizeOfImage
    std::uint32_t initialized = ByteReader(bytes, kPeOverrun).U32(pe.optionalHeader + 8);
    out.PutU32(pe.optionalHeader + 8, static_cast<std::uint32_t>(initialized + rawShift));
    return bytes;
}

}  // namespace

Bytes ApplyIdentity(ByteView image, const VersionInfo& version, const ProductArt& art) {
    const std::filesystem::path& icon = art.icon;
    const PeImage pe = ParsePe(image);
    std::vector<Resource> resources = ReadResources(image, pe);
    std::erase_if(resources, [](const Resource& r) { return IsType(r, kVersionType); });
    resources.push_back(
        {{u"", kVersionType}, {u"", kVersionId}, kNeutralLanguage, 0, BuildVersionInfo(version)});
    if (!icon.empty()) {
        const Bytes ico = ReadFileBytes(icon);
        AboutFile(icon, [&] { ReplaceIconGroup(resources, ico); });
    }
    if (!art.logo.empty()) {
        const Bytes picture = ReadFileBytes(art.logo);
        ReplaceLogo(resources, AboutFile(art.logo, [&] { return MakeLogoResource(picture); }));
    }
    Bytes out = ReplaceResourceSection(image, pe, std::move(resources));
    // An image that was fit before and is not now (the marker inside, or
    // too large a file) was made so by the icon or the logo, when there is one.
    try {
        CheckLauncherImage(out);
    } catch (Error& e) {
        if (!icon.empty())
            e.SetFileIfUnset(icon.string()).SetSubjectIfUnset("the launcher with this icon");
        if (!art.logo.empty())
            e.SetFileIfUnset(art.logo.string()).SetSubjectIfUnset("the launcher with this logo");
        throw;
    }
    return out;
}

}  // namespace boxlift
