#include "image/embedded_launcher.h"

#include <cstddef>

extern "C" const std::uint8_t boxlift_launcher_image[];
extern "C" const std::uint8_t boxlift_launcher_image_end[];

namespace boxlift {

ByteView EmbeddedLauncher() {
    return ByteView(boxlift_launcher_image,
                    static_cast<std::size_t>(boxlift_launcher_image_end - boxlift_launcher_image));
}

}  // namespace boxlift
