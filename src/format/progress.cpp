#include "progress.h"

uint32_t ProgressStep(uint32_t chunkCount) {
    if (chunkCount == 0) return 0;
    return (90000000u / chunkCount) / 1000u;
}

int32_t AdvanceProgress(int32_t value, uint32_t step) {
    if ((uint32_t)(INT32_MAX - value) < step) return INT32_MAX;
    return value + (int32_t)step;
}

uint32_t ProgressPosition(int32_t value) { return (uint32_t)(value / 1000); }
