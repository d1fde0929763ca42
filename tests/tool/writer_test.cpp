// The payload writer, read back with the launcher's own code: the settings
// block, a whole payload file, the refusals and fixed-Huffman blocks.
#include <zlib.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>

#include "memory_hook.h"
#include "engine/engine_version.h"
#include "chunk_stream.h"
#include "payload_format.h"
#include "settings_block.h"
#include "zlib_inflate.h"
#include "base/error.h"
#include "payload/chunk_writer.h"
#include "payload/engine_version.h"
#include "payload/fixed_huffman.h"
#include "payload/incompressible.h"
#include "payload/launcher_image.h"
#include "payload/marker.h"
#include "payload/payload_file.h"
#include "payload/settings_block_writer.h"

namespace boxlift {
namespace {

// Random bytes, which zlib cannot shrink; as text, from five letters only.
Bytes SampleBytes(std::size_t size, unsigned seed, bool text = false) {
    std::mt19937 random(seed);
    Bytes out(size);
    std::ranges::generate(out, [&] { return text ? "acgt "[random() % 5] : random(); });
    return out;
}

// A stand-in launcher image: zeros and the marker once.
Bytes FakeImage(std::size_t size = 4096) {
    Bytes image(size, 0);
    std::copy_n(kMarker, kMarkerLength, image.begin() + 1000);
    return image;
}

std::optional<std::string> TextOf(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}

std::vector<Bytes> zlibStreamsSeen;  // one per compressed record read

// A payload file as the launcher reads it: the marker search, the settings
// window and the chunk stream copy, over the file in memory.
struct LauncherRead {
    explicit LauncherRead(ByteView in) : file(in) {
        auto window = [&] { return std::min<std::size_t>(file.size() - at, kSettingsWindowSize); };
        if ((marker = FindPayloadMarker(file.data(), window())) < 0) return;
        at = marker + kMarkerLength;
        if (!ParseSettingsBlock(file.data() + at, window(), &settings, &blockLength)) return;
        at += blockLength;
        ByteSource source{this, Read, [](void*, uint32_t) { return 0; },
                          nullptr};  // the copy never skips or seeks
        PackageSink sink{this, Write, [](void*, uint32_t) {}, [](void*) { return 0; }};
        ChunkInflater inflater{nullptr, Inflate};
        Bytes chunk(kChunkBufferSize), packed(kPackedBufferSize);
        zlibStreamsSeen.clear();
        result = CopyChunkStream(&source, &sink, &inflater, chunk.data(), packed.data());
    }
    ~LauncherRead() { FreeSettingsTexts(&settings); }

    static uint32_t Read(void* self, void* buffer, uint32_t size) {
        auto& r = *static_cast<LauncherRead*>(self);
        std::size_t count = std::min<std::size_t>(size, r.file.size() - r.at);
        std::copy_n(r.file.begin() + r.at, count, static_cast<uint8_t*>(buffer));
        r.at += count;
        return static_cast<uint32_t>(count);
    }
    static uint32_t Write(void* self, const void* data, uint32_t size) {
        auto& r = *static_cast<LauncherRead*>(self);
        r.package.insert(r.package.end(), static_cast<const uint8_t*>(data),
                         static_cast<const uint8_t*>(data) + size);
        ++r.records;
        return size;
    }
    static int Inflate(void*, uint8_t* out, uint32_t* outLength, const uint8_t* in,
                       uint32_t inLength) {
        zlibStreamsSeen.emplace_back(in, in + inLength);
        return InflateZlibChunk(nullptr, out, outLength, in, inLength);
    }

    ByteView file;
    std::size_t at = 0, records = 0;  // at: the read position, the file's size once all is read
    std::int32_t marker = -1;
    PackageSettings settings{};
    std::uint32_t blockLength = 0;
    ChunkStreamResult result = kStreamTruncated;
    Bytes package;
};

enum Flags { kWelcome = 1, kDialog = 2, kProgress = 4 };

// A text field, present in the block when all the flags it needs are set.
struct TextField {
    const char* name;
    std::string Settings::*written;
    char* PackageSettings::*read;
    int needs;
};

#define FIELD(name, needs) \
    { #name, &Settings::name, &PackageSettings::name, needs }
const TextField kTextFields[] = {FIELD(title, 0),
                                 FIELD(errorText, 0),
                                 FIELD(exitCaption, kWelcome | kDialog),
                                 FIELD(continueCaption, kWelcome | kDialog),
                                 FIELD(welcomeText, kWelcome),
                                 FIELD(engineMissingText, 0),
                                 FIELD(engineDownloadTarget, 0),
                                 FIELD(diskSpaceText, 0),
                                 FIELD(dialogHeading, kProgress),
                                 FIELD(progressText, kProgress),
                                 FIELD(cancelCaption, kProgress),
                                 FIELD(cancelQuestion, kProgress)};
#undef FIELD

// Every text set to its own name, so that one read into the wrong field shows.
Settings NamedSettings(int flags) {
    Settings s;
    for (const TextField& field : kTextFields) s.*field.written = field.name;
    s.showWelcome = flags & kWelcome;
    s.welcomeAsDialog = flags & kDialog;
    s.showProgress = flags & kProgress;
    s.requiredEngineVersion = EncodeEngineVersion("126.5");  // the highest major stored
    return s;
}

TEST(SettingsBlock, LauncherReadsExactlyTheFieldsTheFlagsSelect) {
    for (int flags = 0; flags < 8; ++flags) {
        SCOPED_TRACE("flags " + std::to_string(flags));
        const Settings s = NamedSettings(flags);
        LauncherRead read(BuildPayloadFile(FakeImage(), s, {}));
        ASSERT_EQ(read.result, kStreamComplete) << "block length off, or the block unread";
        EXPECT_EQ(read.blockLength, EncodeSettingsBlock(s).size());
        EXPECT_EQ(read.settings.showWelcome, s.showWelcome);
        EXPECT_EQ(read.settings.welcomeAsDialog, (flags & 3) == 3);
        EXPECT_EQ(read.settings.showProgress, s.showProgress);
        const char* version = read.settings.requiredEngineVersion;  // 126.5 and no less
        EXPECT_TRUE(EngineVersionMeets(126 << 16 | 5, version));
        EXPECT_FALSE(EngineVersionMeets(126 << 16 | 4, version));
        for (const TextField& field : kTextFields) {
            bool present = (flags & field.needs) == field.needs;
            EXPECT_EQ(TextOf(read.settings.*field.read),
                      present ? TextOf(field.name) : std::nullopt)
                << field.name;
        }
    }
}

TEST(Writer, RefusesWhatTheLauncherCouldNotRead) {
    Bytes twice = FakeImage();
    std::copy_n(kMarker, kMarkerLength, twice.begin() + 3000);
    struct Case {
        std::function<void()> run;
        std::string message;
    };
    std::vector<Case> cases = {
        {[&] { CheckLauncherImage(twice); }, "holds the marker 2 times, expected once"},
        {[] { CheckLauncherImage(Bytes(4096, 0)); }, "does not hold the marker"},
        {[] { CheckLauncherImage(FakeImage(::kMaxMarkerOffset + 1)); }, "more than the 524280"},
        {[] { EncodeEngineVersion("127.0"); }, "major version 127 is above 126"},
        {[] { EncodeEngineVersion("0.127"); }, "minor version 127 is above 126"},
        {[] { EncodeEngineVersion("99999999999.0"); }, "major version 99999999999 is above"}};
    for (const char* text : {"", "2", "2.", ".0", "a.b", "-1.0", "+1.0", "2.0.1", " 2.0"})
        cases.push_back({[=] { EncodeEngineVersion(text); }, "expected MAJOR.MINOR"});
    for (const TextField& field : kTextFields) {
        Settings s = NamedSettings(7);
        s.*field.written = std::string("bad\0text", 8);
        cases.push_back(
            {[=] { EncodeSettingsBlock(s); }, std::string(field.name) + ": holds a NUL"});
    }
    for (const Case& c : cases) {
        try {
            c.run();
            ADD_FAILURE() << "accepted; expected " << c.message;
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), ::testing::HasSubstr(c.message));
        }
    }
}

// The first block's type, from the byte after the 2-byte zlib header.
unsigned FirstBlockType(ByteView zlibStream) { return (zlibStream[2] >> 1) & 3; }

// One zlib stream at level 9, each part with its own strategy; a change of
// strategy ends a block at whatever bit the data before left off.
Bytes Deflate(std::initializer_list<std::pair<int, Bytes>> parts) {
    z_stream z{};
    Bytes out(1 << 20);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 15, 8, parts.begin()->first), Z_OK);
    for (const auto& [strategy, data] : parts) {
        EXPECT_EQ(deflateParams(&z, 9, strategy), Z_OK);  // before the part's input
        z.next_in = const_cast<Bytef*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        EXPECT_EQ(deflate(&z, Z_NO_FLUSH), Z_OK);
    }
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

const Bytes kFixedPiece(1000, 0);  // what zlib encodes with fixed codes

TEST(FixedHuffman, DetectorSeesZlibsFixedBlocksWhereverTheyStart) {
    const Bytes alone = Deflate({{Z_DEFAULT_STRATEGY, kFixedPiece}});
    ASSERT_EQ(FirstBlockType(alone), 1u) << "zlib no longer picks fixed codes here";
    EXPECT_TRUE(HasFixedHuffmanBlock(alone));
    // The first part's length moves the fixed block's start through the bit
    // positions of a byte.
    for (std::size_t length = 3000; length < 3032; ++length) {
        const Bytes later = Deflate({{Z_DEFAULT_STRATEGY, SampleBytes(length, 2, true)},
                                     {Z_FIXED, SampleBytes(2000, 3, true)}});
        ASSERT_EQ(FirstBlockType(later), 2u);
        EXPECT_TRUE(HasFixedHuffmanBlock(later)) << "after " << length << " bytes";
    }
}

TEST(PayloadFile, LauncherGetsSettingsAndPackageBack) {
    Bytes package = SampleBytes(2 * kPieceSize, 4, true);
    for (const Bytes& part : {SampleBytes(kPieceSize, 5), kFixedPiece})
        package.insert(package.end(), part.begin(), part.end());
    // The largest image whose payload the launcher still finds.
    const Bytes file = BuildPayloadFile(FakeImage(::kMaxMarkerOffset), NamedSettings(7), package);
    LauncherRead read(file);
    EXPECT_EQ(read.marker, ::kMaxMarkerOffset);
    ASSERT_EQ(read.result, kStreamComplete);
    EXPECT_EQ(read.at, file.size()) << "bytes after the end record";
    EXPECT_TRUE(read.package == package);
    EXPECT_EQ(read.records, 4u);
    EXPECT_EQ(zlibStreamsSeen.size(), 2u) << "compressed: the text pieces; stored: the rest";
    for (const Bytes& stream : zlibStreamsSeen) {
        EXPECT_NE(FirstBlockType(stream), 1u);
        EXPECT_FALSE(HasFixedHuffmanBlock(stream));
    }
}

// More pieces than four jobs keep in flight, compressible and not, the last
// one short and of the kind deflaters code with fixed Huffman codes: at
// every level the records come out in order whatever finishes first, each
// stream smaller than its piece and free of fixed-Huffman blocks.
TEST(ChunkStream, EveryLevelGivesTheSameBytesOnAnyNumberOfJobsAndReadsBack) {
    Bytes package;
    for (unsigned seed = 0; seed < 10; ++seed) {
        const Bytes part = SampleBytes(kPieceSize, 10 + seed, seed % 3 != 0);
        package.insert(package.end(), part.begin(), part.end());
    }
    package.insert(package.end(), kFixedPiece.begin(), kFixedPiece.end());
    for (int level = kMinLevel; level <= kMaxLevel; ++level) {
        const Bytes oneJob = BuildPayloadFile(FakeImage(), NamedSettings(0), package, {1, level});
        for (unsigned jobs : {1u, 2u, 4u}) {
            SCOPED_TRACE("level " + std::to_string(level) + ", jobs " + std::to_string(jobs));
            const Bytes file =
                BuildPayloadFile(FakeImage(), NamedSettings(0), package, {jobs, level});
            EXPECT_TRUE(file == oneJob);
            LauncherRead read(file);
            ASSERT_EQ(read.result, kStreamComplete);
            EXPECT_TRUE(read.package == package);
            EXPECT_EQ(read.records, 11u);
            EXPECT_EQ(zlibStreamsSeen.size(), 6u) << "the text pieces compressed, the rest stored";
            for (const Bytes& stream : zlibStreamsSeen) {
                EXPECT_LT(stream.size(), kPieceSize);
                EXPECT_FALSE(HasFixedHuffmanBlock(stream));
            }
        }
    }
}

// A failure while pieces are in flight on the workers ends the stream with
// that error, without waiting for pieces that will never come.
TEST(ChunkStream, FailureWhilePiecesAreInFlightStopsTheWorkers) {
    const Bytes piece = SampleBytes(kPieceSize, 9, true);
    struct Case {
        const char* name;
        int failingSourceCall;
        int failingSinkCall;
    };
    const Case cases[] = {{"reading", 6, -1}, {"writing", -1, 3}};
    for (const Case& c : cases) {
        int sourceCalls = 0, sinkCalls = 0;
        auto source = [&](std::span<std::uint8_t> out) {
            if (++sourceCalls == c.failingSourceCall) throw Error("source failed");
            std::copy_n(piece.begin(), out.size(), out.begin());
        };
        auto sink = [&](ByteView) {
            if (++sinkCalls == c.failingSinkCall) throw Error("sink failed");
        };
        EXPECT_THROW(WriteChunkStream(20 * kPieceSize, source, sink, {.jobs = 4}), Error) << c.name;
    }
}

// Deflated data is skipped; anything deflate can still shrink is not.
TEST(Incompressible, OnlyPiecesDeflateCannotShrinkAreSkipped) {
    const Bytes random = SampleBytes(kPieceSize, 6);
    Bytes halfZeros = random;
    std::fill_n(halfZeros.begin(), kPieceSize / 2, 0);
    Bytes deflated(compressBound(kPieceSize * 4));
    uLongf size = deflated.size();
    const Bytes text = SampleBytes(kPieceSize * 4, 7, true);
    ASSERT_EQ(compress2(deflated.data(), &size, text.data(), text.size(), 9), Z_OK);
    deflated.resize(std::min<std::size_t>(size, kPieceSize));
    struct Case {
        const char* name;
        Bytes piece;
        bool skipped;
    };
    const Case cases[] = {{"random", random, true},
                          {"deflated text", deflated, true},
                          {"half zeros", halfZeros, false},
                          {"text", SampleBytes(kPieceSize, 8, true), false},
                          {"one byte value", Bytes(kPieceSize, 0x55), false}};
    for (const Case& c : cases) EXPECT_EQ(LooksIncompressible(c.piece), c.skipped) << c.name;
}

}  // namespace
}  // namespace boxlift
