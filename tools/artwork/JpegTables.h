// The example tables of the JPEG standard (ITU-T T.81 Annex K): quantisation tables and
// Huffman tables that suit ordinary photographs and pictures well enough for one pass.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace art::jpeg {

// Natural (row-major) index of each position in zig-zag order.
const std::array<int, 64>& ZigZag();

// Row-major base tables, before scaling for a quality.
extern const std::array<int, 64> kLuminanceQuant;
extern const std::array<int, 64> kChrominanceQuant;

// The base table scaled for a quality of 1-100 (50 leaves it as it is), each value
// 1-255 so that it fits an 8-bit table.
std::array<int, 64> ScaledQuant(const std::array<int, 64>& base, int quality);

// A Huffman table as DHT carries it: the number of codes of each length 1-16, then the
// symbols in order of code.
struct HuffmanTable {
    std::array<std::uint8_t, 16> counts;
    std::vector<std::uint8_t> symbols;
};

extern const HuffmanTable kDcLuminance;
extern const HuffmanTable kAcLuminance;
extern const HuffmanTable kDcChrominance;
extern const HuffmanTable kAcChrominance;

}  // namespace art::jpeg
