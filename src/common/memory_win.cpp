#include <windows.h>

#include "memory_hook.h"

// The process heap, as the run state also records it; asked for here so
// that common code depends on nothing of the start-up.
void* AllocBytes(uint32_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void FreeBytes(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
