#include "geometry/curves.h"

#include <algorithm>

#include "geometry/primitives.h"

namespace tarsel::geometry {

namespace {

void LineLine(const CurvePiece& a, const CurvePiece& b, double tol,
              std::vector<PieceCrossing>& out) {
    const PlanarPoint r = a.end - a.start;
    const PlanarPoint s = b.end - b.start;
    const double lr = std::hypot(r.x, r.y);
    const double ls = std::hypot(s.x, s.y);
    const double denom = Cross(r, s);
    // Parallel pieces meet only through their ends, which the caller's end joining handles.
    if (std::fabs(denom) <= 1e-12 * lr * ls) return;
    const PlanarPoint qp = b.start - a.start;
    const double t = Cross(qp, s) / denom;
    const double u = Cross(qp, r) / denom;
    if (t < -tol / lr || t > 1 + tol / lr || u < -tol / ls || u > 1 + tol / ls) return;
    const double tc = std::clamp(t, 0.0, 1.0);
    out.push_back({tc, std::clamp(u, 0.0, 1.0), a.PointAt(tc)});
}

void LineArc(const CurvePiece& line, const CurvePiece& arc, bool lineFirst, double tol,
             std::vector<PieceCrossing>& out) {
    const PlanarPoint r = line.end - line.start;
    const double len2 = Dot(r, r);
    const double len = std::sqrt(len2);
    const PlanarPoint f = line.start - arc.center;
    // Foot of the centre on the line, then the chord half-length around it: steadier than
    // the quadratic formula when the line passes close to the centre or nearly touches.
    const double t0 = -Dot(f, r) / len2;
    const PlanarPoint foot{line.start.x + t0 * r.x, line.start.y + t0 * r.y};
    const double d = Distance(foot, arc.center);
    if (d > arc.radius + tol) return;
    const double half = d >= arc.radius ? 0 : std::sqrt(arc.radius * arc.radius - d * d);
    const double ts[2] = {t0 - half / len, t0 + half / len};
    const int count = half == 0 ? 1 : 2;
    for (int k = 0; k < count; ++k) {
        const double t = ts[k];
        if (t < -tol / len || t > 1 + tol / len) continue;
        const double tc = std::clamp(t, 0.0, 1.0);
        const PlanarPoint at = line.PointAt(tc);
        const double u = ArcParameter(arc, at, tol);
        if (u < 0) continue;
        out.push_back(lineFirst ? PieceCrossing{tc, u, at} : PieceCrossing{u, tc, at});
    }
}

void ArcArc(const CurvePiece& a, const CurvePiece& b, double tol, std::vector<PieceCrossing>& out) {
    const PlanarPoint dc = b.center - a.center;
    const double d = std::hypot(dc.x, dc.y);
    // Arcs on one circle meet only through their ends, which the caller's end joining handles.
    if (d <= 1e-12 * std::max(a.radius, b.radius)) return;
    if (d > a.radius + b.radius + tol || d < std::fabs(a.radius - b.radius) - tol) return;
    const double along = (d * d + a.radius * a.radius - b.radius * b.radius) / (2 * d);
    const double h2 = a.radius * a.radius - along * along;
    const double h = h2 > 0 ? std::sqrt(h2) : 0;
    const PlanarPoint base{a.center.x + along * dc.x / d, a.center.y + along * dc.y / d};
    const PlanarPoint pts[2] = {{base.x - h * dc.y / d, base.y + h * dc.x / d},
                                {base.x + h * dc.y / d, base.y - h * dc.x / d}};
    const int count = h == 0 ? 1 : 2;
    for (int k = 0; k < count; ++k) {
        const double ua = ArcParameter(a, pts[k], tol);
        const double ub = ArcParameter(b, pts[k], tol);
        if (ua < 0 || ub < 0) continue;
        out.push_back({ua, ub, pts[k]});
    }
}

}  // namespace

void PlanarBox::Include(const PlanarBox& o) {
    minX = std::min(minX, o.minX);
    minY = std::min(minY, o.minY);
    maxX = std::max(maxX, o.maxX);
    maxY = std::max(maxY, o.maxY);
}

void PlanarBox::Include(PlanarPoint p) {
    minX = std::min(minX, p.x);
    minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x);
    maxY = std::max(maxY, p.y);
}

double NormalizeAngle(double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a;
}

double SweepOffset(double a0, double a, double sweep) {
    return NormalizeAngle(sweep >= 0 ? a - a0 : a0 - a);
}

PlanarPoint CurvePiece::PointAt(double t) const {
    if (t <= 0) return start;
    if (t >= 1) return end;
    if (kind == CurveKind::Line) {
        return {start.x + t * (end.x - start.x), start.y + t * (end.y - start.y)};
    }
    const double a = startAngle + t * sweep;
    return {center.x + radius * std::cos(a), center.y + radius * std::sin(a)};
}

bool CurvePiece::IsFullCircle() const {
    return kind == CurveKind::Arc && std::fabs(sweep) >= kTwoPi;
}

CurvePiece MakeLinePiece(PlanarPoint a, PlanarPoint b, std::int64_t owner) {
    CurvePiece p;
    p.owner = owner;
    p.kind = CurveKind::Line;
    p.start = a;
    p.end = b;
    p.box = {a.x, a.y, a.x, a.y};
    p.box.Include(b);
    return p;
}

CurvePiece MakeArcPiece(PlanarPoint center, double radius, double startAngle, double sweep,
                        std::int64_t owner) {
    CurvePiece p;
    p.owner = owner;
    p.kind = CurveKind::Arc;
    p.center = center;
    p.radius = radius;
    p.startAngle = startAngle;
    p.sweep = sweep;
    p.start = {center.x + radius * std::cos(startAngle), center.y + radius * std::sin(startAngle)};
    const double endAngle = startAngle + sweep;
    p.end = {center.x + radius * std::cos(endAngle), center.y + radius * std::sin(endAngle)};
    p.box = {p.start.x, p.start.y, p.start.x, p.start.y};
    p.box.Include(p.end);
    for (int k = 0; k < 4; ++k) {
        const double axis = k * kHalfPi;
        if (SweepOffset(startAngle, axis, sweep) <= std::fabs(sweep)) {
            p.box.Include(PlanarPoint{center.x + radius * std::cos(axis),
                                      center.y + radius * std::sin(axis)});
        }
    }
    return p;
}

CurvePiece MakeBulgePiece(PlanarPoint a, PlanarPoint b, double bulge, std::int64_t owner) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double chord = std::hypot(dx, dy);
    if (bulge == 0 || chord == 0) return MakeLinePiece(a, b, owner);
    // The centre sits on the chord's perpendicular bisector, to the left of a->b for a
    // counter-clockwise arc shorter than a half circle.
    const double along = 0.5 * (1 - bulge * bulge) / (2 * bulge);
    const PlanarPoint center{(a.x + b.x) / 2 - dy * along, (a.y + b.y) / 2 + dx * along};
    const double radius = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
    const double sweep = 4 * std::atan(bulge);
    CurvePiece p =
        MakeArcPiece(center, radius, std::atan2(a.y - center.y, a.x - center.x), sweep, owner);
    // Keep the polyline's own vertices exactly: traced vertices are read back as figures.
    p.start = a;
    p.end = b;
    p.box.Include(a);
    p.box.Include(b);
    return p;
}

double CounterClockwiseSweep(double startAngle, double endAngle) {
    double sweep = std::fmod(endAngle - startAngle, kTwoPi);
    if (sweep <= 0) sweep += kTwoPi;
    return sweep;
}

double ArcParameter(const CurvePiece& arc, PlanarPoint q, double tolerance) {
    const double span = std::fabs(arc.sweep);
    if (span >= kTwoPi) {
        return SweepOffset(arc.startAngle, std::atan2(q.y - arc.center.y, q.x - arc.center.x),
                           arc.sweep) /
               kTwoPi;
    }
    const double slack = tolerance / arc.radius;
    const double off =
        SweepOffset(arc.startAngle, std::atan2(q.y - arc.center.y, q.x - arc.center.x), arc.sweep);
    if (off <= span) return off / span;
    if (off <= span + slack) return 1;
    if (off >= kTwoPi - slack) return 0;
    return -1;
}

PieceProjection Project(const CurvePiece& piece, PlanarPoint q) {
    if (piece.kind == CurveKind::Line) {
        const PlanarPoint d = piece.end - piece.start;
        const double len2 = Dot(d, d);
        double t = len2 > 0 ? Dot(q - piece.start, d) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        return {Distance(q, piece.PointAt(t)), t};
    }
    const double off = SweepOffset(
        piece.startAngle, std::atan2(q.y - piece.center.y, q.x - piece.center.x), piece.sweep);
    const double span = std::fabs(piece.sweep);
    if (off <= span) {
        return {std::fabs(Distance(q, piece.center) - piece.radius), off / span};
    }
    const double toStart = Distance(q, piece.start);
    const double toEnd = Distance(q, piece.end);
    return toStart <= toEnd ? PieceProjection{toStart, 0} : PieceProjection{toEnd, 1};
}

void PieceCrossings(const CurvePiece& a, const CurvePiece& b, double tolerance,
                    std::vector<PieceCrossing>& out) {
    if (a.kind == CurveKind::Line && b.kind == CurveKind::Line) {
        LineLine(a, b, tolerance, out);
    } else if (a.kind == CurveKind::Line) {
        LineArc(a, b, true, tolerance, out);
    } else if (b.kind == CurveKind::Line) {
        LineArc(b, a, false, tolerance, out);
    } else {
        ArcArc(a, b, tolerance, out);
    }
}

}  // namespace tarsel::geometry
