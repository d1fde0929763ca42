// Runs under Wine: InflateChunk turns processor faults during inflation
// into failures and releases zlib's memory; ordinary streams still inflate.
#include <windows.h>
#include <zlib.h>

#include <stdio.h>
#include <string.h>

#include "memory_hook.h"
#include "payload/inflate_chunk.h"

static int liveBlocks = 0;

void* AllocBytes(uint32_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (block) ++liveBlocks;
    return block;
}

void FreeBytes(void* block) {
    if (!block) return;
    --liveBlocks;
    HeapFree(GetProcessHeap(), 0, block);
}

static int passed = 0, failed = 0;

static void Check(bool ok, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAILED: %s\n", what);
    }
}

// A page the process may not touch, or only read.
static uint8_t* ProtectedPage(DWORD protection) {
    uint8_t* page = (uint8_t*)VirtualAlloc(0, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    memset(page, 0x78, 4096);
    DWORD old;
    VirtualProtect(page, 4096, protection, &old);
    return page;
}

// A zlib stream holding data in one stored block (the launcher's zlib has
// no deflate); returns its length.
static uint32_t StoredStream(uint8_t* out, const uint8_t* data, uint16_t size) {
    const uint8_t head[] = {0x78,
                            0x01,
                            0x01,
                            (uint8_t)size,
                            (uint8_t)(size >> 8),
                            (uint8_t)~size,
                            (uint8_t)(~size >> 8)};
    memcpy(out, head, sizeof head);
    memcpy(out + sizeof head, data, size);
    uint32_t sum = adler32(adler32(0, 0, 0), data, size);
    uint8_t* tail = out + sizeof head + size;
    for (int i = 0; i < 4; ++i) tail[i] = (uint8_t)(sum >> (24 - 8 * i));
    return sizeof head + size + 4;
}

int main() {
    static uint8_t text[60000], packed[70000], out[65537];
    for (size_t i = 0; i < sizeof text; ++i) text[i] = "boxlift "[i % 8] + i / 7000;
    uint32_t packedLength = StoredStream(packed, text, sizeof text);

    uint32_t length = sizeof out;
    Check(InflateChunk(out, &length, packed, packedLength) == 1 && length == sizeof text &&
              memcmp(out, text, length) == 0,
          "a good stream inflates");
    Check(liveBlocks == 0, "zlib's memory is released after success");

    // A fault while reading the input: the stream lies on a page with no
    // access at all.
    uint8_t* noAccess = ProtectedPage(PAGE_NOACCESS);
    length = sizeof out;
    Check(InflateChunk(out, &length, noAccess, 4096) == 0, "a read fault fails the inflation");
    Check(liveBlocks == 0, "zlib's memory is released after a read fault");

    // A fault while writing the output: a read-only destination, with the
    // input copied to a readable place first.
    uint8_t* readOnly = ProtectedPage(PAGE_READONLY);
    length = 4096;
    Check(InflateChunk(readOnly, &length, packed, packedLength) == 0,
          "a write fault fails the inflation");
    Check(liveBlocks == 0, "zlib's memory is released after a write fault");

    // The guard is re-armed on every call: fault, succeed, fault, succeed.
    bool steady = true;
    for (int round = 0; round < 50; ++round) {
        length = sizeof out;
        steady &= InflateChunk(out, &length, noAccess, 16) == 0;
        length = sizeof out;
        steady &= InflateChunk(out, &length, packed, packedLength) == 1 && length == sizeof text;
    }
    Check(steady && liveBlocks == 0, "faults and successes alternate cleanly");

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
