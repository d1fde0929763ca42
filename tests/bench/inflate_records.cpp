// The benchmark's limit: reads a payload file (setup.exe) with the
// launcher's own reader, inflating every compressed record with zlib,
// natively, and throws the output away. What the launcher does per record,
// minus Wine and the writing of the package.
//
//   inflate_records PAYLOAD_FILE
#include <cstdio>
#include <exception>

#include "payload_reader.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: inflate_records PAYLOAD_FILE\n");
        return 2;
    }
    try {
        const boxlift::Bytes file = boxlift::ReadFileBytes(argv[1]);
        const boxlift::PayloadLayout layout = boxlift::LocatePayload(file);
        unsigned long long bytes = 0;
        boxlift::ReadRecords(file, layout, {},
                             [&](boxlift::ByteView piece) { bytes += piece.size(); });
        const StreamMeasure m = boxlift::MeasureStream(file, layout).measure;
        std::printf("%u compressed records, %u stored, %llu package bytes\n",
                    m.compressedRecords, m.storedRecords, bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "inflate_records: %s\n", e.what());
        return 1;
    }
    return 0;
}
