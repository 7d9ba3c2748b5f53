// An RGBA picture with the few drawing operations the artwork needs. Shapes are
// anti-aliased by counting which of 8 x 8 sample points in a pixel they contain.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/artwork/Color.h"
#include "tools/artwork/Shape.h"

namespace art {

// A solid colour or a linear gradient between two pixel rows (or columns), clamped beyond.
struct Paint {
    enum class Direction { kNone, kVertical, kHorizontal };
    Direction direction = Direction::kNone;
    Rgb from;
    Rgb to;
    int start = 0;
    int end = 0;

    static Paint Solid(Rgb c) { return {Direction::kNone, c, c, 0, 0}; }
    static Paint Vertical(int y0, Rgb top, int y1, Rgb bottom) {
        return {Direction::kVertical, top, bottom, y0, y1};
    }
    static Paint Horizontal(int x0, Rgb left, int x1, Rgb right) {
        return {Direction::kHorizontal, left, right, x0, x1};
    }
    Rgb At(int x, int y) const;
};

inline constexpr int kSamplesPerPixel = 64;

class CImage {
public:
    CImage(int width, int height, Rgba fill);
    CImage(int width, int height, Rgb fill) : CImage(width, height, WithAlpha(fill)) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgba At(int x, int y) const { return m_pixels[Index(x, y)]; }
    void Set(int x, int y, Rgba c) { m_pixels[Index(x, y)] = c; }
    bool Opaque() const;

    // Replaces the pixels of [x0, x1) x [y0, y1), clipped to the picture.
    void FillRect(int x0, int y0, int x1, int y1, const Paint& paint);
    // Paints over the shape's coverage at the given opacity (0-255).
    void Fill(const CShape& shape, const Paint& paint, int alpha = 255);
    void Fill(const Shape& shape, Rgb colour, int alpha = 255) {
        Fill(*shape, Paint::Solid(colour), alpha);
    }
    // Copies another picture in at (x, y), clipped.
    void Paste(const CImage& source, int x, int y);

private:
    size_t Index(int x, int y) const;

    int m_width;
    int m_height;
    std::vector<Rgba> m_pixels;
};

// How many of the pixel's sample points lie in the shape: 0 to kSamplesPerPixel.
int Coverage(const CShape& shape, int x, int y);

// Straight-alpha "source over destination" with the source at opacity alpha (0-255).
Rgba Over(Rgba destination, Rgb source, int alpha);

}  // namespace art
