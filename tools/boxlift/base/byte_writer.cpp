#include "base/byte_writer.h"

#include "base/byte_reader.h"

namespace boxlift {

ByteWriter& ByteWriter::U8(std::uint8_t value) {
    out_.push_back(value);
    return *this;
}

ByteWriter& ByteWriter::U16(std::uint16_t value) {
    out_.push_back(static_cast<std::uint8_t>(value));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
    return *this;
}

ByteWriter& ByteWriter::U32(std::uint32_t value) {
    return U16(static_cast<std::uint16_t>(value)).U16(static_cast<std::uint16_t>(value >> 16));
}

ByteWriter& ByteWriter::Append(ByteView bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter& ByteWriter::Align(std::size_t alignment) {
    while (out_.size() % alignment) out_.push_back(0);
    return *this;
}

void ByteWriter::PutU16(std::size_t offset, std::uint16_t value) {
    ByteReader(out_, overrun_).Need(offset, 2);
    out_[offset] = static_cast<std::uint8_t>(value);
    out_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void ByteWriter::PutU32(std::size_t offset, std::uint32_t value) {
    PutU16(offset, static_cast<std::uint16_t>(value));
    PutU16(offset + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace boxlift
