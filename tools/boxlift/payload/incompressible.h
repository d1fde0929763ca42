// A cheap look at a piece before compressing it.
#pragma once

#include "base/bytes.h"

namespace boxlift {

// True when the piece's byte frequencies leave deflate too little to gain
// for compressing to be worth trying. Depends on the bytes alone.
bool LooksIncompressible(ByteView piece);

}  // namespace boxlift
