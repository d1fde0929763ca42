// The launcher image's one requirement on the tool: the launcher finds its
// payload as the second occurrence of the marker within its search window,
// the first being its own search key inside the image.
#include <algorithm>
#include <array>
#include <string>

#include "payload_writer.h"

namespace boxlift {
namespace {

constexpr std::array<std::uint8_t, kMarkerLength> MarkerBytes() {
    std::array<std::uint8_t, kMarkerLength> bytes{};
    for (std::size_t i = 0; i < kMarkerLength; ++i)
        bytes[i] = static_cast<std::uint8_t>(kMarker[i]);
    return bytes;
}

// Occurrences are counted the way the launcher searches: every start
// position, overlapping ones included.
std::size_t CountMarkers(ByteView image) {
    static constexpr auto kMarkerBytes = MarkerBytes();
    std::size_t count = 0;
    auto rest = image;
    for (;;) {
        auto found = std::ranges::search(rest, kMarkerBytes);
        if (found.empty()) return count;
        ++count;
        rest = rest.subspan(found.begin() - rest.begin() + 1);
    }
}

}  // namespace

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
