#include "tools/artwork/Motifs.h"

#include <vector>

#include "tools/artwork/Logo.h"

namespace art {

Shape ShieldMotif(double x, double y, double width, double height) {
    return Subtract(ShieldShape(x, y, width, height),
                    ShieldCheck(x, y, width, height, width * 0.12));
}

namespace {

// Eight teeth, each 20 degrees wide at the tip and 30 at the root.
Shape Gear(double cx, double cy, double radius) {
    const Point centre = P(cx, cy);
    const Fixed outer = F(radius);
    const Fixed root = F(radius * 0.76);
    std::vector<Point> outline;
    for (int tooth = 0; tooth < 8; ++tooth) {
        const int at = tooth * 45;
        outline.push_back(PointOnEllipse(centre, root, root, at - 15));
        outline.push_back(PointOnEllipse(centre, outer, outer, at - 10));
        outline.push_back(PointOnEllipse(centre, outer, outer, at + 10));
        outline.push_back(PointOnEllipse(centre, root, root, at + 15));
    }
    return Subtract(Polygon(outline), Disc(centre, F(radius * 0.36)));
}

}  // namespace

Shape GearShieldMotif(double x, double y, double width, double height) {
    return Subtract(ShieldShape(x, y, width, height),
                    Gear(x + width / 2, y + height * 0.45, width * 0.3));
}

Shape PersonMotif(double x, double y, double width, double height) {
    const double cx = x + width / 2;
    const double head = height * 0.21;
    const double bodyTop = y + height * 0.50;
    const Shape body =
        Intersect(Ellipse(P(cx, y + height), F(width / 2), F(height - bodyTop + y)),
                  RoundedRect(P(x, bodyTop), P(x + width, y + height), F(width * 0.12)));
    return Union({Disc(P(cx, y + head), F(head)), body});
}

Shape GroupMotif(double x, double y, double width, double height) {
    const double sideWidth = width * 0.36;
    const double sideHeight = height * 0.78;
    const double frontWidth = width * 0.46;
    const double frontX = x + (width - frontWidth) / 2;
    const Shape front = PersonMotif(frontX, y + height * 0.08, frontWidth, height * 0.92);
    // The people behind keep a small gap around the one in front.
    const double gap = width * 0.035;
    const Shape frontWithGap =
        Union({PersonMotif(frontX - gap, y + height * 0.08 - gap, frontWidth + 2 * gap,
                           height * 0.92 + 2 * gap),
               Rect(P(frontX - gap, y + height * 0.6), P(frontX + frontWidth + gap, y + height))});
    const Shape behind =
        Union({PersonMotif(x, y + height - sideHeight, sideWidth, sideHeight),
               PersonMotif(x + width - sideWidth, y + height - sideHeight, sideWidth, sideHeight)});
    return Union({front, Subtract(behind, frontWithGap)});
}

Shape GlobeMotif(double x, double y, double size) {
    const double r = size / 2;
    const double cx = x + r;
    const double cy = y + r;
    const double stroke = size * 0.035;
    const double inner = r - stroke / 2;
    const std::vector<Shape> lines = {
        Arc(P(cx, cy), F(inner), F(inner), 0, 360, F(stroke)),
        Arc(P(cx, cy), F(inner * 0.45), F(inner), 0, 360, F(stroke)),
        Line(P(cx, cy - inner), P(cx, cy + inner), F(stroke)),
        Line(P(cx - inner, cy), P(cx + inner, cy), F(stroke)),
        Line(P(cx - inner, cy - inner * 0.5), P(cx + inner, cy - inner * 0.5), F(stroke)),
        Line(P(cx - inner, cy + inner * 0.5), P(cx + inner, cy + inner * 0.5), F(stroke)),
    };
    return Intersect(Union(lines), Disc(P(cx, cy), F(r)));
}

namespace {

// A tag pointing left, with its eyelet near the point.
Shape Tag(double x, double y, double width, double height) {
    const double round = height * 0.12;
    const double x0 = x + round;
    const double y0 = y + round;
    const double x1 = x + width - round;
    const double y1 = y + height - round;
    const double tip = (y1 - y0) * 0.5;
    const Shape body = RoundedPolygon(
        {P(x0, (y0 + y1) / 2), P(x0 + tip, y0), P(x1, y0), P(x1, y1), P(x0 + tip, y1)}, F(round));
    return Subtract(body, Disc(P(x0 + tip, (y0 + y1) / 2), F(height * 0.11)));
}

}  // namespace

Shape TagGridMotif(double x, double y, int columns, int rows, double width, double height) {
    std::vector<Shape> tags;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            tags.push_back(Tag(x + column * width, y + row * height, width * 0.82, height * 0.7));
        }
    }
    return Union(std::move(tags));
}

Shape HouseMotif(double x, double y, double width, double height) {
    const double round = width * 0.04;
    const double eaves = y + height * 0.44;
    const double wallLeft = x + width * 0.16;
    const double wallRight = x + width * 0.84;
    const double bottom = y + height - round;
    const Shape outline = RoundedPolygon(
        {P(x + width / 2, y + round), P(x + width - round, eaves), P(wallRight, eaves),
         P(wallRight, bottom), P(wallLeft, bottom), P(wallLeft, eaves), P(x + round, eaves)},
        F(round));
    const Shape chimney =
        Rect(P(x + width * 0.66, y + height * 0.1), P(x + width * 0.76, y + height * 0.3));
    const Shape door = RoundedRect(P(x + width * 0.42, y + height * 0.66),
                                   P(x + width * 0.58, y + height + 1), F(width * 0.03));
    const Shape window = RoundedRect(P(x + width * 0.45, y + height * 0.33),
                                     P(x + width * 0.55, y + height * 0.45), F(width * 0.015));
    return Subtract(Subtract(Union({outline, chimney}), door), window);
}

Shape CrownMotif(double x, double y, double width, double height) {
    const double round = width * 0.03;
    const double ball = width * 0.055;
    const double top = y + ball * 2;
    const double base = y + height * 0.78;
    const Shape crown = RoundedPolygon(
        {P(x + round + ball, base), P(x + ball, top + ball), P(x + width * 0.3, y + height * 0.5),
         P(x + width / 2, top), P(x + width * 0.7, y + height * 0.5),
         P(x + width - ball, top + ball), P(x + width - round - ball, base)},
        F(round));
    const Shape band = RoundedRect(P(x + ball, y + height * 0.84), P(x + width - ball, y + height),
                                   F(height * 0.05));
    return Union({crown, band, Disc(P(x + ball, top), F(ball)),
                  Disc(P(x + width / 2, y + ball), F(ball)),
                  Disc(P(x + width - ball, top), F(ball))});
}

}  // namespace art
