// The process command line through the program-name skip and the switch
// parser: the tail and the extract directory stay inside the line.
#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>

#include "startup/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that a read past the NUL hits AddressSanitizer.
    std::unique_ptr<char[]> line(new char[size + 1]);
    std::memcpy(line.get(), data, size);
    line[size] = 0;
    const char* end = line.get() + std::strlen(line.get());

    const char* tail = SkipProgramName(line.get());
    assert(tail >= line.get() && tail <= end);
    uint8_t quiet = 7;
    const char* extractDir = end;
    bool ok = ParseSwitches(tail, &quiet, &extractDir);
    assert(quiet <= 1 && (ok || (!quiet && !extractDir)));
    // The directory is a bare /e's empty text or a suffix of the tail.
    assert(!extractDir || !*extractDir || (extractDir > tail && extractDir < end));
    return 0;
}
