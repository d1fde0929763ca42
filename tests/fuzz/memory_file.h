// A file in memory as a ByteSource that behaves as the launcher's own file
// does: a read stops at the end, and the position may move past the end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "chunk_stream.h"

struct MemoryFile {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    ByteSource Source() { return {this, Read, Skip, Seek}; }

    static uint32_t Read(void* self, void* buffer, uint32_t size) {
        auto& f = *static_cast<MemoryFile*>(self);
        size_t count = f.at < f.size ? std::min<size_t>(size, f.size - f.at) : 0;
        if (count) std::memcpy(buffer, f.data + f.at, count);
        f.at += count;
        return static_cast<uint32_t>(count);
    }
    static int Skip(void* self, uint32_t size) {
        static_cast<MemoryFile*>(self)->at += size;
        return 1;
    }
    static int Seek(void* self, uint32_t offset) {
        static_cast<MemoryFile*>(self)->at = offset;
        return 1;
    }
};
