// A setup.exe in memory through what inspect, verify and extract do with
// it. Every failure is an Error naming the problem; a file verify finds no
// problem in also inspects and extracts, and extraction never gives more
// bytes than the records declare.
#include <cassert>
#include <cstdint>
#include <sstream>

#include "codepage.h"
#include "commands.h"

using namespace boxlift;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetupFile setup;
    try {
        setup = ParseSetupFile("setup.exe", Bytes(data, data + size));
    } catch (const Error&) {
        return 0;
    }
    const bool verified = VerifyProblems(setup).empty();
    try {
        std::ostringstream out;
        WriteInspectReport(setup, kDefaultCodepage, false, out);
        WriteInspectReport(setup, kDefaultCodepage, true, out);
        const Bytes package = ReadPackage(setup.bytes, setup.layout);
        assert(package.size() <= MeasureStream(setup.bytes, setup.layout).measure.packageSize);
    } catch (const Error&) {
        assert(!verified);
    }
    return 0;
}
