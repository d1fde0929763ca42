#include "test_memory.h"

#include <cstdlib>

#include "memory_hook.h"

namespace {
int failAfter = -1;
int liveBlocks = 0;
}  // namespace

void* AllocBytes(uint32_t size) {
    if (failAfter == 0) return nullptr;
    if (failAfter > 0) --failAfter;
    void* block = std::malloc(size ? size : 1);
    if (block) ++liveBlocks;
    return block;
}

void FreeBytes(void* block) {
    if (!block) return;
    --liveBlocks;
    std::free(block);
}

namespace test_memory {
void FailAllocationAfter(int successes) { failAfter = successes; }
int LiveBlocks() { return liveBlocks; }
}  // namespace test_memory
