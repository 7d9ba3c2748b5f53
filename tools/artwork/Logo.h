// The product's mark: a rounded shield with a check mark, drawn at any size from one
// description so that the banner, the icons and the block page agree.
#pragma once

#include "tools/artwork/Image.h"
#include "tools/artwork/Shape.h"

namespace art {

// Flat top with rounded corners, straight sides down to 42% of the height, then two arcs
// meeting at the bottom point. Pixel coordinates of the bounding box.
Shape ShieldShape(double x, double y, double width, double height);

// The check mark's centre line inside a shield's box, stroked at the given width.
Shape ShieldCheck(double x, double y, double width, double height, double stroke);

enum class LogoStyle {
    kOnDark,   // white and light blue shield, blue check: for the banner
    kOnLight,  // blue shield with a lighter inner field and white check
    kSmall,    // one blue field and a bold check, for 16 pixels
};

void DrawLogo(CImage& image, double x, double y, double width, double height, LogoStyle style);

}  // namespace art
