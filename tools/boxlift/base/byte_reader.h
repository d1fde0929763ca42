// Little-endian fields read at offsets of bytes the tool did not write (a
// PE image, its resources, an icon file), every read bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

namespace boxlift {

class ByteReader {
public:
    // overrun says what a read past the end means, for its Error:
    // "OVERRUN (offset N)".
    explicit ByteReader(ByteView bytes,
                        const char* overrun = "a field runs past the end of the data")
        : bytes_(bytes), overrun_(overrun) {}

    std::size_t size() const { return bytes_.size(); }
    // Throws Error unless count bytes from offset lie inside the bytes.
    void Need(std::size_t offset, std::size_t count) const;
    std::uint16_t U16(std::size_t offset) const;
    std::uint32_t U32(std::size_t offset) const;

private:
    ByteView bytes_;
    const char* overrun_;
};

}  // namespace boxlift
