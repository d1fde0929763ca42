// A package in memory through the compound-file check: every problem is an
// Error with a text, the check asks only for bytes inside the file, and
// neither a count nor a chain in the file makes it allocate or loop beyond
// what the file's size allows (libFuzzer's memory and time limits).
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "base/error.h"
#include "platform/compound_file.h"

using namespace boxlift;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto read = [data, size](std::uint64_t offset, std::span<std::uint8_t> buffer) {
        assert(offset < size);  // the check asks only for bytes the file has
        const std::size_t count = std::min<std::size_t>(buffer.size(), size - offset);
        std::memcpy(buffer.data(), data + offset, count);
        return count;
    };
    try {
        CheckCompoundLayout(size, read);
    } catch (const Error& e) {
        assert(!e.problem().empty() && e.file().empty());
    }
    return 0;
}
