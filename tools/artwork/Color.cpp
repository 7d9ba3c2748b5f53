#include "tools/artwork/Color.h"

namespace art {

namespace {

std::uint8_t MixChannel(int c0, int c1, int num, int den) {
    const int scaled = c0 * den + (c1 - c0) * num;  // never negative
    return static_cast<std::uint8_t>((scaled + den / 2) / den);
}

// Bayer's 4 x 4 matrix: thresholds 0-15 spread evenly over every 2 x 2 and 4 x 4 block.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

std::uint8_t DitherChannel(int c0, int c1, int num, int den, int threshold) {
    const long long scaled =
        static_cast<long long>(c0) * den + static_cast<long long>(c1 - c0) * num;
    const long long whole = scaled / den;
    const long long rest = scaled % den;  // the fraction, 0 <= rest < den
    return static_cast<std::uint8_t>(
        whole + (rest * 16 > static_cast<long long>(threshold) * den + den / 2 ? 1 : 0));
}

}  // namespace

Rgb MixDithered(Rgb c0, Rgb c1, int num, int den, int x, int y) {
    const int threshold = kBayer[y & 3][x & 3];
    return {DitherChannel(c0.r, c1.r, num, den, threshold),
            DitherChannel(c0.g, c1.g, num, den, threshold),
            DitherChannel(c0.b, c1.b, num, den, threshold)};
}

Rgb Mix(Rgb c0, Rgb c1, int num, int den) {
    return {MixChannel(c0.r, c1.r, num, den), MixChannel(c0.g, c1.g, num, den),
            MixChannel(c0.b, c1.b, num, den)};
}

}  // namespace art
