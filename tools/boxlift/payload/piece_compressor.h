// One piece of the package into a zlib stream the launcher can inflate, or
// nothing when it is better stored.
#pragma once

#include "base/bytes.h"
#include "payload/pack_options.h"

struct libdeflate_compressor;

namespace boxlift {

// Compresses pieces at one level. It keeps libdeflate's compressor from
// piece to piece (a large one takes long to set up), so each thread uses
// its own.
class PieceCompressor {
public:
    explicit PieceCompressor(int level = kDefaultLevel);
    ~PieceCompressor();
    PieceCompressor(const PieceCompressor&) = delete;
    PieceCompressor& operator=(const PieceCompressor&) = delete;

    // The piece's zlib stream, or empty when the piece should be stored:
    // its bytes look incompressible, or compression does not make it
    // smaller. A stream holding a fixed-Huffman block is made again with
    // zlib, and the piece stored when that one holds one too.
    Bytes Compress(ByteView piece);
    // The piece's record: compressed, or stored where Compress gives nothing.
    Bytes Record(ByteView piece);

private:
    libdeflate_compressor* compressor_;
};

// PieceCompressor(level).Compress(piece), for a single piece.
Bytes CompressPiece(ByteView piece, int level = kDefaultLevel);

}  // namespace boxlift
