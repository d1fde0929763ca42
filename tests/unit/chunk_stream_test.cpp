#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "chunk_stream.h"
#include "payload_format.h"
#include "zlib_inflate.h"
#include "test_memory.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A chunk stream in memory, written field by field.
struct Stream {
    Bytes bytes;
    Stream& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Stream& Byte(uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Stream& Data(const Bytes& d) {
        bytes.insert(bytes.end(), d.begin(), d.end());
        return *this;
    }
    Stream& Stored(const Bytes& d) { return Byte(1).U32(d.size()).Data(d); }
    Stream& Compressed(uint32_t inflatedSize, const Bytes& z) {
        return Byte(2).U32(inflatedSize).U32(z.size()).Data(z);
    }
    Stream& End() { return Byte(0); }
};

Bytes Pattern(size_t size, uint8_t seed = 1) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = uint8_t((i * 7 + seed) % 251 / 16);
    return b;
}

Bytes Zlib(const Bytes& data) {
    uLongf size = compressBound(data.size());
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, data.data(), data.size(), 9), Z_OK);
    out.resize(size);
    return out;
}

// Runs CopyChunkStream over a stream in memory and records what it did.
class StreamRun {
public:
    explicit StreamRun(const Bytes& input, int cancelAfter = -1)
        : input_(input), cancelAfter_(cancelAfter) {}

    ChunkStreamResult Measure(StreamMeasure* measure) {
        ByteSource source = {this, Read, Skip, nullptr};
        return MeasureChunkStream(&source, measure);
    }

    ChunkStreamResult Run() {
        ByteSource source = {this, Read, Skip, nullptr};
        PackageSink sink = {this, Write, Progress, Cancelled};
        ChunkInflater inflater = {nullptr, InflateZlibChunk};
        Bytes chunk(kChunkBufferSize), packed(kPackedBufferSize);
        return CopyChunkStream(&source, &sink, &inflater, chunk.data(), packed.data());
    }

    bool shortWrites = false;  // the disk takes one byte less than asked
    Bytes output;
    std::vector<uint32_t> positions;
    size_t consumed = 0;

private:
    static uint32_t Read(void* c, void* buffer, uint32_t size) {
        StreamRun* run = static_cast<StreamRun*>(c);
        size_t left = run->input_.size() - run->consumed;
        uint32_t n = size < left ? size : (uint32_t)left;
        std::copy_n(run->input_.begin() + run->consumed, n, (uint8_t*)buffer);
        run->consumed += n;
        return n;
    }
    static uint32_t Write(void* c, const void* data, uint32_t size) {
        StreamRun* run = static_cast<StreamRun*>(c);
        if (run->shortWrites && size > 0) --size;
        const uint8_t* d = (const uint8_t*)data;
        run->output.insert(run->output.end(), d, d + size);
        return size;
    }
    static int Skip(void* c, uint32_t size) {
        StreamRun* run = static_cast<StreamRun*>(c);
        if (size > run->input_.size() - run->consumed) return 0;
        run->consumed += size;
        return 1;
    }
    static void Progress(void* c, uint32_t position) {
        static_cast<StreamRun*>(c)->positions.push_back(position);
    }
    static int Cancelled(void* c) {
        StreamRun* run = static_cast<StreamRun*>(c);
        return run->cancelAfter_ >= 0 && (int)run->positions.size() >= run->cancelAfter_;
    }
    Bytes input_;
    int cancelAfter_;
};

TEST(ChunkStream, MixedRecordsRebuildThePackage) {
    Bytes a = Pattern(65536, 1), b = Pattern(65536, 2), c = Pattern(1234, 3);
    Stream s;
    s.U32(3).Stored(a).Compressed(b.size(), Zlib(b)).Compressed(c.size(), Zlib(c)).End();
    s.Data({9, 9, 9});  // bytes behind the end record are never read
    StreamRun run(s.bytes);
    EXPECT_EQ(run.Run(), kStreamComplete);
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), c.begin(), c.end());
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(run.consumed, s.bytes.size() - 3);
}

TEST(ChunkStream, EndRecordFirstWritesNothingAndSendsNoProgress) {
    StreamRun run(Stream().U32(5).End().bytes);
    EXPECT_EQ(run.Run(), kStreamComplete);
    EXPECT_TRUE(run.output.empty());
    EXPECT_TRUE(run.positions.empty());
}

TEST(ChunkStream, StoredSizeLimits) {
    StreamRun empty(Stream().U32(1).Stored({}).End().bytes);
    EXPECT_EQ(empty.Run(), kStreamComplete);
    EXPECT_TRUE(empty.output.empty());
    EXPECT_EQ(empty.positions.size(), 1u);

    StreamRun largest(Stream().U32(1).Stored(Pattern(65536)).End().bytes);
    EXPECT_EQ(largest.Run(), kStreamComplete);
    EXPECT_EQ(largest.output.size(), 65536u);

    StreamRun tooLarge(Stream().U32(1).Stored(Pattern(65537)).End().bytes);
    EXPECT_EQ(tooLarge.Run(), kStreamBadRecordSize);
    EXPECT_EQ(tooLarge.consumed, 9u) << "fails before reading the data";
}

TEST(ChunkStream, CompressedSizeLimitIsCheckedBeforeReading) {
    Bytes z = Zlib(Pattern(100));
    Bytes padded = z;
    padded.resize(72089, 0xAA);  // trailing bytes after the stream are ignored
    StreamRun largest(Stream().U32(1).Compressed(100, padded).End().bytes);
    EXPECT_EQ(largest.Run(), kStreamComplete);
    EXPECT_EQ(largest.output, Pattern(100));

    padded.push_back(0xAA);
    StreamRun tooLarge(Stream().U32(1).Compressed(100, padded).End().bytes);
    EXPECT_EQ(tooLarge.Run(), kStreamBadRecordSize);
    EXPECT_EQ(tooLarge.consumed, 13u);
}

TEST(ChunkStream, InflatedSizeGivesTheInflaterItsRoom) {
    Bytes data = Pattern(5000);
    Bytes z = Zlib(data);
    StreamRun shorter(Stream().U32(1).Compressed(6000, z).End().bytes);
    EXPECT_EQ(shorter.Run(), kStreamComplete);
    EXPECT_EQ(shorter.output, data) << "writes only the bytes produced";

    StreamRun longer(Stream().U32(1).Compressed(4999, z).End().bytes);
    EXPECT_EQ(longer.Run(), kStreamBadZlibData);
    EXPECT_TRUE(longer.output.empty());

    StreamRun zero(Stream().U32(1).Compressed(0, z).End().bytes);
    EXPECT_EQ(zero.Run(), kStreamBadRecordSize);

    // More room than the chunk buffer holds is refused, however the stream
    // would inflate.
    StreamRun oversized(Stream().U32(1).Compressed(65537, z).End().bytes);
    EXPECT_EQ(oversized.Run(), kStreamBadRecordSize);
}

TEST(ChunkStream, BadRecordTypesAndCorruptDataFail) {
    Bytes data = Pattern(300);
    for (uint8_t type : {3, 4, 0x80, 0xFF}) {
        StreamRun run(Stream().U32(2).Stored(data).Byte(type).End().bytes);
        EXPECT_EQ(run.Run(), kStreamBadRecordType) << int(type);
        EXPECT_EQ(run.output, data) << "the first record was written";
    }
    Bytes z = Zlib(data);
    z[z.size() - 1] ^= 1;  // Adler-32 no longer matches
    StreamRun corrupt(Stream().U32(1).Compressed(300, z).End().bytes);
    EXPECT_EQ(corrupt.Run(), kStreamBadZlibData);
}

TEST(ChunkStream, EveryCutShortStreamFails) {
    Bytes data = Pattern(700);
    Stream s;
    s.U32(2).Stored(data).Compressed(data.size(), Zlib(data)).End();
    for (size_t cut = 0; cut < s.bytes.size(); ++cut) {
        Bytes prefix(s.bytes.begin(), s.bytes.begin() + cut);
        StreamRun run(prefix);
        EXPECT_EQ(run.Run(), kStreamTruncated) << "cut at " << cut;
    }
}

TEST(ChunkStream, ShortWriteFails) {
    StreamRun run(Stream().U32(1).Stored(Pattern(10)).End().bytes);
    run.shortWrites = true;
    EXPECT_EQ(run.Run(), kStreamWriteFailed);
}

TEST(ChunkStream, CancelStopsAfterTheRecordInHand) {
    Stream s;
    s.U32(4);
    for (int i = 0; i < 4; ++i) s.Stored(Pattern(100, i));
    s.End();
    StreamRun run(s.bytes, 2);
    EXPECT_EQ(run.Run(), kStreamCancelled);
    EXPECT_EQ(run.output.size(), 200u);
    EXPECT_EQ(run.positions.size(), 2u);
}

std::vector<uint32_t> PositionsFor(uint32_t chunkCount, uint32_t records) {
    Stream s;
    s.U32(chunkCount);
    for (uint32_t i = 0; i < records; ++i) s.Stored({});
    s.End();
    StreamRun run(s.bytes);
    EXPECT_EQ(run.Run(), kStreamComplete);
    return run.positions;
}

TEST(ChunkStream, ProgressFor148Records) {
    std::vector<uint32_t> p = PositionsFor(148, 148);
    ASSERT_EQ(p.size(), 148u);
    std::vector<uint32_t> start(p.begin(), p.begin() + 6);
    EXPECT_EQ(start, (std::vector<uint32_t>{10, 11, 11, 12, 13, 13}));
    EXPECT_EQ(p.back(), 99u);  // (10,000 + 148 * 608) / 1,000
    for (size_t i = 1; i < p.size(); ++i) EXPECT_GE(p[i], p[i - 1]);
}

TEST(ChunkStream, ProgressForOneAndForVeryManyRecords) {
    EXPECT_EQ(PositionsFor(1, 1), std::vector<uint32_t>{100});
    std::vector<uint32_t> many = PositionsFor(90001, 90001);
    ASSERT_EQ(many.size(), 90001u);
    EXPECT_EQ(many.front(), 10u);
    EXPECT_EQ(many.back(), 10u);
}

TEST(ChunkStream, ProgressWithoutAChunkCount) {
    // chunkCount 0 paces nothing: the bar stays at 10 and the stream is read.
    std::vector<uint32_t> p = PositionsFor(0, 3);
    EXPECT_EQ(p, (std::vector<uint32_t>{10, 10, 10}));
}

TEST(ChunkStream, ProgressBeyondTheDeclaredCountDoesNotOverflow) {
    // A stream that declares one record but holds 30,000 pushes the
    // accumulator past what 32 bits can hold; it stops growing instead.
    std::vector<uint32_t> p = PositionsFor(1, 30000);
    ASSERT_EQ(p.size(), 30000u);
    EXPECT_EQ(p[1], 190u);
    EXPECT_EQ(p.back(), uint32_t(INT32_MAX / 1000));
}

TEST(MeasureChunkStream, SumsAndCountsTheRecords) {
    Bytes a = Pattern(65536), c = Pattern(4321);
    Stream s;
    s.U32(3).Stored(c).Compressed(65536, Zlib(a)).Stored({}).End();
    StreamRun run(s.bytes);
    StreamMeasure m = {};
    EXPECT_EQ(run.Measure(&m), kStreamComplete);
    EXPECT_EQ(m.packageSize, 65536u + 4321u);
    EXPECT_EQ(m.chunkCount, 3u);
    EXPECT_EQ(m.storedRecords, 2u);
    EXPECT_EQ(m.compressedRecords, 1u);
    EXPECT_EQ(run.consumed, s.bytes.size());
}

// The measuring walk and the copy read headers through the same code: every
// header fault gives both the same result.
TEST(MeasureChunkStream, FailsWhereTheCopyFails) {
    Bytes data = Pattern(100);
    Bytes padded = Zlib(data);
    padded.resize(kMaxCompressedSize + 1);
    Stream good;
    good.U32(1).Stored(data).End();
    std::vector<std::pair<Bytes, ChunkStreamResult>> cases = {
        {Stream().U32(1).Byte(7).End().bytes, kStreamBadRecordType},
        {Stream().U32(1).Stored(Pattern(65537)).End().bytes, kStreamBadRecordSize},
        {Stream().U32(1).Compressed(65537, Zlib(data)).End().bytes, kStreamBadRecordSize},
        {Stream().U32(1).Compressed(0, Zlib(data)).End().bytes, kStreamBadRecordSize},
        {Stream().U32(1).Compressed(100, padded).End().bytes, kStreamBadRecordSize}};
    for (size_t cut = 0; cut < good.bytes.size(); ++cut)
        cases.push_back({Bytes(good.bytes.begin(), good.bytes.begin() + cut), kStreamTruncated});
    for (const auto& [bytes, expected] : cases) {
        StreamMeasure m = {};
        EXPECT_EQ(StreamRun(bytes).Measure(&m), expected) << bytes.size();
        EXPECT_EQ(StreamRun(bytes).Run(), expected) << bytes.size();
    }
}

}  // namespace
