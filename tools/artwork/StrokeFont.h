// The product's own lettering: a rounded monoline sans-serif whose glyphs are strokes
// (lines and elliptic arcs) on a grid where capitals are 100 units high. A stroke's
// outline is traced by a round pen, so the same glyphs give any weight.
#pragma once

#include <string_view>

#include "tools/artwork/Shape.h"

namespace art {

struct TextStyle {
    Fixed capHeight = 0;  // of the ink, pen included
    int weight = 14;      // pen width in grid units
    int tracking = 0;     // extra grid units between letters
};

// The text with the top of its capitals' ink at y and its first letter's ink starting at x.
// Throws std::invalid_argument for a character without a glyph rather than draw it wrong.
Shape TextShape(std::string_view text, Point topLeft, const TextStyle& style);

// From the first letter's ink to the last one's.
Fixed TextWidth(std::string_view text, const TextStyle& style);

bool HasGlyph(char c);

}  // namespace art
