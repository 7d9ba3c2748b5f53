// The banner over every skinned screen. Only its gradient runs past kBannerArtEnd, and it
// runs vertically, so the right-hand part the program stretches stays the same.
#include <stdexcept>
#include <string>

#include "tools/artwork/Logo.h"
#include "tools/artwork/Pictures.h"
#include "tools/artwork/StrokeFont.h"

namespace art {

namespace {

constexpr int kAccentRows = 2;
constexpr double kTextLeft = 68;
const TextStyle kNameStyle{F(22), 20, 2};
const TextStyle kTaglineStyle{F(11), 16, 8};

void DrawText(CImage& image, const char* text, double top, const TextStyle& style, Rgb colour) {
    if (F(kTextLeft) + TextWidth(text, style) > F(kBannerArtEnd)) {
        throw std::logic_error(std::string("banner text too wide: ") + text);
    }
    image.Fill(TextShape(text, P(kTextLeft, top), style), colour);
}

}  // namespace

CImage Banner() {
    CImage image(kBannerWidth, kBannerHeight, palette::kDeepBlue);
    const int gradientEnd = kBannerHeight - kAccentRows;
    image.FillRect(0, 0, kBannerWidth, gradientEnd,
                   Paint::Vertical(0, palette::kDeepBlue, gradientEnd - 1, palette::kMidBlue));
    image.FillRect(0, gradientEnd, kBannerWidth, kBannerHeight, Paint::Solid(palette::kLightBlue));
    DrawLogo(image, 14, 18, 44, 54, LogoStyle::kOnDark);
    DrawText(image, "Quillon", 20, kNameStyle, palette::kWhite);
    DrawText(image, "Parental Control", 52, kTaglineStyle, palette::kLightBlue);
    return image;
}

}  // namespace art
