// Pictures of the HTML page a browser shows for a blocked site: the tiled background and
// the logo beside the text. The page's dark text must stay readable anywhere on them.
#include "tools/artwork/Logo.h"
#include "tools/artwork/Motifs.h"
#include "tools/artwork/Pictures.h"

namespace art {

namespace {

// Large enough that a browser window rarely shows it repeat.
constexpr int kPageWidth = 1920;
constexpr int kPageHeight = 1200;
constexpr int kBandHeight = 140;
constexpr int kWatermarkAlpha = 12;

}  // namespace

CImage BlockPageBackground(int iDivisor) {
    const int width = kPageWidth / iDivisor;
    const int height = kPageHeight / iDivisor;
    const int band = kBandHeight / iDivisor;
    const double scale = 1.0 / iDivisor;
    CImage image(width, height, palette::kWhite);
    // Light blue fading to white; the square falloff ends the band without an edge.
    for (int y = 0; y < band; ++y) {
        const int left = band - y;
        const Rgb colour = Mix(palette::kWhite, palette::kLightBlue, left * left, band * band);
        image.FillRect(0, y, width, y + 1, Paint::Solid(colour));
    }
    // Right of the text column and wholly in view from a 1366-pixel-wide window on.
    image.Fill(ShieldMotif(990 * scale, 200 * scale, 300 * scale, 370 * scale), palette::kMidBlue,
               kWatermarkAlpha);
    return image;
}

CImage BlockPageLogo() {
    CImage image(53, 48, palette::kWhite);
    DrawLogo(image, 8, 2, 37, 44, LogoStyle::kOnLight);
    return image;
}

}  // namespace art
