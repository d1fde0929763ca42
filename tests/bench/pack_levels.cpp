// The benchmark's packing figures over one package, held in memory:
//
//   level N BYTES SECONDS   the chunk stream at each level 1..12, on JOBS
//                           workers
//   single N BYTES SECONDS  the same at the default level on one worker
//   zlib N BYTES SECONDS    the chunk stream made the way the tool made it
//                           before libdeflate: compress2 at level N per
//                           65,536-byte piece on one thread, stored when
//                           not smaller or holding a fixed-Huffman block
//                           (N = 6 and 9)
//
// BYTES counts the whole chunk stream: chunkCount, records, end record.
// SECONDS is the best of RUNS runs.
//
//   pack_levels PACKAGE JOBS RUNS
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>

#include "base/error.h"
#include "payload/chunk_writer.h"
#include "payload/fixed_huffman.h"
#include "platform/file_io.h"

namespace {

using boxlift::Bytes;
using boxlift::ByteView;

// Runs encode RUNS times; prints "NAME N BYTES SECONDS" with the size of
// the stream it made and its shortest time.
void PrintBest(const char* name, int n, int runs, const std::function<Bytes()>& encode) {
    std::size_t size = 0;
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        size = encode().size();
        std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        best = i == 0 ? seconds.count() : std::min(best, seconds.count());
    }
    std::printf("%s %d %zu %.3f\n", name, n, size, best);
    std::fflush(stdout);
}

// The zlib stream for a piece, or empty when the piece is to be stored.
Bytes ZlibPiece(ByteView piece, int level) {
    uLongf size = compressBound(static_cast<uLong>(piece.size()));
    Bytes stream(size);
    if (compress2(stream.data(), &size, piece.data(), static_cast<uLong>(piece.size()), level) !=
        Z_OK)
        throw boxlift::Error("compress2 failed");
    stream.resize(size);
    if (stream.size() >= piece.size() || boxlift::HasFixedHuffmanBlock(stream)) return {};
    return stream;
}

Bytes ZlibChunkStream(ByteView package, int level) {
    Bytes out;
    boxlift::AppendChunkCount(out, boxlift::ChunkCount(package.size()));
    for (std::size_t at = 0; at < package.size(); at += boxlift::kPieceSize) {
        ByteView piece = package.subspan(at, std::min(boxlift::kPieceSize, package.size() - at));
        Bytes stream = ZlibPiece(piece, level);
        if (stream.empty())
            boxlift::AppendStoredRecord(out, piece);
        else
            boxlift::AppendCompressedRecord(out, static_cast<std::uint32_t>(piece.size()), stream);
    }
    boxlift::AppendEndRecord(out);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: pack_levels PACKAGE JOBS RUNS\n");
        return 2;
    }
    unsigned jobs = static_cast<unsigned>(std::atoi(argv[2]));
    int runs = std::atoi(argv[3]);
    if (jobs < 1 || runs < 1) {
        std::fprintf(stderr, "pack_levels: JOBS and RUNS must be at least 1\n");
        return 2;
    }
    try {
        const Bytes package = boxlift::ReadFileBytes(argv[1]);
        for (int level = boxlift::kMinLevel; level <= boxlift::kMaxLevel; ++level)
            PrintBest("level", level, runs, [&] {
                return boxlift::EncodeChunkStream(package, {jobs, level});
            });
        PrintBest("single", boxlift::kDefaultLevel, runs, [&] {
            return boxlift::EncodeChunkStream(package, {1, boxlift::kDefaultLevel});
        });
        for (int level : {6, 9})
            PrintBest("zlib", level, runs, [&] { return ZlibChunkStream(package, level); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pack_levels: %s\n", e.what());
        return 1;
    }
    return 0;
}
