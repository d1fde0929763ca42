#include "base/byte_reader.h"

#include <string>

#include "base/error.h"

namespace boxlift {

void ByteReader::Need(std::size_t offset, std::size_t count) const {
    // Subtracted, not added: offset + count may wrap around.
    if (offset > bytes_.size() || count > bytes_.size() - offset)
        throw Error(std::string(overrun_) + " (offset " + std::to_string(offset) + ")");
}

std::uint16_t ByteReader::U16(std::size_t offset) const {
    Need(offset, 2);
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

// In halves, so that an overrun names the half that lies past the end.
std::uint32_t ByteReader::U32(std::size_t offset) const {
    return U16(offset) | static_cast<std::uint32_t>(U16(offset + 2)) << 16;
}

}  // namespace boxlift
