// Every picture the product ships, as pixels. Catalog.cpp names the files and sizes.
#pragma once

#include <vector>

#include "tools/artwork/Image.h"

namespace art {

// The skinned scroll bar, 12 pixels wide.
CImage ScrollUpButton();
CImage ScrollDownButton();
CImage ScrollTrack();
CImage ScrollThumb();

// Check-box cells of 16 x 16 on magenta, which the list draws as transparent.
inline constexpr int kCheckCell = 16;
CImage CheckGlyphs();
// The blocked (checked) and allowed (unchecked) cells on the base colour.
CImage LegendBlocked();
CImage LegendAllowed();

enum class Motif { kNone, kShield, kGearShield, kPerson, kGroup, kGlobe, kTags, kHouse, kCrown };

struct BackgroundLayout {
    int width = 0;
    int height = 0;
    bool underBanner = false;  // the banner covers the top kBannerHeight rows
    Motif motif = Motif::kNone;
};

// Pixels this close to any edge are exactly the base colour, so that a tiled background
// shows no seam.
inline constexpr int kPlainEdge = 6;
CImage Background(const BackgroundLayout& layout);

// The frame around the tab pages (they are placed at kPageLeft, kPageTop).
inline constexpr int kPageLeft = 14;
inline constexpr int kPageTop = 41;
CImage TabContainer();

inline constexpr int kBannerWidth = 271;
inline constexpr int kBannerHeight = 91;
// Columns from here to the right are identical, as the banner is stretched there.
inline constexpr int kBannerStretchFrom = 236;
// Text and logo end before this column.
inline constexpr int kBannerArtEnd = 232;
CImage Banner();

std::vector<CImage> AppIconImages();      // 16, 32 and 48 pixels
std::vector<CImage> WarningIconImages();  // 16, 32 and 48 pixels

// iDivisor 2 makes the smaller rendering that the filter puts into its pages themselves.
CImage BlockPageBackground(int iDivisor = 1);
CImage BlockPageLogo();

}  // namespace art
