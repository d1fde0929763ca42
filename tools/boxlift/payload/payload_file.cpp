// The payload file: launcher image, marker, settings block, chunk stream.
#include "payload/payload_file.h"

#include "base/byte_writer.h"
#include "payload/chunk_writer.h"
#include "payload/launcher_image.h"
#include "payload/marker.h"
#include "payload/settings_block_writer.h"

namespace boxlift {
Bytes PayloadHead(ByteView launcherImage, const Settings& settings) {
    CheckLauncherImage(launcherImage);
    Bytes head(launcherImage.begin(), launcherImage.end());
    ByteWriter(head)
        .Append(ByteView(reinterpret_cast<const std::uint8_t*>(kMarker), kMarkerLength))
        .Append(EncodeSettingsBlock(settings));
    return head;
}

Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings, ByteView package,
                       const PackOptions& options) {
    Bytes file = PayloadHead(launcherImage, settings);
    ByteWriter(file).Append(EncodeChunkStream(package, options));
    return file;
}

}  // namespace boxlift
