// Bytes read at any offset, without holding them: a file on disk, or a
// buffer already in memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "base/bytes.h"

namespace boxlift {

// Fills buffer from offset; returns the bytes read, fewer only at the end.
using ReadAtFunction = std::function<std::size_t(std::uint64_t, std::span<std::uint8_t>)>;

struct RandomAccess {
    std::uint64_t size = 0;
    ReadAtFunction readAt;
};

// bytes, which must outlive what is returned.
inline RandomAccess InMemory(ByteView bytes) {
    return {bytes.size(), [bytes](std::uint64_t offset, std::span<std::uint8_t> buffer) {
                if (offset >= bytes.size()) return std::size_t{0};
                const auto count = std::min<std::size_t>(buffer.size(), bytes.size() - offset);
                std::copy_n(bytes.begin() + offset, count, buffer.begin());
                return count;
            }};
}

}  // namespace boxlift
