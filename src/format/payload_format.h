// The payload that the packaging tool appends to the launcher image.
//
//   +---------------------------+  offset 0
//   | launcher image            |  holds the 7-byte marker text exactly once
//   +---------------------------+  m (at most 524,280)
//   | marker "CmSSFX2"          |  7 bytes, no NUL
//   +---------------------------+  m + 7
//   | settings block            |  L bytes: NUL-ended texts and one-byte flags
//   +---------------------------+  m + 7 + L
//   | chunkCount                |  u32 LE, paces the progress bar only
//   | record, record, ...       |  type byte + fields, see below
//   | end record (type 0)       |  last byte of the file
//   +---------------------------+
//
// Settings block, in file order ([flag] = one byte, 0 off; text = NUL-ended):
//   title, errorText, [showWelcome],
//     if showWelcome: [welcomeAsDialog],
//       if welcomeAsDialog: exitCaption, continueCaption,
//     welcomeText,
//   requiredEngineVersion (two bytes: major + 1, minor + 1),
//   engineMissingText, engineDownloadTarget, diskSpaceText, [showProgress],
//     if showProgress: dialogHeading, progressText, cancelCaption,
//                      cancelQuestion
//
// Records (integers u32 little-endian):
//   0 end                         type
//   1 stored                      type, storedSize (0..65,536), data
//   2 compressed                  type, inflatedSize (1..65,536),
//                                 compressedSize (<= 72,089), zlib stream
#ifndef BOXLIFT_PAYLOAD_FORMAT_H
#define BOXLIFT_PAYLOAD_FORMAT_H

#include <stdint.h>

// The search key. Defined in its own translation unit so that the compiler
// cannot fold it into immediates: the launcher image must hold these bytes
// exactly once as data.
extern const char kPayloadMarker[8];
const uint32_t kPayloadMarkerLength = 7;

// Bytes read from the start of the file when looking for the marker, and the
// largest offset at which the payload's marker is still found.
const uint32_t kSettingsWindowSize = 524288;
const uint32_t kMaxMarkerOffset = kSettingsWindowSize - 8;

const uint8_t kEndRecord = 0;
const uint8_t kStoredRecord = 1;
const uint8_t kCompressedRecord = 2;

const uint32_t kMaxChunkSize = 65536;
const uint32_t kMaxCompressedSize = 72089;
const uint32_t kChunkBufferSize = kMaxChunkSize + 1;
const uint32_t kPackedBufferSize = kMaxCompressedSize + 1;

static_assert(kMaxMarkerOffset == 524280, "marker window bound");
static_assert(kPackedBufferSize == 72090, "packed buffer size");

#endif
