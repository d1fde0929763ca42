#include "zlib_inflate.h"

#include <zlib.h>

#include "memory_hook.h"

namespace {

voidpf TakeBlock(voidpf opaque, uInt items, uInt size) {
    InflateWork* work = (InflateWork*)opaque;
    uint64_t bytes = (uint64_t)items * size;
    const uint32_t slots = sizeof work->blocks / sizeof work->blocks[0];
    if (work->count == slots || bytes > 0xFFFFFFFFu) return Z_NULL;
    void* block = AllocBytes((uint32_t)bytes);
    if (block) work->blocks[work->count++] = block;
    return block;
}

// Blocks are released all at once by ReleaseInflateWork.
void KeepBlock(voidpf, voidpf) {}

}  // namespace

bool InflateZlibStream(uint8_t* out, uint32_t* outLength, const uint8_t* in,
                       uint32_t inLength, InflateWork* work) {
    if (!out || !outLength || !in || *outLength == 0 || inLength < 2)
        return false;
    z_stream stream = {};
    stream.zalloc = TakeBlock;
    stream.zfree = KeepBlock;
    stream.opaque = work;
    // Window bits 15: a header asking for a larger window is refused.
    if (inflateInit2(&stream, 15) != Z_OK) return false;
    stream.next_in = (Bytef*)in;
    stream.avail_in = inLength;
    stream.next_out = out;
    stream.avail_out = *outLength;
    int status = inflate(&stream, Z_FINISH);
    if (status != Z_STREAM_END) return false;
    *outLength = (uint32_t)stream.total_out;
    return true;
}

int InflateZlibChunk(void*, uint8_t* out, uint32_t* outLength,
                     const uint8_t* in, uint32_t inLength) {
    InflateWork work = {};
    bool inflated = InflateZlibStream(out, outLength, in, inLength, &work);
    ReleaseInflateWork(&work);
    return inflated;
}

void ReleaseInflateWork(InflateWork* work) {
    for (uint32_t i = 0; i < work->count; ++i) FreeBytes(work->blocks[i]);
    work->count = 0;
}
