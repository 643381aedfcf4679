// The curve kernel: plane points and boxes, straight and circular pieces (from two points,
// from a centre and angles, from a polyline segment's bulge), where two pieces cross, and
// how far a point lies from a piece. The boundary trace, its spatial index and the
// selection hit tests all work on these, so a bulge or a crossing means the same everywhere.
// Angles in radians, counter-clockwise from +X; tolerances in drawing units.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace tarsel::geometry {

// A point of the plane, or the vector between two.
struct PlanarPoint {
    double x = 0;  // drawing units
    double y = 0;
    friend bool operator==(const PlanarPoint&, const PlanarPoint&) = default;
};

[[nodiscard]] inline PlanarPoint operator-(PlanarPoint a, PlanarPoint b) {
    return {a.x - b.x, a.y - b.y};
}
// z of the 3D cross product: positive when b lies counter-clockwise of a.
[[nodiscard]] inline double Cross(PlanarPoint a, PlanarPoint b) {
    return a.x * b.y - a.y * b.x;
}
[[nodiscard]] inline double Dot(PlanarPoint a, PlanarPoint b) {
    return a.x * b.x + a.y * b.y;
}
// sqrt(dx^2 + dy^2): the cheaper form, for the trace's many comparisons.
[[nodiscard]] inline double Distance(PlanarPoint a, PlanarPoint b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}
// hypot: no overflow or underflow in the squares, for lengths of arbitrary vectors.
[[nodiscard]] inline double Length(PlanarPoint v) {
    return std::hypot(v.x, v.y);
}

struct PlanarBox {
    double minX = 0;
    double minY = 0;
    double maxX = 0;
    double maxY = 0;

    [[nodiscard]] static PlanarBox Around(PlanarPoint p, double halfSize) {
        return {p.x - halfSize, p.y - halfSize, p.x + halfSize, p.y + halfSize};
    }
    [[nodiscard]] PlanarBox Expanded(double d) const {
        return {minX - d, minY - d, maxX + d, maxY + d};
    }
    [[nodiscard]] bool Intersects(const PlanarBox& o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
    [[nodiscard]] bool Contains(const PlanarBox& o) const {
        return minX <= o.minX && o.maxX <= maxX && minY <= o.minY && o.maxY <= maxY;
    }
    [[nodiscard]] bool Contains(PlanarPoint p) const {
        return minX <= p.x && p.x <= maxX && minY <= p.y && p.y <= maxY;
    }
    void Include(const PlanarBox& o);
    void Include(PlanarPoint p);
};

// a reduced to [0, 2 pi).
[[nodiscard]] double NormalizeAngle(double a);
// Offset of angle a from a0 in the direction of travel (sign of sweep), in [0, 2 pi).
[[nodiscard]] double SweepOffset(double a0, double a, double sweep);

enum class CurveKind : std::uint8_t { Line, Arc };

// One straight or circular piece, parametrised by t in [0, 1] from start to end. Arcs run
// from startAngle through sweep radians (positive counter-clockwise), so a polyline segment
// with a negative bulge stays in its own direction.
struct CurvePiece {
    std::int64_t owner = 0;  // the caller's id for what the piece came from
    CurveKind kind = CurveKind::Line;
    PlanarPoint start;
    PlanarPoint end;
    PlanarPoint center;     // arcs only
    double radius = 0;      // arcs only, drawing units
    double startAngle = 0;  // arcs only, radians
    double sweep = 0;       // arcs only, radians, 0 < |sweep| <= 2 pi
    PlanarBox box;          // tight bounds

    [[nodiscard]] PlanarPoint PointAt(double t) const;
    [[nodiscard]] bool IsFullCircle() const;
};

[[nodiscard]] CurvePiece MakeLinePiece(PlanarPoint a, PlanarPoint b, std::int64_t owner = 0);
[[nodiscard]] CurvePiece MakeArcPiece(PlanarPoint center, double radius, double startAngle,
                                      double sweep, std::int64_t owner = 0);
// The segment a-b of a polyline with its bulge (tan of a quarter of the included angle,
// positive counter-clockwise); a straight piece for bulge 0 or a zero-length chord. The
// ends are a and b exactly, not recomputed from the circle.
[[nodiscard]] CurvePiece MakeBulgePiece(PlanarPoint a, PlanarPoint b, double bulge,
                                        std::int64_t owner = 0);
// The counter-clockwise sweep of an arc entity from startAngle to endAngle, in (0, 2 pi]:
// equal angles (modulo a turn) give the whole circle.
[[nodiscard]] double CounterClockwiseSweep(double startAngle, double endAngle);

// Where point q falls on an arc: its parameter in [0, 1] when within the arc's span (with
// an angular allowance of tolerance / radius at the ends), or a negative value when not.
[[nodiscard]] double ArcParameter(const CurvePiece& arc, PlanarPoint q, double tolerance);

struct PieceProjection {
    double distance = 0;  // from the point to the nearest point of the piece
    double t = 0;         // parameter of that nearest point
};
[[nodiscard]] PieceProjection Project(const CurvePiece& piece, PlanarPoint q);

struct PieceCrossing {
    double ta = 0;  // parameter on the first piece
    double tb = 0;  // parameter on the second piece
    PlanarPoint at;
};
// Appends the points where a and b cross or touch within tolerance. Parallel segments and
// arcs of one circle meet only through their ends and yield nothing here.
void PieceCrossings(const CurvePiece& a, const CurvePiece& b, double tolerance,
                    std::vector<PieceCrossing>& out);

}  // namespace tarsel::geometry
