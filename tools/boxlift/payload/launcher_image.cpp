#include "payload/launcher_image.h"

#include <string>

#include "base/error.h"
#include "payload/marker.h"
#include "payload_format.h"

namespace boxlift {

void CheckLauncherImage(ByteView image) {
    std::size_t count = CountMarkers(image);
    if (count == 0)
        throw Error(std::string("does not hold the marker \"") + kMarker +
                    "\": not a launcher image");
    if (count != 1)
        throw Error("holds the marker " + std::to_string(count) + " times, expected once");
    if (image.size() > kMaxMarkerOffset)
        throw Error("is " + std::to_string(image.size()) + " bytes, more than the " +
                    std::to_string(kMaxMarkerOffset) +
                    " after which the launcher no longer finds its payload");
}

}  // namespace boxlift
