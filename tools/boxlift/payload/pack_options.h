// How the chunk stream is made: compression level and jobs.
#pragma once

#include <cstdint>
#include <functional>

namespace boxlift {

// Compression levels: 1 fastest, 12 smallest.
inline constexpr int kMinLevel = 1;
inline constexpr int kMaxLevel = 12;
inline constexpr int kDefaultLevel = 6;

// The bytes written do not depend on jobs.
struct PackOptions {
    unsigned jobs = 1;  // pieces compressed at once
    int level = kDefaultLevel;
    // Told, after each record the sink takes, how many of the package's
    // total bytes those records hold; none by default.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress = nullptr;
};

}  // namespace boxlift
