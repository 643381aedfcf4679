#include "geometry/ocs.h"

#include <algorithm>
#include <cmath>

namespace tarsel::geometry {
namespace {

// Below this the arbitrary axis algorithm takes world Y, not world Z, as its helper axis.
constexpr double kArbitraryAxisLimit = 1.0 / 64.0;
// A tilted arc is cut into at most this many chords, however fine the tolerance asked.
constexpr int kMaxChords = 4096;

TAcadPoint CrossProduct(const TAcadPoint& a, const TAcadPoint& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TAcadPoint Normalised(const TAcadPoint& v) {
    const double l = std::hypot(v.x, v.y, v.z);
    return {v.x / l, v.y / l, v.z / l};
}

TAcadPoint Combine(const OcsFrame& f, double x, double y, double z) {
    return {f.ax.x * x + f.ay.x * y + f.az.x * z, f.ax.y * x + f.ay.y * y + f.az.y * z,
            f.ax.z * x + f.ay.z * y + f.az.z * z};
}

double Dot3(const TAcadPoint& a, const TAcadPoint& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

PlanarPoint Plan(const TAcadPoint& p) {
    return {p.x, p.y};
}

}  // namespace

bool IsValidExtrusion(const TAcadPoint& e) {
    if (!std::isfinite(e.x) || !std::isfinite(e.y) || !std::isfinite(e.z)) return false;
    const double l = std::hypot(e.x, e.y, e.z);
    return l > 0 && std::isfinite(l);
}

OcsFrame ArbitraryAxis(const TAcadPoint& extrusion) {
    OcsFrame f;
    if (!IsValidExtrusion(extrusion)) return f;
    const TAcadPoint n = Normalised(extrusion);
    if (std::hypot(n.x, n.y) <= kPlanExtrusionTilt) {
        if (n.z < 0) {
            f.ax = {-1, 0, 0};
            f.az = {0, 0, -1};
            f.plan = OcsPlan::Mirror;
        }
        return f;
    }
    const TAcadPoint helper =
        std::abs(n.x) < kArbitraryAxisLimit && std::abs(n.y) < kArbitraryAxisLimit
            ? TAcadPoint{0, 1, 0}
            : TAcadPoint{0, 0, 1};
    f.ax = Normalised(CrossProduct(helper, n));
    f.ay = Normalised(CrossProduct(n, f.ax));
    f.az = n;
    f.plan = OcsPlan::Tilted;
    return f;
}

TAcadPoint OcsToWcs(const OcsFrame& f, const TAcadPoint& p) {
    switch (f.plan) {
        case OcsPlan::Identity: return p;
        case OcsPlan::Mirror: return {0 - p.x, p.y, 0 - p.z};
        case OcsPlan::Tilted: break;
    }
    return Combine(f, p.x, p.y, p.z);
}

TAcadPoint WcsToOcs(const OcsFrame& f, const TAcadPoint& p) {
    switch (f.plan) {
        case OcsPlan::Identity: return p;
        case OcsPlan::Mirror: return {0 - p.x, p.y, 0 - p.z};
        case OcsPlan::Tilted: break;
    }
    // The axes are orthonormal: the inverse is the transpose.
    return {Dot3(f.ax, p), Dot3(f.ay, p), Dot3(f.az, p)};
}

std::optional<TAcadPoint> OcsPointAtPlan(const OcsFrame& f, double x, double y, double elevation) {
    switch (f.plan) {
        case OcsPlan::Identity: return TAcadPoint{x, y, elevation};
        case OcsPlan::Mirror: return TAcadPoint{0 - x, y, elevation};
        case OcsPlan::Tilted: break;
    }
    // Solve ax * u + ay * v = (x, y) - az * elevation in plan; the determinant is the
    // extrusion's z, zero for a vertical plane.
    const double det = f.ax.x * f.ay.y - f.ay.x * f.ax.y;
    if (!(std::abs(det) > kPlanExtrusionTilt)) return std::nullopt;
    const double rx = x - f.az.x * elevation;
    const double ry = y - f.az.y * elevation;
    return TAcadPoint{(rx * f.ay.y - f.ay.x * ry) / det, (f.ax.x * ry - rx * f.ax.y) / det,
                      elevation};
}

std::vector<CurvePiece> PlanPieces(const CurvePiece& piece, double elevation, const OcsFrame& f,
                                   double chordTolerance) {
    if (f.plan == OcsPlan::Identity) return {piece};
    if (f.plan == OcsPlan::Mirror) {
        CurvePiece m = piece;
        m.start.x = 0 - piece.start.x;
        m.end.x = 0 - piece.end.x;
        m.center.x = 0 - piece.center.x;
        m.box.minX = 0 - piece.box.maxX;
        m.box.maxX = 0 - piece.box.minX;
        if (piece.kind == CurveKind::Arc) {
            m.startAngle = NormalizeAngle(kPi - piece.startAngle);
            // A whole circle is the same set either way round: it keeps its direction.
            if (!piece.IsFullCircle()) m.sweep = -piece.sweep;
        }
        return {m};
    }
    auto project = [&](PlanarPoint p) { return Plan(OcsToWcs(f, {p.x, p.y, elevation})); };
    const PlanarPoint a = project(piece.start);
    const PlanarPoint b = project(piece.end);
    if (piece.kind == CurveKind::Line) return {MakeLinePiece(a, b, piece.owner)};
    // A projection never lengthens, so chords of the circle as fine as the tolerance stay
    // within it on the ellipse.
    int chords = kMaxChords;
    if (piece.radius > chordTolerance) {
        const double step = 2 * std::acos(1 - chordTolerance / piece.radius);
        chords = static_cast<int>(std::ceil(std::abs(piece.sweep) / step));
    }
    chords = std::clamp(chords, 2, kMaxChords);
    std::vector<CurvePiece> out;
    out.reserve(static_cast<std::size_t>(chords));
    PlanarPoint from = a;
    for (int k = 1; k <= chords; ++k) {
        const double angle = piece.startAngle + piece.sweep * k / chords;
        const PlanarPoint to = k == chords
                                   ? b
                                   : project({piece.center.x + piece.radius * std::cos(angle),
                                              piece.center.y + piece.radius * std::sin(angle)});
        out.push_back(MakeLinePiece(from, to, piece.owner));
        from = to;
    }
    return out;
}

double PlanAngle(const OcsFrame& f, double ocsAngle) {
    switch (f.plan) {
        case OcsPlan::Identity: return NormalizeAngle(ocsAngle);
        case OcsPlan::Mirror: return NormalizeAngle(kPi - ocsAngle);
        case OcsPlan::Tilted: break;
    }
    const TAcadPoint d = Combine(f, std::cos(ocsAngle), std::sin(ocsAngle), 0);
    return NormalizeAngle(std::atan2(d.y, d.x));
}

}  // namespace tarsel::geometry
