// Runs that must fail: no payload at all, or a chunk stream that goes wrong
// part-way. Whatever was written by then must be gone afterwards, and the
// exit code is 1 as after every run.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "launcher_test.h"
#include "test_packages.h"

namespace boxlift::e2e {
namespace {

class NoPayload : public LauncherTest {};

TEST_F(NoPayload, BareLauncherWritesNothing) {
    const fs::path out = dir_ / "out";
    fs::create_directory(out);

    RunResult run = RunExtract(LauncherPath(), out);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsNoFile(out));
}

// One good record of each type first, so that the launcher has written
// package bytes before it meets the fault.
Bytes GoodStart() {
    Bytes stream;
    AppendChunkCount(stream, 4);
    AppendStoredRecord(stream, RandomBytes(65536, 3));
    const Bytes text = TextBytes(65536, 4);
    AppendCompressedRecord(stream, 65536, ZlibStream(text));
    return stream;
}

struct BrokenStream {
    const char* name;
    std::function<Bytes()> make;
};

void PrintTo(const BrokenStream& stream, std::ostream* os) { *os << stream.name; }

Bytes UnknownRecordType() {
    Bytes stream = GoodStart();
    stream.push_back(3);
    AppendU32(stream, 100);
    stream.insert(stream.end(), 100, 'x');
    AppendEndRecord(stream);
    return stream;
}

Bytes CutInsideStoredData() {
    Bytes stream = GoodStart();
    const Bytes data = RandomBytes(65536, 8);
    AppendStoredRecord(stream, data);
    stream.resize(stream.size() - 30000);
    return stream;
}

Bytes CutInsideCompressedData() {
    Bytes stream = GoodStart();
    const Bytes zlib = ZlibStream(TextBytes(65536, 9));
    AppendCompressedRecord(stream, 65536, zlib);
    stream.resize(stream.size() - zlib.size() / 2);
    return stream;
}

Bytes CutInsideRecordFields() {
    Bytes stream = GoodStart();
    stream.push_back(2);
    AppendU32(stream, 65536);
    stream.push_back(0x10);  // two bytes of the four of compressedSize
    stream.push_back(0x00);
    return stream;
}

Bytes NoEndRecord() {
    Bytes stream = GoodStart();
    AppendStoredRecord(stream, RandomBytes(1000, 10));
    return stream;
}

// A compressed record whose Adler-32 trailer does not match its data.
Bytes WrongChecksum() {
    Bytes stream = GoodStart();
    Bytes zlib = ZlibStream(TextBytes(65536, 11));
    zlib.back() ^= 0x5A;
    AppendCompressedRecord(stream, 65536, zlib);
    AppendEndRecord(stream);
    return stream;
}

// A compressed record whose data inflates to more than its inflatedSize.
Bytes InflatesPastItsSize() {
    Bytes stream = GoodStart();
    AppendCompressedRecord(stream, 60000, ZlibStream(TextBytes(65536, 12)));
    AppendEndRecord(stream);
    return stream;
}

// Deflate data that is not a deflate stream at all behind a valid header.
Bytes GarbageDeflateData() {
    Bytes stream = GoodStart();
    Bytes zlib = {0x78, 0xDA};
    const Bytes noise = RandomBytes(5000, 13);
    zlib.insert(zlib.end(), noise.begin(), noise.end());
    AppendCompressedRecord(stream, 65536, zlib);
    AppendEndRecord(stream);
    return stream;
}

class BrokenChunkStream : public LauncherTest,
                          public ::testing::WithParamInterface<BrokenStream> {};

TEST_P(BrokenChunkStream, LeavesNoPackageFile) {
    const fs::path setup =
        WriteSetup(AssemblePayload(MinimalSettings(), GetParam().make()));
    const fs::path out = dir_ / "out";
    fs::create_directory(out);

    RunResult run = RunExtract(setup, out);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsNoFile(out));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenChunkStream,
    ::testing::Values(BrokenStream{"UnknownRecordType", UnknownRecordType},
                      BrokenStream{"CutInsideStoredData", CutInsideStoredData},
                      BrokenStream{"CutInsideCompressedData", CutInsideCompressedData},
                      BrokenStream{"CutInsideRecordFields", CutInsideRecordFields},
                      BrokenStream{"NoEndRecord", NoEndRecord},
                      BrokenStream{"WrongChecksum", WrongChecksum},
                      BrokenStream{"InflatesPastItsSize", InflatesPastItsSize},
                      BrokenStream{"GarbageDeflateData", GarbageDeflateData}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace boxlift::e2e
