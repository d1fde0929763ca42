// Bytes as the tool holds them: owned, or viewed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace boxlift {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

}  // namespace boxlift
