// setup.exe /e DIR: a good payload puts the package into DIR under a
// temporary package name, byte for byte; a broken one leaves no package file.
// The exit code is 1 after every run.
#include <algorithm>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

class Extract : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        fs::create_directory(out_ = dir_ / "out");
    }
    fs::path out_;
};

// The full settings block (all 16 fields) decides where the stream starts;
// the size is no multiple of the 65,536-byte piece, so the last is short.
TEST_F(Extract, MixedPackageArrivesByteForByte) {
    Bytes package;
    for (std::uint32_t i = 0; package.size() < 3 * 1024 * 1024 + 12345; ++i) {
        const Bytes run = i % 2 ? Noise(140000, i) : Text(100000 + 999 * i, i);
        package.insert(package.end(), run.begin(), run.end());
    }
    package.resize(3 * 1024 * 1024 + 12345);
    int stored = 0, compressed = 0;
    for (std::size_t at = 0; at < package.size(); at += kPieceSize) {
        ByteView piece = ByteView(package).subspan(at, std::min(kPieceSize, package.size() - at));
        ++(CompressPiece(piece).empty() ? stored : compressed);
    }
    ASSERT_TRUE(stored > 0 && compressed > 0) << "both record types needed";

    RunResult run = RunExtract(WriteSetup(BuildPayload(FullSettings(), package)), out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(out_, package));
}

TEST_F(Extract, CreatesTheMissingLastLevelOfTheDirectory) {
    const Bytes package = Text(200000, 7);
    RunResult run =
        RunExtract(WriteSetup(BuildPayload(FullSettings(), package)), dir_ / "not-there-yet");

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(dir_ / "not-there-yet", package));
}

TEST_F(Extract, EmptyPackageGivesAnEmptyFile) {
    Bytes stream;
    AppendChunkCount(stream, 1);
    AppendEndRecord(stream);
    RunResult run = RunExtract(WriteSetup(AssemblePayload(FullSettings(), stream)), out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(out_, Bytes{}));
}

TEST_F(Extract, LauncherWithoutPayloadWritesNothing) {
    RunResult run = RunExtract(LauncherPath(), out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsNoFile(out_));
}

TEST_F(Extract, BrokenStreamLeavesNoPackageFile) {
    const Bytes zlib = CompressPiece(Text(65536, 4));
    const struct {
        const char* name;
        std::function<void(Bytes&)> finish;
    } cases[] = {
        {"bad record type",
         [](Bytes& s) {
             s.push_back(3);
             ByteWriter(s).U32(100);
             s.insert(s.end(), 100, 'x');
             AppendEndRecord(s);
         }},
        {"cut inside data",
         [](Bytes& s) {
             AppendStoredRecord(s, Noise(65536, 8));
             s.resize(s.size() - 30000);
         }},
        {"no end record", [](Bytes& s) { AppendStoredRecord(s, Noise(1000, 10)); }},
        {"wrong checksum",
         [&](Bytes& s) {
             Bytes bad = zlib;
             bad.back() ^= 0x5A;  // in the Adler-32 trailer
             AppendCompressedRecord(s, 65536, bad);
             AppendEndRecord(s);
         }},
        {"inflates past its size",
         [&](Bytes& s) {
             AppendCompressedRecord(s, 60000, zlib);
             AppendEndRecord(s);
         }},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        // A good record of each type first: package bytes have been written
        // by the time the fault is met.
        Bytes stream;
        AppendChunkCount(stream, 4);
        AppendStoredRecord(stream, Noise(65536, 3));
        AppendCompressedRecord(stream, 65536, zlib);
        cases[i].finish(stream);
        const fs::path out = out_ / std::to_string(i);
        fs::create_directory(out);
        RunResult run = RunExtract(WriteSetup(AssemblePayload(FullSettings(), stream)), out);

        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_TRUE(HoldsNoFile(out));
    }
}

// With 254 of the 255 names taken, a broken stream removes its own file and
// none of those it found; a good package then lands in the one name left.
TEST_F(Extract, NameChoiceNeverTouchesTakenNames) {
    const int freeValue = 0x7a;
    for (int value = 0; value < 255; ++value)
        if (value != freeValue) std::ofstream(out_ / TempName(value)) << "taken " << value;
    auto untouched = [&]() -> ::testing::AssertionResult {
        for (int value = 0; value < 255; ++value)
            if (value != freeValue &&
                ReadText(out_ / TempName(value)) != "taken " + std::to_string(value))
                return ::testing::AssertionFailure() << TempName(value) << " changed or gone";
        return ::testing::AssertionSuccess();
    };
    Bytes stream;
    AppendChunkCount(stream, 2);
    AppendStoredRecord(stream, Noise(65536, 23));
    stream.push_back(7);  // no such record type

    RunResult broken = RunExtract(WriteSetup(AssemblePayload(FullSettings(), stream)), out_);

    EXPECT_EQ(broken.exitCode, 1) << broken.output;
    EXPECT_TRUE(untouched());
    EXPECT_EQ(ListDir(out_).size(), 254u) << "the broken run's own file is removed";

    const Bytes package = Noise(150000, 21);
    RunResult run = RunExtract(WriteSetup(BuildPayload(FullSettings(), package)), out_);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(untouched());
    EXPECT_EQ(ListDir(out_).size(), 255u);
    EXPECT_TRUE(ReadFileBytes(out_ / TempName(freeValue)) == package) << "package in the free name";
}

}  // namespace
}  // namespace boxlift::e2e
