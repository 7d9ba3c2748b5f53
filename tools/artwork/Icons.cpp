// The program icon and the warning icon, each at 16, 32 and 48 pixels on transparency.
#include "tools/artwork/Logo.h"
#include "tools/artwork/Pictures.h"

namespace art {

namespace {

constexpr Rgba kClear{0, 0, 0, 0};

CImage AppIcon(int size) {
    CImage image(size, size, kClear);
    switch (size) {
        case 16:
            DrawLogo(image, 2, 1, 12, 14, LogoStyle::kSmall);
            break;
        case 32:
            DrawLogo(image, 4, 1, 24, 30, LogoStyle::kOnLight);
            break;
        default:
            DrawLogo(image, 6, 2, 36, 44, LogoStyle::kOnLight);
            break;
    }
    return image;
}

// Where the warning icon's parts go, in pixels. The 16-pixel one is fitted to the pixel
// grid by hand: scaled down, the mark's stem and dot would run together.
struct WarningLayout {
    double apex;  // centre line of the triangle's rounded outline
    double base;
    double inset;  // of the lower corners from the sides
    double round;
    double outline;
    double stemTop;  // the exclamation mark's centre line
    double stemBottom;
    double stemWidth;
    double dotCentre;
    double dotRadius;
};

WarningLayout LayoutFor(int size) {
    if (size == 16) {
        return {2.6, 12.6, 2.2, 1.2, 1.0, 5.6, 7.9, 2.0, 11.0, 1.1};
    }
    const double s = size;
    return {s * 0.15, s * 0.83, s * 0.13, s * 0.08,  s / 24,
            s * 0.37, s * 0.57, s * 0.1,  s * 0.735, s * 0.06};
}

// An amber triangle with rounded corners and a dark exclamation mark.
CImage WarningIcon(int size) {
    CImage image(size, size, kClear);
    const WarningLayout layout = LayoutFor(size);
    const double mid = size / 2.0;
    const std::vector<Point> corners = {P(mid, layout.apex), P(layout.inset, layout.base),
                                        P(size - layout.inset, layout.base)};
    image.Fill(RoundedPolygon(corners, F(layout.round)), Rgb{186, 122, 0});
    image.Fill(*RoundedPolygon(corners, F(layout.round - layout.outline)),
               Paint::Vertical(0, Rgb{255, 206, 64}, size, Rgb{244, 164, 0}));
    const Rgb dark{44, 40, 36};
    image.Fill(Line(P(mid, layout.stemTop), P(mid, layout.stemBottom), F(layout.stemWidth)), dark);
    image.Fill(Disc(P(mid, layout.dotCentre), F(layout.dotRadius)), dark);
    return image;
}

}  // namespace

std::vector<CImage> AppIconImages() {
    return {AppIcon(16), AppIcon(32), AppIcon(48)};
}

std::vector<CImage> WarningIconImages() {
    return {WarningIcon(16), WarningIcon(32), WarningIcon(48)};
}

}  // namespace art
