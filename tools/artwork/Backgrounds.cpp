// The dialogs' backgrounds: base colour, a soft light glow and a faint motif, both kept
// clear of the edges; and the tab container's frame.
#include <algorithm>

#include "tools/artwork/Motifs.h"
#include "tools/artwork/Pictures.h"

namespace art {

namespace {

// Decoration stays this far inside the edges, a little more than the plain edge asks.
constexpr int kInset = 12;
// About 4% of mid blue over the base: a luminance step of under 5%.
constexpr int kWatermarkAlpha = 11;

// A glow toward the lighter panel colour filling the ellipse inscribed in the box, fading
// as (1 - d^2)^2 so that it has no visible rim; outside the ellipse nothing changes.
void Glow(CImage& image, int x0, int y0, int x1, int y1) {
    const std::int64_t rx2 = x1 - x0;  // doubled radii and offsets keep the centre exact
    const std::int64_t ry2 = y1 - y0;
    const std::int64_t outside = rx2 * rx2 * ry2 * ry2;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::int64_t dx = 2 * x + 1 - (x0 + x1);
            const std::int64_t dy = 2 * y + 1 - (y0 + y1);
            const std::int64_t d2 = dx * dx * ry2 * ry2 + dy * dy * rx2 * rx2;
            if (d2 >= outside) {
                continue;
            }
            const int t = static_cast<int>((outside - d2) * 256 / outside);  // 0-256
            // At most 70% of the way to the panel colour.
            image.Set(x, y,
                      WithAlpha(MixDithered(palette::kBase, palette::kPanel, t * t * 7,
                                            256 * 256 * 10, x, y)));
        }
    }
}

Shape MotifShape(Motif motif, double right, double bottom, double size) {
    const double x = right - size;
    const double y = bottom - size;
    switch (motif) {
        case Motif::kShield:
            return ShieldMotif(x + size * 0.1, y, size * 0.8, size);
        case Motif::kGearShield:
            return GearShieldMotif(x + size * 0.1, y, size * 0.8, size);
        case Motif::kPerson:
            return PersonMotif(x + size * 0.12, y, size * 0.76, size);
        case Motif::kGroup:
            return GroupMotif(x - size * 0.2, y + size * 0.12, size * 1.2, size * 0.88);
        case Motif::kGlobe:
            return GlobeMotif(x, y, size);
        case Motif::kTags:
            return TagGridMotif(x - size * 0.1, y + size * 0.1, 2, 3, size * 0.55, size * 0.3);
        case Motif::kHouse:
            return HouseMotif(x, y + size * 0.05, size, size * 0.95);
        case Motif::kCrown:
            return CrownMotif(x, y + size * 0.2, size, size * 0.7);
        case Motif::kNone:
            break;
    }
    return Union({});
}

}  // namespace

CImage Background(const BackgroundLayout& layout) {
    CImage image(layout.width, layout.height, palette::kBase);
    const int top = layout.underBanner ? kBannerHeight : 0;
    Glow(image, kInset, top + kInset, layout.width - kInset, layout.height - kInset);
    if (layout.motif != Motif::kNone) {
        const int room = std::min(layout.width, layout.height - top) - 2 * kInset;
        const double size = room * 0.42;
        image.Fill(
            MotifShape(layout.motif, layout.width - kInset - 14, layout.height - kInset - 14, size),
            palette::kMidBlue, kWatermarkAlpha);
    }
    return image;
}

CImage TabContainer() {
    constexpr int kWidth = 491;
    constexpr int kHeight = 379;
    constexpr int kFrameRight = 477;  // inclusive pixel columns and rows of the outline
    constexpr int kFrameBottom = 378;
    CImage image(kWidth, kHeight, palette::kBase);
    const Point outerTopLeft{(kPageLeft - 1) * kSubpixel, (kPageTop - 1) * kSubpixel};
    const Point outerBottomRight{(kFrameRight + 1) * kSubpixel, (kFrameBottom + 1) * kSubpixel};
    const Point innerTopLeft{kPageLeft * kSubpixel, kPageTop * kSubpixel};
    const Point innerBottomRight{kFrameRight * kSubpixel, kFrameBottom * kSubpixel};
    const Shape inside = RoundedRect(innerTopLeft, innerBottomRight, 3 * kSubpixel);
    image.Fill(RoundedRect(outerTopLeft, outerBottomRight, 4 * kSubpixel), palette::kBorder);
    image.Fill(inside, palette::kPanel);
    // The line under the tab buttons.
    image.FillRect(kPageLeft - 1, kPageTop - 2, kFrameRight + 1, kPageTop - 1,
                   Paint::Solid(palette::kBorder));
    return image;
}

}  // namespace art
