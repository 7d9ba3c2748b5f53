#include "tools/artwork/Logo.h"

#include <cmath>

namespace art {

namespace {

constexpr Rgb kInnerTop{66, 142, 210};
constexpr Rgb kInnerBottom{36, 96, 152};

}  // namespace

Shape ShieldShape(double x, double y, double width, double height) {
    const Fixed x0 = F(x);
    const Fixed y0 = F(y);
    const Fixed x1 = F(x + width);
    const Fixed y1 = F(y + height);
    const Fixed yMid = F(y + height * 0.42);
    const Fixed corner = F(width * 0.16);
    // Each lower side is an arc of the circle that is tangent to the straight side at yMid
    // and passes through the bottom point: radius (a^2 + d^2) / 2a for half-width a and
    // depth d.
    const Fixed a = (x1 - x0) / 2;
    const Fixed d = y1 - yMid;
    const Fixed radius = (a * a + d * d) / (2 * a);
    const Shape upper = Intersect(RoundedRect({x0, y0}, {x1, yMid + 2 * corner}, corner),
                                  Rect({x0, y0}, {x1, yMid}));
    const Shape lower =
        Intersect(Intersect(Disc({x0 + radius, yMid}, radius), Disc({x1 - radius, yMid}, radius)),
                  Rect({x0, yMid}, {x1, y1}));
    return Union({upper, lower});
}

Shape ShieldCheck(double x, double y, double width, double height, double stroke) {
    return Polyline({P(x + width * 0.29, y + height * 0.45), P(x + width * 0.45, y + height * 0.60),
                     P(x + width * 0.72, y + height * 0.31)},
                    F(stroke));
}

void DrawLogo(CImage& image, double x, double y, double width, double height, LogoStyle style) {
    const Shape outer = ShieldShape(x, y, width, height);
    const int top = static_cast<int>(std::floor(y));
    const int bottom = static_cast<int>(std::ceil(y + height));
    // The rim is about 6% of the width; the inner field's point sits higher so the rim looks
    // as wide at the point as on the sides.
    const double rim = width * 0.065;
    const Shape inner = ShieldShape(x + rim, y + rim, width - 2 * rim, height - 2.6 * rim);
    switch (style) {
        case LogoStyle::kOnDark:
            image.Fill(*outer, Paint::Vertical(top, palette::kWhite, bottom, palette::kLightBlue));
            image.Fill(*inner,
                       Paint::Vertical(top, Rgb{236, 244, 251}, bottom, Rgb{196, 217, 240}));
            image.Fill(*ShieldCheck(x, y, width, height, width * 0.13),
                       Paint::Vertical(top, palette::kMidBlue, bottom, palette::kDeepBlue));
            break;
        case LogoStyle::kOnLight:
            image.Fill(*outer, Paint::Solid(palette::kDeepBlue));
            image.Fill(*inner, Paint::Vertical(top, kInnerTop, bottom, kInnerBottom));
            image.Fill(ShieldCheck(x, y, width, height, width * 0.13), palette::kWhite);
            break;
        case LogoStyle::kSmall:
            image.Fill(*outer, Paint::Vertical(top, kInnerTop, bottom, palette::kDeepBlue));
            image.Fill(ShieldCheck(x, y, width, height, width * 0.17), palette::kWhite);
            break;
    }
}

}  // namespace art
