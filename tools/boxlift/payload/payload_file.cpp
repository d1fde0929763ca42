// The payload file: launcher image, marker, settings block, chunk stream.
#include "payload/payload_file.h"

#include "payload/chunk_writer.h"
#include "payload/launcher_image.h"
#include "payload/marker.h"
#include "payload/settings_block_writer.h"

namespace boxlift {
namespace {

void AppendBytes(Bytes& out, ByteView data) {
    out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

Bytes PayloadHead(ByteView launcherImage, const Settings& settings) {
    CheckLauncherImage(launcherImage);
    Bytes head(launcherImage.begin(), launcherImage.end());
    AppendBytes(head, ByteView(reinterpret_cast<const std::uint8_t*>(kMarker), kMarkerLength));
    AppendBytes(head, EncodeSettingsBlock(settings));
    return head;
}

Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings,
                       ByteView package, const PackOptions& options) {
    Bytes file = PayloadHead(launcherImage, settings);
    AppendBytes(file, EncodeChunkStream(package, options));
    return file;
}

}  // namespace boxlift
