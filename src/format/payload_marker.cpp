#include "payload_format.h"

const char kPayloadMarker[8] = "CmSSFX2";
