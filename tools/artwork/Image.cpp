#include "tools/artwork/Image.h"

#include <algorithm>
#include <stdexcept>

namespace art {

namespace {

constexpr int kSamplesPerSide = 8;

// Fixed-point coordinate of a pixel's first sample row or column; later ones follow two
// sixteenths apart, so the samples sit at the odd sixteenths.
Fixed FirstSample(int pixel) {
    return Fixed{pixel} * kSubpixel + 1;
}

// The sample points of pixels [x0, x1) x [y0, y1).
Area SampleArea(int x0, int y0, int x1, int y1) {
    return {FirstSample(x0), FirstSample(y0), FirstSample(x1 - 1) + 2 * (kSamplesPerSide - 1),
            FirstSample(y1 - 1) + 2 * (kSamplesPerSide - 1)};
}

constexpr int kTile = 8;

int FloorPixel(Fixed v) {
    return static_cast<int>(v >= 0 ? v / kSubpixel : -((-v + kSubpixel - 1) / kSubpixel));
}

}  // namespace

Rgb Paint::At(int x, int y) const {
    if (direction == Direction::kNone) {
        return from;
    }
    const int at = direction == Direction::kVertical ? y : x;
    if (at <= start || end <= start) {
        return from;
    }
    if (at >= end) {
        return to;
    }
    return Mix(from, to, at - start, end - start);
}

CImage::CImage(int width, int height, Rgba fill) : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        throw std::invalid_argument("picture size out of range");
    }
    m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

size_t CImage::Index(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        throw std::out_of_range("pixel outside the picture");
    }
    return static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x);
}

bool CImage::Opaque() const {
    return std::all_of(m_pixels.begin(), m_pixels.end(), [](Rgba c) { return c.a == 255; });
}

void CImage::FillRect(int x0, int y0, int x1, int y1, const Paint& paint) {
    for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, m_width); ++x) {
            Set(x, y, WithAlpha(paint.At(x, y)));
        }
    }
}

void CImage::Fill(const CShape& shape, const Paint& paint, int alpha) {
    const Box& bounds = shape.Bounds();
    const int px0 = std::max(FloorPixel(bounds.x0), 0);
    const int py0 = std::max(FloorPixel(bounds.y0), 0);
    const int px1 = std::min(FloorPixel(bounds.x1 - 1) + 1, m_width);
    const int py1 = std::min(FloorPixel(bounds.y1 - 1) + 1, m_height);
    // Tiles wholly in or out of the shape are settled without sampling their pixels.
    for (int ty = py0; ty < py1; ty += kTile) {
        for (int tx = px0; tx < px1; tx += kTile) {
            const int tx1 = std::min(tx + kTile, px1);
            const int ty1 = std::min(ty + kTile, py1);
            const Cover cover = shape.Classify(SampleArea(tx, ty, tx1, ty1));
            if (cover == Cover::kNone) {
                continue;
            }
            for (int y = ty; y < ty1; ++y) {
                for (int x = tx; x < tx1; ++x) {
                    const int covered =
                        cover == Cover::kFull ? kSamplesPerPixel : Coverage(shape, x, y);
                    if (covered > 0) {
                        const int a = (alpha * covered + kSamplesPerPixel / 2) / kSamplesPerPixel;
                        Set(x, y, Over(At(x, y), paint.At(x, y), a));
                    }
                }
            }
        }
    }
}

void CImage::Paste(const CImage& source, int x, int y) {
    for (int sy = 0; sy < source.Height(); ++sy) {
        for (int sx = 0; sx < source.Width(); ++sx) {
            if (x + sx >= 0 && x + sx < m_width && y + sy >= 0 && y + sy < m_height) {
                Set(x + sx, y + sy, source.At(sx, sy));
            }
        }
    }
}

int Coverage(const CShape& shape, int x, int y) {
    switch (shape.Classify(SampleArea(x, y, x + 1, y + 1))) {
        case Cover::kNone:
            return 0;
        case Cover::kFull:
            return kSamplesPerPixel;
        case Cover::kPartial:
            break;
    }
    int covered = 0;
    for (int j = 0; j < kSamplesPerSide; ++j) {
        for (int i = 0; i < kSamplesPerSide; ++i) {
            const Point sample{FirstSample(x) + 2 * i, FirstSample(y) + 2 * j};
            covered += shape.Contains(sample) ? 1 : 0;
        }
    }
    return covered;
}

Rgba Over(Rgba destination, Rgb source, int alpha) {
    if (alpha <= 0) {
        return destination;
    }
    alpha = std::min(alpha, 255);
    // Weights in units of 1/255^2: the source's, the destination's and their sum.
    const int ws = alpha * 255;
    const int wd = destination.a * (255 - alpha);
    const int sum = ws + wd;
    auto channel = [&](int s, int d) {
        return static_cast<std::uint8_t>((s * ws + d * wd + sum / 2) / sum);
    };
    return {channel(source.r, destination.r), channel(source.g, destination.g),
            channel(source.b, destination.b), static_cast<std::uint8_t>((sum + 127) / 255)};
}

}  // namespace art
