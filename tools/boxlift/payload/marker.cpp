#include "payload/marker.h"

#include <algorithm>

namespace boxlift {

// Occurrences are counted the way the launcher searches: every start
// position, overlapping ones included.
std::size_t CountMarkers(ByteView bytes) {
    const ByteView marker(reinterpret_cast<const std::uint8_t*>(kMarker), kMarkerLength);
    std::size_t count = 0;
    for (auto rest = bytes;;) {
        // std::search rather than ranges::search, which clang 14 (the fuzz
        // build) cannot compile over a span with libstdc++ 12.
        auto found = std::search(rest.begin(), rest.end(), marker.begin(), marker.end());
        if (found == rest.end()) return count;
        ++count;
        rest = rest.subspan(found - rest.begin() + 1);
    }
}

}  // namespace boxlift
