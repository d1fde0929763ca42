#include "settings_reader.h"

#include <string.h>

#include "payload_format.h"
#include "settings_block.h"

int ReadPayloadSettings(const ByteSource* source, uint8_t* window,
                        PackageSettings* settings, uint64_t* packageSize) {
    uint32_t count =
        window ? source->read(source->context, window, kSettingsWindowSize) : 0;
    int32_t marker = FindPayloadMarker(window, count);
    if (marker < 0) return 0;
    uint32_t blockStart = (uint32_t)marker + kPayloadMarkerLength;
    if (!source->seek(source->context, blockStart)) return 0;
    // A file that ends inside the block leaves zeros behind it: empty texts
    // and flags off, and a stream position at or past the end of the file.
    memset(window, 0, kSettingsWindowSize);
    if (source->read(source->context, window, kSettingsWindowSize) < 2) return 0;
    uint32_t blockLength;
    if (!ParseSettingsBlock(window, kSettingsWindowSize, settings, &blockLength))
        return 0;
    uint32_t streamStart = blockStart + blockLength;
    if (packageSize) {
        if (!source->seek(source->context, streamStart)) return 0;
        StreamMeasure measure;
        *packageSize = MeasureChunkStream(source, &measure) == kStreamComplete
                           ? measure.packageSize
                           : 0;
    }
    return source->seek(source->context, streamStart);
}
