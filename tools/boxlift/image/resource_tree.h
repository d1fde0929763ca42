// The PE resource section as a flat list of resources, read from any tree
// an image holds and written back as a new section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/pe_image.h"

namespace boxlift {

// A resource type or name: a string when name is set, otherwise the number id.
struct ResourceId {
    std::u16string name;
    std::uint16_t id = 0;
    bool operator==(const ResourceId&) const = default;
};

inline constexpr std::uint16_t kIconType = 3;
inline constexpr std::uint16_t kIconGroupType = 14;
inline constexpr std::uint16_t kVersionType = 16;

struct Resource {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;
    std::uint32_t codepage = 0;
    Bytes data;
};

// Every resource of the image; throws Error for a malformed tree.
std::vector<Resource> ReadResources(ByteView file, const PeImage& image);

// The section data of a resource tree holding resources, to be placed at
// sectionRva: directories, entries, names, data entries, then the data.
Bytes BuildResourceSection(std::vector<Resource> resources, std::uint32_t sectionRva);

}  // namespace boxlift
