// The core's allocator for native tests: counts live blocks and can be told
// to fail the n-th allocation from now.
#pragma once

#include <cstdint>

namespace test_memory {
void FailAllocationAfter(int successes);  // -1: never fail
int LiveBlocks();
}  // namespace test_memory
