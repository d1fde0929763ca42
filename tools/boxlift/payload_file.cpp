// The payload file: launcher image, marker, settings block, chunk stream.
#include "payload_writer.h"

namespace boxlift {
namespace {

void AppendBytes(Bytes& out, ByteView data) {
    out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings,
                       ByteView package) {
    CheckLauncherImage(launcherImage);
    Bytes block = EncodeSettingsBlock(settings);
    Bytes stream = EncodeChunkStream(package);
    Bytes file;
    file.reserve(launcherImage.size() + kMarkerLength + block.size() +
                 stream.size());
    AppendBytes(file, launcherImage);
    AppendBytes(file, ByteView(reinterpret_cast<const std::uint8_t*>(kMarker),
                               kMarkerLength));
    AppendBytes(file, block);
    AppendBytes(file, stream);
    return file;
}

}  // namespace boxlift
