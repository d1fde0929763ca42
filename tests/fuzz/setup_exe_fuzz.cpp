// A setup.exe in memory through what inspect, verify and extract do with
// it. Every failure is an Error naming the problem; a file verify finds no
// problem in also extracts, and extraction never gives more bytes than the
// records declare.
#include <cassert>
#include <cstdint>
#include <sstream>
#include <utility>

#include "base/byte_writer.h"
#include "base/error.h"
#include "cli/commands.h"
#include "image/pe_image.h"
#include "payload/payload_reader.h"
#include "platform/codepage.h"

using namespace boxlift;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The PE checksum is set first, as build sets it: anyone can, and a
    // wrong one would hide every other problem from verify.
    Bytes bytes(data, data + size);
    SetupFile setup;
    try {
        const std::size_t at = ParsePe(bytes).checksumOffset;
        ByteWriter(bytes).PutU32(at, PeChecksum(bytes, at));
        setup = ParseSetupFile("setup.exe", std::move(bytes));
    } catch (const Error&) {
        return 0;
    }
    const bool verified = VerifySetup(setup).problems.empty();
    try {  // a text the code page asked for cannot show is an Error, verified or not
        std::ostringstream out;
        WriteInspectReport(setup, std::nullopt, false, out);
        WriteInspectReport(setup, kDefaultCodepage, true, out);
    } catch (const Error&) {
    }
    try {
        const Bytes package = ReadPackage(setup.file, setup.layout);
        assert(package.size() <= MeasureStream(setup.file, setup.layout).measure.packageSize);
    } catch (const Error&) {
        assert(!verified);
    }
    return 0;
}
