// The one allocator of the launcher's platform-free code. The launcher backs
// it with the process heap; native tests back it with a counting allocator
// that can be told to fail.
#ifndef BOXLIFT_MEMORY_H
#define BOXLIFT_MEMORY_H

#include <stdint.h>

void* AllocBytes(uint32_t size);   // none when the heap has no block
void FreeBytes(void* block);       // accepts none

#endif
