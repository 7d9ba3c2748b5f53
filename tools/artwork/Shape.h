// Filled regions for the rasteriser. Coordinates are integers in sixteenths of a pixel
// (pixel (x, y) covers [x, x + 1) x [y, y + 1), y down), so every inside test is exact
// integer arithmetic and gives the same answer with any compiler. Pixel values written as
// doubles are rounded once, by P() and F().
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace art {

using Fixed = std::int64_t;
inline constexpr Fixed kSubpixel = 16;

struct Point {
    Fixed x = 0;
    Fixed y = 0;
};

// Pixels to fixed point, rounded to the nearest sixteenth. Coordinates stay within
// +-kMaxCoordinatePixels, radii within 1024 pixels and stroke widths within 256, so that
// the exact tests cannot overflow; constructors throw std::invalid_argument beyond.
inline constexpr double kMaxCoordinatePixels = 8192;
Fixed F(double px);
Point P(double x, double y);

// Half-open box [x0, x1) x [y0, y1).
struct Box {
    Fixed x0 = 0;
    Fixed y0 = 0;
    Fixed x1 = 0;
    Fixed y1 = 0;
    bool Contains(Point p) const { return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1; }
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

// The closed rectangle of points [x0, x1] x [y0, y1].
struct Area {
    Fixed x0 = 0;
    Fixed y0 = 0;
    Fixed x1 = 0;
    Fixed y1 = 0;
};

enum class Cover { kNone, kPartial, kFull };

class CShape {
public:
    virtual ~CShape() = default;
    bool Contains(Point p) const { return m_bounds.Contains(p) && Inside(p); }
    const Box& Bounds() const { return m_bounds; }
    // Whether all, none or some of the area's points are in the shape. kPartial is always a
    // safe answer; the other two must be exact. The rasteriser samples only partly covered
    // pixels, so large shapes cost little.
    Cover Classify(const Area& area) const;

protected:
    explicit CShape(Box bounds) : m_bounds(bounds) {}
    // kFull when the four corners are in the shape, which settles it for a convex shape.
    Cover FullIfCornersInside(const Area& area) const;

private:
    // Called only for points within the bounds.
    virtual bool Inside(Point p) const = 0;
    // Called only for areas that meet the bounds.
    virtual Cover ClassifyMeeting(const Area&) const { return Cover::kPartial; }
    Box m_bounds;
};

using Shape = std::shared_ptr<const CShape>;

Shape Rect(Point topLeft, Point bottomRight);
Shape RoundedRect(Point topLeft, Point bottomRight, Fixed radius);
Shape Disc(Point centre, Fixed radius);
Shape Ellipse(Point centre, Fixed rx, Fixed ry);
// Even-odd rule.
Shape Polygon(std::vector<Point> points);
// A thick segment with round ends; a zero-length one is a disc of radius width / 2.
Shape Line(Point a, Point b, Fixed width);
Shape Polyline(const std::vector<Point>& points, Fixed width);
// The polygon grown by radius on every side with round corners: its outline is traced by a
// round pen. Gives rounded silhouettes without any trigonometry.
Shape RoundedPolygon(const std::vector<Point>& points, Fixed radius);
// A stroke of the given width along an elliptic arc, swept counter-clockwise as seen on the
// screen from fromDeg to toDeg (0 = right, 90 = up; multiples of 5 degrees), with round
// ends. fromDeg == toDeg - 360 draws the whole ring.
Shape Arc(Point centre, Fixed rx, Fixed ry, int fromDeg, int toDeg, Fixed width);
// Everything on the right of the directed line a -> b as seen on the screen.
Shape HalfPlane(Point a, Point b);

Shape Union(std::vector<Shape> parts);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape from, Shape hole);

// A point on an ellipse at an angle (multiple of 5 degrees), screen orientation as for Arc.
Point PointOnEllipse(Point centre, Fixed rx, Fixed ry, int deg);

}  // namespace art
