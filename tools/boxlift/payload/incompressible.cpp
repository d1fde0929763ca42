// Recognising pieces that deflate will not shrink, such as the cabinets'
// already compressed files, before spending a compressor's time on them.
//
// Without matches deflate cannot code a piece in fewer bits than its byte
// frequencies' entropy. When that bound is within a quarter of a percent
// of storing it (three tenths), a block header eats most of the rest. Integer arithmetic only, so
// that every build of the tool decides alike.
#include <array>
#include <bit>

#include "payload/incompressible.h"

namespace boxlift {
namespace {

constexpr int kFractionBits = 16;

// log2(x) in units of 2^-16, for x >= 1: the integer part from the bit
// width, the fraction bit by bit by squaring the mantissa.
std::uint64_t Log2Fixed(std::uint32_t x) {
    constexpr int kScale = 31;  // mantissa 1.0 = 2^31
    const int whole = std::bit_width(x) - 1;
    std::uint64_t mantissa = (std::uint64_t{x} << kScale) >> whole;
    std::uint64_t result = std::uint64_t(whole) << kFractionBits;
    for (int bit = kFractionBits - 1; bit >= 0; --bit) {
        mantissa = (mantissa * mantissa) >> kScale;
        if (mantissa >= (std::uint64_t{2} << kScale)) {
            mantissa >>= 1;
            result |= std::uint64_t{1} << bit;
        }
    }
    return result;
}

}  // namespace

bool LooksIncompressible(ByteView piece) {
    if (piece.empty()) return false;
    std::array<std::uint32_t, 256> counts{};
    for (std::uint8_t byte : piece) ++counts[byte];
    const auto n = static_cast<std::uint32_t>(piece.size());
    // Entropy bits = n log2 n - sum c log2 c, in units of 2^-16 bits.
    std::uint64_t sumCLogC = 0;
    for (std::uint32_t c : counts)
        if (c > 1) sumCLogC += c * Log2Fixed(c);
    const std::uint64_t bits = n * Log2Fixed(n) - sumCLogC;
    const std::uint64_t storedBits = std::uint64_t{n} * 8 << kFractionBits;
    return bits * 1000 >= storedBits * 997;
}

}  // namespace boxlift
