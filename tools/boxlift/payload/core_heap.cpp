// The launcher core's allocator, for the tool: the C heap.
#include <cstdlib>

#include "memory_hook.h"

void* AllocBytes(uint32_t size) { return std::malloc(size ? size : 1); }
void FreeBytes(void* block) { std::free(block); }
