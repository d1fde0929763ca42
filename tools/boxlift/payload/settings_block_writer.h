// The settings block: NUL-ended texts and one-byte flags, in the launcher's
// field order, with exactly the fields its flags make present.
#pragma once

#include "base/bytes.h"
#include "payload/settings.h"

namespace boxlift {

// The settings block as written. Throws Error for a text holding a NUL or
// an engine version that is not exactly two non-zero bytes.
Bytes EncodeSettingsBlock(const Settings& settings);

}  // namespace boxlift
