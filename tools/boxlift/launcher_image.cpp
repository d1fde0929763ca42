// The launcher image's one requirement on the tool: the launcher finds its
// payload as the second occurrence of the marker within its search window,
// the first being its own search key inside the image.
#include <algorithm>
#include <string>

#include "payload_writer.h"

namespace boxlift {

// Occurrences are counted the way the launcher searches: every start
// position, overlapping ones included.
std::size_t CountMarkers(ByteView bytes) {
    const ByteView marker(reinterpret_cast<const std::uint8_t*>(kMarker),
                          kMarkerLength);
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

void CheckLauncherImage(ByteView image) {
    std::size_t count = CountMarkers(image);
    if (count == 0)
        throw Error(std::string("does not hold the marker \"") + kMarker +
                    "\": not a launcher image");
    if (count != 1)
        throw Error("holds the marker " + std::to_string(count) +
                    " times, expected once");
    if (image.size() > kMaxMarkerOffset)
        throw Error("is " + std::to_string(image.size()) +
                    " bytes, more than the " +
                    std::to_string(kMaxMarkerOffset) +
                    " after which the launcher no longer finds its payload");
}

}  // namespace boxlift
