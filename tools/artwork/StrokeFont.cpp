#include "tools/artwork/StrokeFont.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace art {

namespace {

// Grid units, y up from the baseline. Capitals reach 100, lower case 72, ascenders 104;
// round letters overshoot both by one unit so that they look as tall as flat ones.
struct Stroke {
    bool arc = false;
    int x0 = 0;  // a line's ends, or an arc's centre and radii
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    int fromDeg = 0;
    int toDeg = 0;
};

constexpr Stroke L(int x0, int y0, int x1, int y1) {
    return {false, x0, y0, x1, y1, 0, 0};
}

constexpr Stroke Dot(int x, int y) {
    return L(x, y, x, y);
}

constexpr Stroke A(int cx, int cy, int rx, int ry, int fromDeg, int toDeg) {
    return {true, cx, cy, rx, ry, fromDeg, toDeg};
}

// Strokes span x = 0..width; the bearings are the room kept beside the ink, smaller beside
// round or open sides so that the spaces between letters look alike.
struct Glyph {
    char c;
    int width;
    int leftBearing;
    int rightBearing;
    std::vector<Stroke> strokes;
};

const std::vector<Glyph>& Glyphs() {
    static const std::vector<Glyph> glyphs = {
        {' ', 24, 0, 0, {}},
        {'C', 82, 6, 4, {A(48, 50, 48, 51, 45, 315)}},
        {'P',
         56,
         10,
         6,
         {L(0, 0, 0, 100), L(0, 100, 30, 100), A(30, 74, 26, 26, -90, 90), L(30, 48, 0, 48)}},
        {'Q', 92, 6, 6, {A(46, 50, 46, 51, 0, 360), L(62, 24, 90, -8)}},
        {'a', 62, 6, 10, {A(31, 36, 31, 37, 0, 360), L(62, 72, 62, 0)}},
        {'e', 70, 6, 6, {A(35, 36, 35, 37, 0, 320), L(0, 36, 70, 36)}},
        {'i', 0, 10, 10, {L(0, 0, 0, 72), Dot(0, 103)}},
        {'l', 0, 10, 10, {L(0, 0, 0, 104)}},
        {'n', 56, 10, 10, {L(0, 0, 0, 72), A(28, 44, 28, 29, 0, 180), L(56, 44, 56, 0)}},
        {'o', 70, 6, 6, {A(35, 36, 35, 37, 0, 360)}},
        {'r', 44, 10, 2, {L(0, 0, 0, 72), A(26, 44, 26, 29, 45, 180)}},
        {'t', 40, 3, 3, {L(14, 96, 14, 18), A(32, 18, 18, 19, 180, 300), L(0, 72, 38, 72)}},
        {'u', 56, 10, 10, {L(0, 72, 0, 28), A(28, 28, 28, 29, 180, 360), L(56, 72, 56, 0)}},
    };
    return glyphs;
}

const Glyph& GlyphFor(char c) {
    const auto& glyphs = Glyphs();
    const auto it =
        std::find_if(glyphs.begin(), glyphs.end(), [c](const Glyph& g) { return g.c == c; });
    if (it == glyphs.end()) {
        throw std::invalid_argument(std::string("the artwork font has no glyph for '") + c + "'");
    }
    return *it;
}

// Grid units to fixed point: the ink from the pen's top (100 + weight / 2) to its bottom
// (-weight / 2) spans the style's cap height.
class CGridMap {
public:
    CGridMap(Point topLeft, const TextStyle& style)
        : m_origin(topLeft),
          m_cap(style.capHeight),
          m_span(100 + style.weight),
          m_top(2 * 100 + style.weight) {}

    Fixed Length(std::int64_t units) const { return Round(units * m_cap, m_span); }
    // x counts from the ink's left edge; y is doubled to keep the half-pen exact.
    Point At(std::int64_t x, std::int64_t y) const {
        return {m_origin.x + Length(x), m_origin.y + Round((m_top - 2 * y) * m_cap, 2 * m_span)};
    }

private:
    static Fixed Round(std::int64_t a, std::int64_t b) {
        return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
    }
    Point m_origin;
    Fixed m_cap;
    std::int64_t m_span;
    std::int64_t m_top;
};

void AddGlyph(std::vector<Shape>& parts, const Glyph& glyph, std::int64_t left, const CGridMap& map,
              const TextStyle& style) {
    const Fixed pen = map.Length(style.weight);
    for (const Stroke& s : glyph.strokes) {
        // Skeleton x = 0 sits half a pen inside the ink's left edge.
        const std::int64_t x = left + style.weight / 2;
        if (s.arc) {
            parts.push_back(Arc(map.At(x + s.x0, s.y0), map.Length(s.x1), map.Length(s.y1),
                                s.fromDeg, s.toDeg, pen));
        } else {
            parts.push_back(Line(map.At(x + s.x0, s.y0), map.At(x + s.x1, s.y1), pen));
        }
    }
}

// Grid x of each glyph's ink left edge, and of the last glyph's ink right edge.
std::vector<std::int64_t> InkLefts(std::string_view text, const TextStyle& style) {
    std::vector<std::int64_t> lefts;
    std::int64_t pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = GlyphFor(text[i]);
        if (i > 0) {
            pen += glyph.leftBearing;
        }
        lefts.push_back(pen);
        pen += glyph.width + style.weight + glyph.rightBearing + style.tracking;
        if (i + 1 == text.size()) {
            pen -= glyph.rightBearing + style.tracking;
        }
    }
    lefts.push_back(pen);
    return lefts;
}

}  // namespace

bool HasGlyph(char c) {
    const auto& glyphs = Glyphs();
    return std::any_of(glyphs.begin(), glyphs.end(), [c](const Glyph& g) { return g.c == c; });
}

Shape TextShape(std::string_view text, Point topLeft, const TextStyle& style) {
    const CGridMap map(topLeft, style);
    const auto lefts = InkLefts(text, style);
    std::vector<Shape> parts;
    for (size_t i = 0; i < text.size(); ++i) {
        AddGlyph(parts, GlyphFor(text[i]), lefts[i], map, style);
    }
    return Union(std::move(parts));
}

Fixed TextWidth(std::string_view text, const TextStyle& style) {
    if (text.empty()) {
        return 0;
    }
    return CGridMap({0, 0}, style).Length(InkLefts(text, style).back());
}

}  // namespace art
