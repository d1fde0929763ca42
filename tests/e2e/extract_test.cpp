// setup.exe /e DIR with well-formed payloads: the package lands in DIR under
// a temporary package name, byte for byte, and the exit code is 1.
#include <string>

#include <gtest/gtest.h>

#include "launcher_test.h"
#include "test_packages.h"

namespace boxlift::e2e {
namespace {

// Not a multiple of the 65,536-byte piece, so the last piece is short.
constexpr std::size_t kMixedPackageSize = 3 * 1024 * 1024 + 12345;

struct SettingsCase {
    const char* name;
    Settings (*make)();
};

void PrintTo(const SettingsCase& settings, std::ostream* os) { *os << settings.name; }

class ExtractMixedPackage : public LauncherTest,
                            public ::testing::WithParamInterface<SettingsCase> {};

// The settings block's length decides where the chunk stream starts, so the
// shortest block and the longest (every group present) are both run.
TEST_P(ExtractMixedPackage, WritesOneTempNamedFileIdenticalToThePackage) {
    const Bytes package = MixedPackage(kMixedPackageSize, 20240601);
    RecordCounts counts = CountRecords(EncodeChunkStream(package));
    ASSERT_GT(counts.stored, 0u) << "the package should need stored records";
    ASSERT_GT(counts.compressed, 0u) << "the package should need compressed records";

    const fs::path setup = WriteSetup(
        BuildPayloadFile(ReadFileBytes(LauncherPath()), GetParam().make(), package));
    const fs::path out = dir_ / "out";
    fs::create_directory(out);

    RunResult run = RunExtract(setup, out);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    std::string name;
    EXPECT_TRUE(HoldsOnlyPackage(out, package, &name));
    if (!name.empty()) std::cout << "[ package  ] " << name << std::endl;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ExtractMixedPackage,
    ::testing::Values(SettingsCase{"Minimal", MinimalSettings},
                      SettingsCase{"Full", FullSettings}),
    [](const auto& info) { return std::string(info.param.name); });

class Extract : public LauncherTest {
protected:
    fs::path SmallSetup() {
        package_ = MixedPackage(200000, 7);
        return WriteSetup(
            BuildPayloadFile(ReadFileBytes(LauncherPath()), FullSettings(), package_));
    }
    Bytes package_;
};

TEST_F(Extract, CreatesTheMissingLastLevelOfTheDirectory) {
    const fs::path setup = SmallSetup();
    const fs::path out = dir_ / "not-there-yet";
    ASSERT_FALSE(fs::exists(out));

    RunResult run = RunExtract(setup, out);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(out, package_));
}

TEST_F(Extract, TakesADirectoryWithATrailingBackslash) {
    const fs::path setup = SmallSetup();
    const fs::path out = dir_ / "out";
    fs::create_directory(out);

    RunResult run = RunExtract(setup, ToWindowsPath(out) + "\\");

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(out, package_));
}

TEST_F(Extract, EmptyPackageGivesAnEmptyFile) {
    Bytes stream;
    AppendChunkCount(stream, 1);
    AppendEndRecord(stream);
    const fs::path setup = WriteSetup(AssemblePayload(MinimalSettings(), stream));
    const fs::path out = dir_ / "out";
    fs::create_directory(out);

    RunResult run = RunExtract(setup, out);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(out, Bytes{}));
}

// Records need not be whole pieces: a stream of stored and compressed
// records of assorted sizes (empty, one byte, a full piece, odd lengths) is
// joined in order.
TEST_F(Extract, JoinsRecordsOfAssortedSizesInOrder) {
    const Bytes text = TextBytes(65536 + 3000 + 40000, 99);
    const ByteView fullText(text.data(), 65536);
    const ByteView shortText(text.data() + 65536, 3000);
    const ByteView oddText(text.data() + 65536 + 3000, 40000);
    const Bytes noise = RandomBytes(65536 + 12345 + 1, 5);
    const ByteView fullNoise(noise.data(), 65536);
    const ByteView oddNoise(noise.data() + 65536, 12345);
    const ByteView oneByte(noise.data() + 65536 + 12345, 1);

    Bytes stream, expected;
    auto stored = [&](ByteView data) {
        AppendStoredRecord(stream, data);
        expected.insert(expected.end(), data.begin(), data.end());
    };
    auto compressed = [&](ByteView data) {
        Bytes zlib = ZlibStream(data);
        ASSERT_FALSE(HasFixedHuffmanBlock(zlib)) << "test data too small";
        AppendCompressedRecord(stream, (std::uint32_t)data.size(), zlib);
        expected.insert(expected.end(), data.begin(), data.end());
    };
    AppendChunkCount(stream, 8);
    stored({});
    compressed(fullText);
    stored(oneByte);
    compressed(shortText);
    stored(fullNoise);
    compressed(oddText);
    stored(oddNoise);
    compressed(fullText);
    AppendEndRecord(stream);

    const fs::path setup = WriteSetup(AssemblePayload(FullSettings(), stream));
    const fs::path out = dir_ / "out";
    fs::create_directory(out);

    RunResult run = RunExtract(setup, out);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(HoldsOnlyPackage(out, expected));
}

}  // namespace
}  // namespace boxlift::e2e
