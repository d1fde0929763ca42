#include <windows.h>

#include "common/memory.h"
#include "startup/run_state_win.h"

void* AllocBytes(uint32_t size) { return HeapAlloc(runState.heap, 0, size); }

void FreeBytes(void* block) {
    if (block) HeapFree(runState.heap, 0, block);
}
