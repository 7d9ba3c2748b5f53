// Silhouettes for the faint watermarks of the dialog backgrounds. Each is one shape, so
// overlapping parts are painted once and the watermark's tint stays even.
#pragma once

#include "tools/artwork/Shape.h"

namespace art {

// All take the motif's bounding box in pixels.
Shape ShieldMotif(double x, double y, double width, double height);
// The shield with a gear instead of the check mark: settings kept safe.
Shape GearShieldMotif(double x, double y, double width, double height);
Shape PersonMotif(double x, double y, double width, double height);
// Three people, the middle one in front.
Shape GroupMotif(double x, double y, double width, double height);
Shape GlobeMotif(double x, double y, double size);
// Luggage-style tags in a grid of columns x rows, each cell width x height.
Shape TagGridMotif(double x, double y, int columns, int rows, double width, double height);
Shape HouseMotif(double x, double y, double width, double height);
Shape CrownMotif(double x, double y, double width, double height);

}  // namespace art
