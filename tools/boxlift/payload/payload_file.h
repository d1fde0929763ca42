// The payload file: launcher image, marker, settings block, chunk stream.
#pragma once

#include "base/bytes.h"
#include "payload/pack_options.h"
#include "payload/settings.h"

namespace boxlift {

// The image, the marker and the settings block: what comes before the
// chunk stream. Throws Error for an image or settings the launcher cannot use.
Bytes PayloadHead(ByteView launcherImage, const Settings& settings);

// image | marker | settings block | chunk stream, in memory.
Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings, ByteView package,
                       const PackOptions& options = {});

}  // namespace boxlift
