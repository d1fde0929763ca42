// Whether a zlib stream holds a fixed-Huffman deflate block, which the
// tool never ships (fixed_huffman.cpp says why).
#pragma once

#include "base/bytes.h"

namespace boxlift {

// True when the zlib stream holds a fixed-Huffman deflate block.
bool HasFixedHuffmanBlock(ByteView zlibStream);

}  // namespace boxlift
