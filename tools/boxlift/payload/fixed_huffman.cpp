// Finding fixed-Huffman blocks in a zlib stream. Launchers in the field may
// refuse them, so the tool makes such a stream again with another encoder,
// or stores the piece, rather than ship one.
//
// zlib's inflate(Z_BLOCK) stops at every block boundary, right after the
// zlib header too, and reports in data_type how many bits of the last byte
// it took are still unread. The next block's three header bits (BFINAL,
// then BTYPE, least significant bit first) start there.
#include <zlib.h>

#include <array>
#include <climits>
#include <optional>
#include <string>

#include "base/error.h"
#include "payload/fixed_huffman.h"

namespace boxlift {
namespace {

constexpr int kAtBlockBoundary = 128;  // data_type: stopped before a block
constexpr int kLastBlockSeen = 64;     // data_type: BFINAL already read
constexpr int kUnreadBitsMask = 7;     // data_type: unread bits in next_in[-1]
constexpr unsigned kFixedBlockType = 1;

class Inflater {
public:
    explicit Inflater(ByteView stream) {
        if (stream.size() > UINT_MAX) throw Error("zlib stream too large");
        if (inflateInit(&z_) != Z_OK) throw Error("zlib: inflateInit failed");
        z_.next_in = const_cast<Bytef*>(stream.data());
        z_.avail_in = static_cast<uInt>(stream.size());
    }
    ~Inflater() { inflateEnd(&z_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates up to the next block boundary (or as far as the sink
    // allows); false once the stream has ended.
    bool Step() {
        z_.next_out = sink_.data();
        z_.avail_out = static_cast<uInt>(sink_.size());
        int status = inflate(&z_, Z_BLOCK);
        if (status == Z_STREAM_END) return false;
        if (status != Z_OK)
            throw Error(std::string("not a complete zlib stream: ") +
                        (z_.msg ? z_.msg : "it ends early"));
        return true;
    }

    bool BeforeBlockHeader() const {
        return (z_.data_type & kAtBlockBoundary) && !(z_.data_type & kLastBlockSeen);
    }

    // The three header bits of the block about to start, when the input
    // holds them yet.
    std::optional<unsigned> PeekBlockHeader() const {
        unsigned unread = z_.data_type & kUnreadBitsMask;
        unsigned bits = unread ? z_.next_in[-1] >> (8 - unread) : 0;
        if (unread < 3) {
            if (z_.avail_in == 0) return std::nullopt;
            bits |= unsigned{z_.next_in[0]} << unread;
        }
        return bits & 7;
    }

private:
    z_stream z_{};
    std::array<Bytef, 16384> sink_{};
};

}  // namespace

bool HasFixedHuffmanBlock(ByteView zlibStream) {
    // Only block headers matter, and a block is inflated only to find where
    // the next one starts. The first block's header starts the byte after
    // the two-byte zlib header (no preset dictionary): when that block is
    // the last one, or is itself fixed, its header alone answers.
    constexpr std::uint8_t kPresetDictionary = 0x20;  // FDICT, in the second byte
    if (zlibStream.size() > 2 && !(zlibStream[1] & kPresetDictionary)) {
        const unsigned first = zlibStream[2] & 7;
        if ((first >> 1) == kFixedBlockType) return true;
        if (first & 1) return false;  // BFINAL: the only block
    }
    Inflater inflater(zlibStream);
    while (inflater.Step()) {
        if (!inflater.BeforeBlockHeader()) continue;
        std::optional<unsigned> header = inflater.PeekBlockHeader();
        if (header && (*header >> 1) == kFixedBlockType) return true;
        if (header && (*header & 1)) return false;  // the last block: no need to inflate it
    }
    return false;
}

}  // namespace boxlift
