// The one allocator of the platform-free code. The format library calls it
// and leaves its definition to the program that links it: the launcher
// backs it with the process heap, the packaging tool with its own heap, the
// native tests with a counting allocator that can be told to fail.
#ifndef BOXLIFT_MEMORY_HOOK_H
#define BOXLIFT_MEMORY_HOOK_H

#include <stdint.h>

void* AllocBytes(uint32_t size);  // none when the heap has no block
void FreeBytes(void* block);      // accepts none

#endif
