// The launcher image built into the tool (embedded_launcher.S).
#pragma once

#include "base/bytes.h"

namespace boxlift {

ByteView EmbeddedLauncher();

}  // namespace boxlift
