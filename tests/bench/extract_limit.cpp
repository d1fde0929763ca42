// The benchmark's extraction limit: what setup.exe /e does, as a plain
// native loop. It finds the payload with the launcher's own marker search
// and settings parser, then reads the chunk stream in one pass: a record
// header, the record's data, inflated with the launcher's zlib (built from
// the same source with the same flags) or copied when stored, written to
// the output file; until the end record.
//
//   extract_limit SETUP_EXE OUTPUT_FILE
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package_settings.h"
#include "payload_format.h"
#include "settings_block.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "extract_limit: %s\n", what);
    std::exit(1);
}

void ReadExactly(int fd, void* buffer, size_t size) {
    if (read(fd, buffer, size) != static_cast<ssize_t>(size)) Fail("setup.exe ends early");
}

uint32_t U32At(const uint8_t* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

// Moves fd to the chunk stream, as the launcher does: the marker in the
// first window, then the settings block read from just past it.
void SeekToStream(int fd) {
    std::vector<uint8_t> window(kSettingsWindowSize);
    ssize_t count = read(fd, window.data(), window.size());
    int32_t marker = FindPayloadMarker(window.data(), count > 0 ? count : 0);
    if (marker < 0) Fail("no payload marker");
    off_t blockStart = marker + kPayloadMarkerLength;
    std::fill(window.begin(), window.end(), 0);
    if (pread(fd, window.data(), window.size(), blockStart) < 2) Fail("no settings block");
    PackageSettings settings{};
    uint32_t blockLength = 0;
    if (!ParseSettingsBlock(window.data(), kSettingsWindowSize, &settings, &blockLength))
        Fail("bad settings block");
    FreeSettingsTexts(&settings);
    if (lseek(fd, blockStart + blockLength, SEEK_SET) < 0) Fail("cannot seek to the stream");
}

// zlib is built without its default allocator.
voidpf Take(voidpf, uInt items, uInt size) { return std::malloc(size_t{items} * size); }
void Give(voidpf, voidpf block) { std::free(block); }

void Inflate(uint8_t* out, uint32_t outLength, const uint8_t* in, uint32_t inLength) {
    z_stream stream{};
    stream.zalloc = Take;
    stream.zfree = Give;
    if (inflateInit2(&stream, 15) != Z_OK) Fail("inflateInit2 failed");
    stream.next_in = const_cast<uint8_t*>(in);
    stream.avail_in = inLength;
    stream.next_out = out;
    stream.avail_out = outLength;
    int status = inflate(&stream, Z_FINISH);
    bool whole = status == Z_STREAM_END && stream.total_out == outLength;
    inflateEnd(&stream);
    if (!whole) Fail("a compressed record does not inflate");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: extract_limit SETUP_EXE OUTPUT_FILE\n");
        return 2;
    }
    int in = open(argv[1], O_RDONLY);
    if (in < 0) Fail("cannot open setup.exe");
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) Fail("cannot create the output file");
    SeekToStream(in);

    std::vector<uint8_t> chunk(kMaxChunkSize), packed(kMaxCompressedSize);
    uint8_t header[8];
    ReadExactly(in, header, 4);  // chunkCount: the launcher's progress bar only
    unsigned stored = 0, compressed = 0;
    unsigned long long bytes = 0;
    for (;;) {
        uint8_t type;
        ReadExactly(in, &type, 1);
        if (type == kEndRecord) break;
        uint32_t size;
        if (type == kStoredRecord) {
            ReadExactly(in, header, 4);
            size = U32At(header);
            if (size > kMaxChunkSize) Fail("stored record too large");
            ReadExactly(in, chunk.data(), size);
            ++stored;
        } else if (type == kCompressedRecord) {
            ReadExactly(in, header, 8);
            size = U32At(header);
            uint32_t dataSize = U32At(header + 4);
            if (size > kMaxChunkSize || dataSize > kMaxCompressedSize)
                Fail("compressed record too large");
            ReadExactly(in, packed.data(), dataSize);
            Inflate(chunk.data(), size, packed.data(), dataSize);
            ++compressed;
        } else {
            Fail("bad record type");
        }
        if (write(out, chunk.data(), size) != static_cast<ssize_t>(size)) Fail("write failed");
        bytes += size;
    }
    if (close(out) != 0) Fail("write failed");
    close(in);
    std::printf("%u compressed records, %u stored, %llu package bytes\n", compressed, stored,
                bytes);
    return 0;
}
