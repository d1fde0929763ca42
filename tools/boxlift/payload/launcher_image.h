// The launcher image's one requirement on the tool: the launcher finds its
// payload as the second occurrence of the marker within its search window,
// the first being its own search key inside the image.
#pragma once

#include "base/bytes.h"

namespace boxlift {

// Throws Error unless the image holds the marker exactly once and is small
// enough for the payload's marker to start at most at offset 524,280.
void CheckLauncherImage(ByteView image);

}  // namespace boxlift
