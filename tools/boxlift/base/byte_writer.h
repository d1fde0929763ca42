// Little-endian fields appended to a byte vector, or put over bytes
// already in it: how the tool writes every PE, resource, version and
// payload field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

namespace boxlift {

class ByteWriter {
public:
    // overrun is what a put past the end throws, as ByteReader's reads do.
    explicit ByteWriter(Bytes& out, const char* overrun = "a field runs past the end of the data")
        : out_(out), overrun_(overrun) {}

    std::size_t size() const { return out_.size(); }

    ByteWriter& U8(std::uint8_t value);
    ByteWriter& U16(std::uint16_t value);
    ByteWriter& U32(std::uint32_t value);
    ByteWriter& Append(ByteView bytes);
    // Zero bytes up to the next multiple of alignment.
    ByteWriter& Align(std::size_t alignment);

    // Over bytes already there; throws Error past the end.
    void PutU16(std::size_t offset, std::uint16_t value);
    void PutU32(std::size_t offset, std::uint32_t value);

private:
    Bytes& out_;
    const char* overrun_;
};

}  // namespace boxlift
