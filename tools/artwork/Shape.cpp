#include "tools/artwork/Shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace art {

namespace {

constexpr Fixed kFar = Fixed{1} << 40;
// With coordinates within kMaxCoordinatePixels and these limits, every product in the
// inside tests fits in 64 bits.
constexpr Fixed kMaxRadius = 1024 * kSubpixel;
constexpr Fixed kMaxWidth = 256 * kSubpixel;

void CheckRadius(Fixed r) {
    if (r < 0 || r > kMaxRadius) {
        throw std::invalid_argument("radius out of range");
    }
}

void CheckWidth(Fixed w) {
    if (w < 0 || w > kMaxWidth) {
        throw std::invalid_argument("stroke width out of range");
    }
}

// Rounds a / b to nearest, halves away from zero; b > 0.
Fixed RoundDiv(Fixed a, Fixed b) {
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

Fixed Square(Fixed v) {
    return v * v;
}

// cos(5k degrees) * 65536 for k = 0..18, so that angles need no floating point.
constexpr Fixed kCos5[] = {65536, 65287, 64540, 63303, 61584, 59396, 56756, 53684, 50203, 46341,
                           42126, 37590, 32768, 27697, 22415, 16962, 11380, 5712,  0};

Fixed CosDeg(int deg) {
    if (deg % 5 != 0) {
        throw std::invalid_argument("angles are multiples of 5 degrees");
    }
    deg = ((deg % 360) + 360) % 360;
    if (deg <= 90) {
        return kCos5[deg / 5];
    }
    if (deg <= 180) {
        return -kCos5[(180 - deg) / 5];
    }
    if (deg <= 270) {
        return -kCos5[(deg - 180) / 5];
    }
    return kCos5[(360 - deg) / 5];
}

Fixed SinDeg(int deg) {
    return CosDeg(deg - 90);
}

Box BoundsOf(const std::vector<Point>& points, Fixed grow) {
    Box box{kFar, kFar, -kFar, -kFar};
    for (const Point& p : points) {
        box.x0 = std::min(box.x0, p.x - grow);
        box.y0 = std::min(box.y0, p.y - grow);
        box.x1 = std::max(box.x1, p.x + grow + 1);
        box.y1 = std::max(box.y1, p.y + grow + 1);
    }
    return box;
}

// Inside the ellipse |q| with radii rx, ry centred at the origin.
bool InEllipse(Fixed qx, Fixed qy, Fixed rx, Fixed ry) {
    if (rx <= 0 || ry <= 0) {
        return false;
    }
    return Square(qx * ry) + Square(qy * rx) <= Square(rx * ry);
}

std::array<Point, 4> Corners(const Area& area) {
    return {Point{area.x0, area.y0}, Point{area.x1, area.y0}, Point{area.x0, area.y1},
            Point{area.x1, area.y1}};
}

// The area's point nearest to p; on a separable measure such as an ellipse's it is also
// the point of least measure.
Point Nearest(const Area& area, Point p) {
    return {std::clamp(p.x, area.x0, area.x1), std::clamp(p.y, area.y0, area.y1)};
}

class CRect : public CShape {
public:
    CRect(Point a, Point b, Fixed radius)
        : CShape({a.x, a.y, b.x, b.y}),
          m_radius(std::clamp<Fixed>(radius, 0, std::min(b.x - a.x, b.y - a.y) / 2)) {}

private:
    bool Inside(Point p) const override {
        if (m_radius == 0) {
            return true;
        }
        const Box& box = Bounds();
        // The distance to the nearest corner centre matters only within a corner square.
        const Fixed cx = std::clamp(p.x, box.x0 + m_radius, box.x1 - m_radius);
        const Fixed cy = std::clamp(p.y, box.y0 + m_radius, box.y1 - m_radius);
        return Square(p.x - cx) + Square(p.y - cy) <= Square(m_radius);
    }
    Cover ClassifyMeeting(const Area& area) const override { return FullIfCornersInside(area); }
    Fixed m_radius;
};

class CEllipse : public CShape {
public:
    CEllipse(Point c, Fixed rx, Fixed ry)
        : CShape({c.x - rx, c.y - ry, c.x + rx + 1, c.y + ry + 1}), m_c(c), m_rx(rx), m_ry(ry) {}

private:
    bool Inside(Point p) const override { return InEllipse(p.x - m_c.x, p.y - m_c.y, m_rx, m_ry); }
    Cover ClassifyMeeting(const Area& area) const override {
        const Point nearest = Nearest(area, m_c);
        if (!InEllipse(nearest.x - m_c.x, nearest.y - m_c.y, m_rx, m_ry)) {
            return Cover::kNone;
        }
        return FullIfCornersInside(area);
    }
    Point m_c;
    Fixed m_rx;
    Fixed m_ry;
};

class CPolygon : public CShape {
public:
    explicit CPolygon(std::vector<Point> points)
        : CShape(BoundsOf(points, 0)), m_points(std::move(points)) {}

private:
    bool Inside(Point p) const override {
        bool inside = false;
        for (size_t i = 0, j = m_points.size() - 1; i < m_points.size(); j = i++) {
            const Point& a = m_points[j];
            const Point& b = m_points[i];
            if ((a.y > p.y) == (b.y > p.y)) {
                continue;
            }
            // Does the edge cross the ray from p to the right?
            const Fixed lhs = (p.x - a.x) * (b.y - a.y);
            const Fixed rhs = (p.y - a.y) * (b.x - a.x);
            if (b.y > a.y ? lhs < rhs : lhs > rhs) {
                inside = !inside;
            }
        }
        return inside;
    }
    // An area no edge touches is wholly inside or wholly outside.
    Cover ClassifyMeeting(const Area& area) const override {
        for (size_t i = 0, j = m_points.size() - 1; i < m_points.size(); j = i++) {
            if (EdgeMeets(m_points[j], m_points[i], area)) {
                return Cover::kPartial;
            }
        }
        return Contains({area.x0, area.y0}) ? Cover::kFull : Cover::kNone;
    }
    static bool EdgeMeets(Point a, Point b, const Area& area) {
        if (std::max(a.x, b.x) < area.x0 || std::min(a.x, b.x) > area.x1 ||
            std::max(a.y, b.y) < area.y0 || std::min(a.y, b.y) > area.y1) {
            return false;
        }
        int above = 0;
        int below = 0;
        for (const Point& c : Corners(area)) {
            const Fixed side = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            above += side > 0 ? 1 : 0;
            below += side < 0 ? 1 : 0;
        }
        return above != 4 && below != 4;
    }
    std::vector<Point> m_points;
};

// Within width / 2 of the segment a-b.
bool InCapsule(Point p, Point a, Point b, Fixed width) {
    const Fixed dx = b.x - a.x;
    const Fixed dy = b.y - a.y;
    const Fixed px = p.x - a.x;
    const Fixed py = p.y - a.y;
    const Fixed along = px * dx + py * dy;
    const Fixed length2 = dx * dx + dy * dy;
    const Fixed width2 = width * width;
    if (along <= 0) {
        return 4 * (px * px + py * py) <= width2;
    }
    if (along >= length2) {
        return 4 * (Square(p.x - b.x) + Square(p.y - b.y)) <= width2;
    }
    // Distance to the segment's line is |cross| / length; the first test rejects far
    // points before squaring, which keeps the squares within 64 bits.
    const Fixed cross = px * dy - py * dx;
    if (2 * std::abs(cross) > width * (std::abs(dx) + std::abs(dy))) {
        return false;
    }
    return 4 * cross * cross <= width2 * length2;
}

class CLine : public CShape {
public:
    CLine(Point a, Point b, Fixed width)
        : CShape(BoundsOf({a, b}, (width + 1) / 2)), m_a(a), m_b(b), m_width(width) {}

private:
    bool Inside(Point p) const override { return InCapsule(p, m_a, m_b, m_width); }
    // No point of the area is in the stroke when its centre is farther from the segment
    // than half the stroke plus half the area's diagonal (at most half its width plus
    // half its height).
    Cover ClassifyMeeting(const Area& area) const override {
        const Point centre{(area.x0 + area.x1) / 2, (area.y0 + area.y1) / 2};
        const Fixed reach = (area.x1 - area.x0) + (area.y1 - area.y0) + 2;
        if (!InCapsule(centre, m_a, m_b, m_width + reach)) {
            return Cover::kNone;
        }
        return FullIfCornersInside(area);
    }
    Point m_a;
    Point m_b;
    Fixed m_width;
};

// The band between two ellipses, limited to the sector swept counter-clockwise (on the
// screen) from direction m_from to direction m_to.
class CArcBand : public CShape {
public:
    CArcBand(Point c, Fixed rx, Fixed ry, int fromDeg, int toDeg, Fixed width)
        : CShape({c.x - rx - width, c.y - ry - width, c.x + rx + width + 1, c.y + ry + width + 1}),
          m_c(c),
          m_outerX(rx + width / 2),
          m_outerY(ry + width / 2),
          m_innerX(rx - (width - width / 2)),
          m_innerY(ry - (width - width / 2)),
          m_sweep(toDeg - fromDeg),
          m_fromX(rx * CosDeg(fromDeg)),
          m_fromY(ry * SinDeg(fromDeg)),
          m_toX(rx * CosDeg(toDeg)),
          m_toY(ry * SinDeg(toDeg)) {
        if (m_sweep <= 0 || m_sweep > 360) {
            throw std::invalid_argument("an arc sweeps more than 0 and at most 360 degrees");
        }
    }

private:
    bool Inside(Point p) const override {
        const Fixed qx = p.x - m_c.x;
        const Fixed qy = m_c.y - p.y;  // y up, as the angles are
        if (!InEllipse(qx, qy, m_outerX, m_outerY) || InEllipse(qx, qy, m_innerX, m_innerY)) {
            return false;
        }
        return InSweep(qx, qy);
    }
    bool AfterFrom(Fixed qx, Fixed qy) const { return m_fromX * qy - m_fromY * qx >= 0; }
    bool BeforeTo(Fixed qx, Fixed qy) const { return qx * m_toY - qy * m_toX >= 0; }
    bool InSweep(Fixed qx, Fixed qy) const {
        if (m_sweep == 360) {
            return true;
        }
        if (m_sweep <= 180) {
            return AfterFrom(qx, qy) && BeforeTo(qx, qy);
        }
        return AfterFrom(qx, qy) || BeforeTo(qx, qy);
    }
    // The band is not convex, so each ellipse and the sector are judged apart.
    Cover ClassifyMeeting(const Area& area) const override {
        const Point nearest = Nearest(area, m_c);
        const Fixed nx = nearest.x - m_c.x;
        const Fixed ny = m_c.y - nearest.y;
        if (!InEllipse(nx, ny, m_outerX, m_outerY)) {
            return Cover::kNone;
        }
        int inOuter = 0;
        int inInner = 0;
        int afterFrom = 0;
        int beforeTo = 0;
        for (const Point& corner : Corners(area)) {
            const Fixed qx = corner.x - m_c.x;
            const Fixed qy = m_c.y - corner.y;
            inOuter += InEllipse(qx, qy, m_outerX, m_outerY) ? 1 : 0;
            inInner += InEllipse(qx, qy, m_innerX, m_innerY) ? 1 : 0;
            afterFrom += AfterFrom(qx, qy) ? 1 : 0;
            beforeTo += BeforeTo(qx, qy) ? 1 : 0;
        }
        if (inInner == 4) {
            return Cover::kNone;
        }
        const bool inSector = m_sweep == 360 || (m_sweep <= 180 ? afterFrom == 4 && beforeTo == 4
                                                                : afterFrom == 4 || beforeTo == 4);
        const bool clearOfHole = !InEllipse(nx, ny, m_innerX, m_innerY);
        return inOuter == 4 && clearOfHole && inSector ? Cover::kFull : Cover::kPartial;
    }
    Point m_c;
    Fixed m_outerX;
    Fixed m_outerY;
    Fixed m_innerX;
    Fixed m_innerY;
    int m_sweep;
    Fixed m_fromX;
    Fixed m_fromY;
    Fixed m_toX;
    Fixed m_toY;
};

class CHalfPlane : public CShape {
public:
    CHalfPlane(Point a, Point b) : CShape({-kFar, -kFar, kFar, kFar}), m_a(a), m_b(b) {}

private:
    bool Inside(Point p) const override {
        return (m_b.x - m_a.x) * (p.y - m_a.y) - (m_b.y - m_a.y) * (p.x - m_a.x) >= 0;
    }
    Cover ClassifyMeeting(const Area& area) const override {
        int inside = 0;
        for (const Point& corner : Corners(area)) {
            inside += Inside(corner) ? 1 : 0;
        }
        return inside == 4 ? Cover::kFull : inside == 0 ? Cover::kNone : Cover::kPartial;
    }
    Point m_a;
    Point m_b;
};

class CUnion : public CShape {
public:
    explicit CUnion(std::vector<Shape> parts)
        : CShape(Enclosing(parts)), m_parts(std::move(parts)) {}

private:
    static Box Enclosing(const std::vector<Shape>& parts) {
        Box box{kFar, kFar, -kFar, -kFar};
        for (const Shape& part : parts) {
            const Box& b = part->Bounds();
            box = {std::min(box.x0, b.x0), std::min(box.y0, b.y0), std::max(box.x1, b.x1),
                   std::max(box.y1, b.y1)};
        }
        return box;
    }
    bool Inside(Point p) const override {
        return std::any_of(m_parts.begin(), m_parts.end(),
                           [p](const Shape& part) { return part->Contains(p); });
    }
    Cover ClassifyMeeting(const Area& area) const override {
        Cover result = Cover::kNone;
        for (const Shape& part : m_parts) {
            const Cover cover = part->Classify(area);
            if (cover == Cover::kFull) {
                return Cover::kFull;
            }
            if (cover == Cover::kPartial) {
                result = Cover::kPartial;
            }
        }
        return result;
    }
    std::vector<Shape> m_parts;
};

class CIntersection : public CShape {
public:
    CIntersection(Shape a, Shape b)
        : CShape(
              {std::max(a->Bounds().x0, b->Bounds().x0), std::max(a->Bounds().y0, b->Bounds().y0),
               std::min(a->Bounds().x1, b->Bounds().x1), std::min(a->Bounds().y1, b->Bounds().y1)}),
          m_a(std::move(a)),
          m_b(std::move(b)) {}

private:
    bool Inside(Point p) const override { return m_a->Contains(p) && m_b->Contains(p); }
    Cover ClassifyMeeting(const Area& area) const override {
        const Cover a = m_a->Classify(area);
        if (a == Cover::kNone) {
            return a;
        }
        const Cover b = m_b->Classify(area);
        if (b == Cover::kNone) {
            return b;
        }
        return a == Cover::kFull && b == Cover::kFull ? Cover::kFull : Cover::kPartial;
    }
    Shape m_a;
    Shape m_b;
};

class CDifference : public CShape {
public:
    CDifference(Shape from, Shape hole)
        : CShape(from->Bounds()), m_from(std::move(from)), m_hole(std::move(hole)) {}

private:
    bool Inside(Point p) const override { return m_from->Contains(p) && !m_hole->Contains(p); }
    Cover ClassifyMeeting(const Area& area) const override {
        const Cover from = m_from->Classify(area);
        if (from == Cover::kNone) {
            return from;
        }
        const Cover hole = m_hole->Classify(area);
        if (hole == Cover::kFull) {
            return Cover::kNone;
        }
        return from == Cover::kFull && hole == Cover::kNone ? Cover::kFull : Cover::kPartial;
    }
    Shape m_from;
    Shape m_hole;
};

}  // namespace

Cover CShape::Classify(const Area& area) const {
    if (area.x1 < m_bounds.x0 || area.x0 >= m_bounds.x1 || area.y1 < m_bounds.y0 ||
        area.y0 >= m_bounds.y1) {
        return Cover::kNone;
    }
    return ClassifyMeeting(area);
}

Cover CShape::FullIfCornersInside(const Area& area) const {
    const auto corners = Corners(area);
    const bool all =
        std::all_of(corners.begin(), corners.end(), [this](const Point& p) { return Contains(p); });
    return all ? Cover::kFull : Cover::kPartial;
}

Fixed F(double px) {
    if (!(std::abs(px) <= kMaxCoordinatePixels)) {  // also refuses NaN
        throw std::invalid_argument("coordinate out of range");
    }
    return static_cast<Fixed>(std::llround(px * static_cast<double>(kSubpixel)));
}

Point P(double x, double y) {
    return {F(x), F(y)};
}

Shape Rect(Point topLeft, Point bottomRight) {
    return std::make_shared<CRect>(topLeft, bottomRight, 0);
}

Shape RoundedRect(Point topLeft, Point bottomRight, Fixed radius) {
    return std::make_shared<CRect>(topLeft, bottomRight, radius);
}

Shape Disc(Point centre, Fixed radius) {
    CheckRadius(radius);
    return std::make_shared<CEllipse>(centre, radius, radius);
}

Shape Ellipse(Point centre, Fixed rx, Fixed ry) {
    CheckRadius(rx);
    CheckRadius(ry);
    return std::make_shared<CEllipse>(centre, rx, ry);
}

Shape Polygon(std::vector<Point> points) {
    if (points.size() < 3) {
        throw std::invalid_argument("a polygon needs three points");
    }
    return std::make_shared<CPolygon>(std::move(points));
}

Shape Line(Point a, Point b, Fixed width) {
    CheckWidth(width);
    return std::make_shared<CLine>(a, b, width);
}

Shape Polyline(const std::vector<Point>& points, Fixed width) {
    std::vector<Shape> parts;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        parts.push_back(Line(points[i], points[i + 1], width));
    }
    return Union(std::move(parts));
}

Shape RoundedPolygon(const std::vector<Point>& points, Fixed radius) {
    std::vector<Shape> parts{Polygon(points)};
    for (size_t i = 0; i < points.size(); ++i) {
        parts.push_back(Line(points[i], points[(i + 1) % points.size()], 2 * radius));
    }
    return Union(std::move(parts));
}

Shape Arc(Point centre, Fixed rx, Fixed ry, int fromDeg, int toDeg, Fixed width) {
    CheckRadius(rx);
    CheckRadius(ry);
    CheckWidth(width);
    auto band = std::make_shared<CArcBand>(centre, rx, ry, fromDeg, toDeg, width);
    if (toDeg - fromDeg == 360) {
        return band;
    }
    const Point start = PointOnEllipse(centre, rx, ry, fromDeg);
    const Point end = PointOnEllipse(centre, rx, ry, toDeg);
    return Union({band, Line(start, start, width), Line(end, end, width)});
}

Shape HalfPlane(Point a, Point b) {
    return std::make_shared<CHalfPlane>(a, b);
}

Shape Union(std::vector<Shape> parts) {
    if (parts.size() == 1) {
        return parts.front();
    }
    return std::make_shared<CUnion>(std::move(parts));
}

Shape Intersect(Shape a, Shape b) {
    return std::make_shared<CIntersection>(std::move(a), std::move(b));
}

Shape Subtract(Shape from, Shape hole) {
    return std::make_shared<CDifference>(std::move(from), std::move(hole));
}

Point PointOnEllipse(Point centre, Fixed rx, Fixed ry, int deg) {
    return {centre.x + RoundDiv(rx * CosDeg(deg), 65536),
            centre.y - RoundDiv(ry * SinDeg(deg), 65536)};
}

}  // namespace art
