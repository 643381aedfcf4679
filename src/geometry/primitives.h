// The system's only geometry: three plain value records and pure functions on them.
// Planar: x and y take part, z is carried from the input each function names.
// Angles in radians, counter-clockwise from +X. Tolerances are absolute drawing units.
#pragma once

#include <optional>
#include <vector>

namespace tarsel::geometry {

struct TAcadPoint {
    double x = 0;  // drawing units
    double y = 0;
    double z = 0;
    friend bool operator==(const TAcadPoint&, const TAcadPoint&) = default;
};

struct TAcadLine {
    TAcadPoint st;
    TAcadPoint ed;
    friend bool operator==(const TAcadLine&, const TAcadLine&) = default;
};

// Points in the order the triangle was produced; orientation is never normalised.
struct TAcadTriangle {
    TAcadPoint p1;
    TAcadPoint p2;
    TAcadPoint p3;
    friend bool operator==(const TAcadTriangle&, const TAcadTriangle&) = default;
};

inline constexpr double kHalfPi = 1.5707963267948966;
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kThreeHalfPi = 4.71238898038469;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kDegToRad = 0.017453292519943295;

[[nodiscard]] TAcadPoint PolarPoint(const TAcadPoint& base, double angle, double distance);
[[nodiscard]] double PointDistance(const TAcadPoint& a, const TAcadPoint& b);
[[nodiscard]] double PointAngle(const TAcadPoint& from, const TAcadPoint& to);
// Intersection of the lines p1-p2 and p3-p4; with segmentsOnly both parameters must lie in
// [1e-12, 1]. nullopt when parallel (|D| <= 1e-12) or outside the segments.
[[nodiscard]] std::optional<TAcadPoint> LineIntersection(const TAcadPoint& p1, const TAcadPoint& p2,
                                                         const TAcadPoint& p3, const TAcadPoint& p4,
                                                         bool segmentsOnly);
[[nodiscard]] double AreaFromSides(double a, double b, double c);

struct FootResult {
    bool ok = false;                 // the foot exists (and, when asked, lies on the segment)
    std::optional<TAcadPoint> foot;  // written whenever the lines meet, even if !ok
};
[[nodiscard]] FootResult PerpendicularFoot(const TAcadPoint& p, const TAcadPoint& a,
                                           const TAcadPoint& b, bool onSegmentOnly);
[[nodiscard]] bool IsPointOnSegment(const TAcadPoint& p, const TAcadPoint& a, const TAcadPoint& b);
[[nodiscard]] bool IsSamePoint(const TAcadPoint& p, const TAcadPoint& q, double tolerance);
[[nodiscard]] double VertexAngle(const TAcadPoint& p, const TAcadPoint& v, const TAcadPoint& q);

// The turn a -> b -> c, decided exactly for finite coordinates: the sign of
// (b - a) x (c - a). Doubles first; when the result lies within the rounding-error bound,
// the six products are summed without rounding. Non-finite input counts as collinear.
enum class Turn { Clockwise = -1, Collinear = 0, CounterClockwise = 1 };
[[nodiscard]] Turn Orientation(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c);

struct ApexResult {
    int result = 0;    // 2: two apexes; 1: apex on the base; 0: no triangle
    TAcadPoint apex1;  // left of p1->p2 (meaningful for result 2 only)
    TAcadPoint apex2;  // right of p1->p2
};
[[nodiscard]] ApexResult TriangleApex(const TAcadPoint& p1, double a, const TAcadPoint& p2,
                                      double b);

// The intersection of the bisectors at a and c; nullopt for a degenerate triangle, so that no
// caller writes a label at an undefined point: when the bisector lines count as parallel, and
// when the corners are collinear as far as double arithmetic can tell (the orientation
// determinant lies within its own rounding-error bound). A triangle whose area is certainly
// above rounding noise always gets its point, however thin.
[[nodiscard]] std::optional<TAcadPoint> TriangleIncenter(const TAcadPoint& a, const TAcadPoint& b,
                                                         const TAcadPoint& c);
[[nodiscard]] TAcadPoint MidPoint(const TAcadPoint& a, const TAcadPoint& b);
[[nodiscard]] bool LineListContains(const TAcadPoint& a, const TAcadPoint& b,
                                    const std::vector<TAcadLine>& lines, int count,
                                    double tolerance);

}  // namespace tarsel::geometry
