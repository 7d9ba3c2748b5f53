// Colours and the product's palette. Every value is an exact byte triple so that the
// pictures come out the same whichever compiler builds the program.
#pragma once

#include <cstdint>

namespace art {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Straight (not premultiplied) alpha; 255 is opaque.
struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;
    friend bool operator==(const Rgba&, const Rgba&) = default;
    Rgb Opaque() const { return {r, g, b}; }
};

inline constexpr Rgba WithAlpha(Rgb c, std::uint8_t a = 255) {
    return {c.r, c.g, c.b, a};
}

// c0 + (c1 - c0) * num / den, rounded to nearest; den > 0 and 0 <= num <= den.
Rgb Mix(Rgb c0, Rgb c1, int num, int den);
// The same with the rounding threshold taken from a 4 x 4 ordered-dither matrix at pixel
// (x, y): a gradient spanning only a few colour steps then shows no bands.
Rgb MixDithered(Rgb c0, Rgb c1, int num, int den, int x, int y);

namespace palette {
inline constexpr Rgb kBase{238, 243, 249};
inline constexpr Rgb kPanel{248, 250, 253};
inline constexpr Rgb kBorder{184, 201, 221};
inline constexpr Rgb kDeepBlue{31, 78, 121};
inline constexpr Rgb kMidBlue{46, 117, 182};
inline constexpr Rgb kLightBlue{220, 233, 246};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kMagenta{255, 0, 255};  // the check glyphs' transparent colour
}  // namespace palette

}  // namespace art
