#include "settings_reader.h"

#include <string.h>

#include "payload_format.h"
#include "settings_block.h"

bool ReadPayloadSettings(const ByteSource* source, uint8_t* window,
                         PackageSettings* settings, uint64_t* packageSize) {
    uint32_t count =
        window ? source->read(source->context, window, kSettingsWindowSize) : 0;
    int32_t marker = FindPayloadMarker(window, count);
    if (marker < 0) return false;
    uint32_t blockStart = (uint32_t)marker + kPayloadMarkerLength;
    if (!source->seek(source->context, blockStart)) return false;
    // A file that ends inside the block leaves zeros behind it: empty texts
    // and flags off, and a stream position at or past the end of the file.
    memset(window, 0, kSettingsWindowSize);
    if (source->read(source->context, window, kSettingsWindowSize) < 2)
        return false;
    uint32_t blockLength;
    if (!ParseSettingsBlock(window, kSettingsWindowSize, settings,
                            &blockLength))
        return false;
    uint32_t streamStart = blockStart + blockLength;
    if (packageSize) {
        if (!source->seek(source->context, streamStart)) return false;
        StreamMeasure measure;
        *packageSize = MeasureChunkStream(source, &measure) == kStreamComplete
                           ? measure.packageSize
                           : 0;
    }
    return source->seek(source->context, streamStart) != 0;
}
