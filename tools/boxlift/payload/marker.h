// The payload's marker under the tool's names, and how often bytes hold it.
#pragma once

#include <cstddef>

#include "base/bytes.h"
#include "payload_format.h"

namespace boxlift {

inline const char* const kMarker = kPayloadMarker;
inline constexpr std::size_t kMarkerLength = kPayloadMarkerLength;

// How often the marker occurs in bytes, overlapping occurrences included.
std::size_t CountMarkers(ByteView bytes);

}  // namespace boxlift
