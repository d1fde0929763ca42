// A piece into a zlib stream: libdeflate at the chosen level, zlib where
// libdeflate's stream holds a fixed-Huffman block.
#include "payload/piece_compressor.h"

#include <libdeflate.h>
#include <zlib.h>

#include <string>

#include "base/error.h"
#include "payload/chunk_writer.h"
#include "payload/fixed_huffman.h"
#include "payload/incompressible.h"

namespace boxlift {
namespace {

// zlib's best, or empty unless smaller than the piece.
Bytes ZlibPiece(ByteView piece) {
    uLongf size = compressBound(static_cast<uLong>(piece.size()));
    Bytes stream(size);
    int status = compress2(stream.data(), &size, piece.data(), static_cast<uLong>(piece.size()),
                           Z_BEST_COMPRESSION);
    if (status != Z_OK) throw Error("zlib: compress2 failed with status " + std::to_string(status));
    stream.resize(size < piece.size() ? size : 0);
    return stream;
}

}  // namespace

PieceCompressor::PieceCompressor(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (!compressor_)
        throw Error("libdeflate: cannot set up a compressor for level " + std::to_string(level));
}

PieceCompressor::~PieceCompressor() { libdeflate_free_compressor(compressor_); }

Bytes PieceCompressor::Compress(ByteView piece) {
    if (piece.empty() || LooksIncompressible(piece)) return {};
    Bytes stream(piece.size() - 1);  // smaller than the piece, or nothing
    stream.resize(libdeflate_zlib_compress(compressor_, piece.data(), piece.size(), stream.data(),
                                           stream.size()));
    if (!stream.empty() && HasFixedHuffmanBlock(stream)) stream = ZlibPiece(piece);
    if (!stream.empty() && HasFixedHuffmanBlock(stream)) return {};
    return stream;
}

Bytes PieceCompressor::Record(ByteView piece) {
    Bytes record;
    Bytes stream = Compress(piece);
    if (stream.empty())
        AppendStoredRecord(record, piece);
    else
        AppendCompressedRecord(record, static_cast<std::uint32_t>(piece.size()), stream);
    return record;
}

Bytes CompressPiece(ByteView piece, int level) { return PieceCompressor(level).Compress(piece); }

}  // namespace boxlift
