#include "minicad/entity_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/ocs.h"
#include "geometry/primitives.h"
#include "minicad/placement.h"
#include "minicad/text_metrics.h"

namespace tarsel::minicad {
namespace {

using geometry::CurvePiece;
using geometry::PlanarPoint;

// Nested references deeper than this are ignored: a block that (through others) holds a
// reference to itself must not send a query into endless recursion.
constexpr int kMaxNesting = 16;

PlanarPoint Plan(const Point3& p) {
    return {p.x, p.y};
}

// Tolerance for "touches": absolute, scaled up for large coordinates so that rounding in
// the last bits of a survey coordinate (1e5..1e6) does not decide a selection.
double Eps(double scale) {
    return 1e-9 * std::max(1.0, std::abs(scale));
}

double SegmentDistance(const Point3& p, const Point3& a, const Point3& b) {
    return geometry::Project(geometry::MakeLinePiece(Plan(a), Plan(b)), Plan(p)).distance;
}

// The curves in the entity's own OCS plane.
std::vector<CurvePiece> OcsCurvesOf(const Entity& e) {
    std::vector<CurvePiece> out;
    if (const auto* l = std::get_if<LineData>(&e.data)) {
        out.push_back(geometry::MakeLinePiece(Plan(l->start), Plan(l->end)));
    } else if (const auto* c = std::get_if<CircleData>(&e.data)) {
        out.push_back(geometry::MakeArcPiece(Plan(c->center), c->radius, 0, geometry::kTwoPi));
    } else if (const auto* a = std::get_if<ArcData>(&e.data)) {
        out.push_back(geometry::MakeArcPiece(
            Plan(a->center), a->radius, geometry::NormalizeAngle(a->startAngle),
            geometry::CounterClockwiseSweep(a->startAngle, a->endAngle)));
    } else if (const auto* pl = std::get_if<PolylineData>(&e.data)) {
        const std::size_t n = pl->vertices.size();
        const std::size_t count = pl->closed ? n : (n == 0 ? 0 : n - 1);
        for (std::size_t i = 0; i < count && n > 1; ++i) {
            const PolylineVertex& v0 = pl->vertices[i];
            const PolylineVertex& v1 = pl->vertices[(i + 1) % n];
            out.push_back(geometry::MakeBulgePiece({v0.x, v0.y}, {v1.x, v1.y}, v0.bulge));
        }
        if (n == 1) {
            const PlanarPoint only{pl->vertices[0].x, pl->vertices[0].y};
            out.push_back(geometry::MakeLinePiece(only, only));
        }
    }
    return out;
}

// The curves of the entities that are curves, in plan: a line, a circle, an arc
// (counter-clockwise about its extrusion, equal angles a whole circle), a polyline's
// segments with bulges as arcs (a lone vertex a point). Texts, references and leaders have
// none.
std::vector<CurvePiece> CurvesOf(const Entity& e) {
    const geometry::OcsFrame frame = FrameOf(e);
    if (frame.plan == geometry::OcsPlan::Identity) return OcsCurvesOf(e);
    double elevation = 0;
    if (const auto* c = std::get_if<CircleData>(&e.data)) elevation = c->center.z;
    if (const auto* a = std::get_if<ArcData>(&e.data)) elevation = a->center.z;
    if (const auto* pl = std::get_if<PolylineData>(&e.data)) elevation = pl->elevation;
    std::vector<CurvePiece> out;
    for (const CurvePiece& piece : OcsCurvesOf(e))
        for (CurvePiece& p : geometry::PlanPieces(piece, elevation, frame))
            out.push_back(std::move(p));
    return out;
}

// A text's outline in world coordinates.
std::vector<Point3> WorldOutline(const TextData& t) {
    std::vector<Point3> out = TextOutline(t);
    const geometry::OcsFrame frame = geometry::ArbitraryAxis(t.extrusion);
    for (Point3& p : out) p = geometry::OcsToWcs(frame, p);
    return out;
}

bool InBox(PlanarPoint p, const Box& b, double eps) {
    return p.x >= b.minX - eps && p.x <= b.maxX + eps && p.y >= b.minY - eps && p.y <= b.maxY + eps;
}

double BoxScale(const Box& b) {
    return std::max({std::abs(b.minX), std::abs(b.maxX), std::abs(b.minY), std::abs(b.maxY)});
}

// Separating-axis test for convex point sets (a segment and a point count as convex).
// Edge directions are tried besides edge normals so that collinear segments separate too.
bool ConvexOverlap(const std::vector<PlanarPoint>& a, const std::vector<PlanarPoint>& b,
                   double eps) {
    std::vector<PlanarPoint> axes{{1, 0}, {0, 1}};
    auto addAxes = [&axes](const std::vector<PlanarPoint>& poly) {
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const PlanarPoint e = poly[(i + 1) % poly.size()] - poly[i];
            const double l = geometry::Length(e);
            if (l == 0) continue;
            axes.push_back({e.x / l, e.y / l});
            axes.push_back({-e.y / l, e.x / l});
        }
    };
    addAxes(a);
    addAxes(b);
    for (const PlanarPoint& axis : axes) {
        double aMin = std::numeric_limits<double>::infinity(), aMax = -aMin;
        double bMin = aMin, bMax = -aMin;
        for (const PlanarPoint& p : a) {
            const double t = p.x * axis.x + p.y * axis.y;
            aMin = std::min(aMin, t);
            aMax = std::max(aMax, t);
        }
        for (const PlanarPoint& p : b) {
            const double t = p.x * axis.x + p.y * axis.y;
            bMin = std::min(bMin, t);
            bMax = std::max(bMax, t);
        }
        if (aMax < bMin - eps || bMax < aMin - eps) return false;
    }
    return true;
}

std::vector<PlanarPoint> BoxCorners(const Box& b) {
    return {{b.minX, b.minY}, {b.maxX, b.minY}, {b.maxX, b.maxY}, {b.minX, b.maxY}};
}

std::vector<PlanarPoint> Outline(const TextData& t) {
    std::vector<PlanarPoint> out;
    for (const Point3& p : WorldOutline(t)) out.push_back(Plan(p));
    return out;
}

bool ArcCrossesBox(const CurvePiece& arc, const Box& box) {
    const double eps = Eps(std::max(BoxScale(box), arc.radius));
    if (!arc.IsFullCircle()) {
        if (InBox(arc.start, box, eps) || InBox(arc.end, box, eps)) return true;
    } else {
        // Whole circle: the window touches the curve unless it lies wholly inside or
        // wholly outside the disc.
        const double nx = std::clamp(arc.center.x, box.minX, box.maxX);
        const double ny = std::clamp(arc.center.y, box.minY, box.maxY);
        const double nearest = std::hypot(nx - arc.center.x, ny - arc.center.y);
        double farthest = 0;
        for (const PlanarPoint& c : BoxCorners(box))
            farthest = std::max(farthest, geometry::Length(c - arc.center));
        return nearest <= arc.radius + eps && farthest >= arc.radius - eps;
    }
    const std::vector<PlanarPoint> corners = BoxCorners(box);
    std::vector<geometry::PieceCrossing> hits;
    for (std::size_t i = 0; i < 4; ++i) {
        const PlanarPoint a = corners[i], b = corners[(i + 1) % 4];
        if (a == b) {
            // A side of a degenerate window is a point: it touches when it lies on the arc.
            if (std::abs(geometry::Length(a - arc.center) - arc.radius) <= eps &&
                geometry::ArcParameter(arc, a, eps) >= 0)
                return true;
            continue;
        }
        geometry::PieceCrossings(geometry::MakeLinePiece(a, b), arc, eps, hits);
        if (!hits.empty()) return true;
    }
    return false;
}

bool PieceCrossesBox(const CurvePiece& piece, const Box& box) {
    if (piece.kind == geometry::CurveKind::Arc) return ArcCrossesBox(piece, box);
    return ConvexOverlap({piece.start, piece.end}, BoxCorners(box), Eps(BoxScale(box)));
}

void Extend(std::optional<Box>& box, const Box& b) {
    if (!box) {
        box = b;
        return;
    }
    box->Include(b);
}

void Extend(std::optional<Box>& box, const Point3& p) {
    Extend(box, Box{p.x, p.y, p.x, p.y});
}

std::optional<Box> BoxOf(const Entity& e, const std::vector<Block>& blocks, int depth);
double DistanceOf(const Entity& e, const Point3& p, const std::vector<Block>& blocks, int depth);
bool Crosses(const Entity& e, const Box& box, const std::vector<Block>& blocks, int depth);

std::optional<Box> BoxOf(const Entity& e, const std::vector<Block>& blocks, int depth) {
    std::optional<Box> box;
    if (const auto* c = std::get_if<CircleData>(&e.data)) {
        const geometry::OcsFrame frame = geometry::ArbitraryAxis(c->extrusion);
        if (frame.plan == geometry::OcsPlan::Tilted) {
            for (const CurvePiece& piece : CurvesOf(e)) Extend(box, piece.box);
        } else {
            const Point3 centre = geometry::OcsToWcs(frame, c->center);
            Extend(box, Point3{centre.x - c->radius, centre.y - c->radius, 0});
            Extend(box, Point3{centre.x + c->radius, centre.y + c->radius, 0});
        }
    } else if (const auto* t = std::get_if<TextData>(&e.data)) {
        for (const Point3& p : WorldOutline(*t)) Extend(box, p);
    } else if (const auto* ins = std::get_if<InsertData>(&e.data)) {
        if (depth >= kMaxNesting) return std::nullopt;
        for (const Entity& sub : PlacedEntities(*ins, blocks)) {
            if (auto b = BoxOf(sub, blocks, depth + 1)) Extend(box, *b);
        }
    } else if (const auto* ld = std::get_if<LeaderData>(&e.data)) {
        for (const Point3& p : ld->vertices) Extend(box, p);
    } else {
        for (const CurvePiece& piece : CurvesOf(e)) Extend(box, piece.box);
    }
    return box;
}

double DistanceOf(const Entity& e, const Point3& p, const std::vector<Block>& blocks, int depth) {
    constexpr double kFar = std::numeric_limits<double>::infinity();
    if (const auto* t = std::get_if<TextData>(&e.data)) {
        const std::vector<Point3> outline = WorldOutline(*t);
        if (ConvexOverlap(Outline(*t), {Plan(p)}, Eps(std::max(std::abs(p.x), std::abs(p.y)))))
            return 0;
        double best = kFar;
        for (std::size_t i = 0; i < outline.size(); ++i)
            best =
                std::min(best, SegmentDistance(p, outline[i], outline[(i + 1) % outline.size()]));
        return best;
    }
    if (const auto* ins = std::get_if<InsertData>(&e.data)) {
        if (depth >= kMaxNesting) return kFar;
        double best = kFar;
        for (const Entity& sub : PlacedEntities(*ins, blocks))
            best = std::min(best, DistanceOf(sub, p, blocks, depth + 1));
        return best;
    }
    if (const auto* ld = std::get_if<LeaderData>(&e.data)) {
        double best = kFar;
        for (std::size_t i = 0; i + 1 < ld->vertices.size(); ++i)
            best = std::min(best, SegmentDistance(p, ld->vertices[i], ld->vertices[i + 1]));
        if (ld->vertices.size() == 1) best = SegmentDistance(p, ld->vertices[0], ld->vertices[0]);
        return best;
    }
    double best = kFar;
    for (const CurvePiece& piece : CurvesOf(e))
        best = std::min(best, geometry::Project(piece, Plan(p)).distance);
    return best;
}

bool Crosses(const Entity& e, const Box& box, const std::vector<Block>& blocks, int depth) {
    if (const auto* t = std::get_if<TextData>(&e.data))
        return ConvexOverlap(Outline(*t), BoxCorners(box), Eps(BoxScale(box)));
    if (const auto* ins = std::get_if<InsertData>(&e.data)) {
        if (depth >= kMaxNesting) return false;
        for (const Entity& sub : PlacedEntities(*ins, blocks))
            if (Crosses(sub, box, blocks, depth + 1)) return true;
        return false;
    }
    if (const auto* ld = std::get_if<LeaderData>(&e.data)) {
        for (std::size_t i = 0; i + 1 < ld->vertices.size(); ++i) {
            const CurvePiece side =
                geometry::MakeLinePiece(Plan(ld->vertices[i]), Plan(ld->vertices[i + 1]));
            if (PieceCrossesBox(side, box)) return true;
        }
        return ld->vertices.size() == 1 && InBox(Plan(ld->vertices[0]), box, Eps(BoxScale(box)));
    }
    for (const CurvePiece& piece : CurvesOf(e))
        if (PieceCrossesBox(piece, box)) return true;
    return false;
}

}  // namespace

Box BoxFromCorners(const Point3& a, const Point3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

std::optional<Box> EntityBox(const Entity& entity, const std::vector<Block>& blocks) {
    return BoxOf(entity, blocks, 0);
}

double DistanceToEntity(const Entity& entity, const Point3& p, const std::vector<Block>& blocks) {
    return DistanceOf(entity, p, blocks, 0);
}

bool CrossesBox(const Entity& entity, const Box& box, const std::vector<Block>& blocks) {
    return Crosses(entity, box, blocks, 0);
}

bool InsideBox(const Entity& entity, const Box& box, const std::vector<Block>& blocks) {
    const std::optional<Box> b = EntityBox(entity, blocks);
    if (!b) return false;
    const double eps = Eps(BoxScale(box));
    return b->minX >= box.minX - eps && b->maxX <= box.maxX + eps && b->minY >= box.minY - eps &&
           b->maxY <= box.maxY + eps;
}

}  // namespace tarsel::minicad
