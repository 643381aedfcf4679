#include "minicad/entity_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "minicad/document.h"
#include "platform/codepage.h"

namespace tarsel::minicad {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
// Nested references deeper than this are ignored: a block that (through others) holds a
// reference to itself must not send a query into endless recursion.
constexpr int kMaxNesting = 16;

struct Vec {
    double x = 0, y = 0;
};

Vec Sub(const Point3& a, const Point3& b) {
    return {a.x - b.x, a.y - b.y};
}
double Dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y;
}
double Len(Vec v) {
    return std::hypot(v.x, v.y);
}
double Dist(const Point3& a, const Point3& b) {
    return Len(Sub(a, b));
}

// Tolerance for "touches": absolute, scaled up for large coordinates so that rounding in
// the last bits of a survey coordinate (1e5..1e6) does not decide a selection.
double Eps(double scale) {
    return 1e-9 * std::max(1.0, std::abs(scale));
}

double SegmentDistance(const Point3& p, const Point3& a, const Point3& b) {
    const Vec ab = Sub(b, a);
    const double len2 = Dot(ab, ab);
    if (len2 == 0) return Dist(p, a);
    const double t = std::clamp(Dot(Sub(p, a), ab) / len2, 0.0, 1.0);
    return Dist(p, {a.x + t * ab.x, a.y + t * ab.y, 0});
}

// An arc counter-clockwise from start to end (radians); a full circle when sweep is 2π.
struct ArcShape {
    Point3 center;
    double radius = 0;
    double start = 0;
    double sweep = 0;  // (0, 2π]
};

double NormaliseAngle(double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a;
}

ArcShape MakeArc(const Point3& center, double radius, double start, double end) {
    double sweep = NormaliseAngle(end - start);
    if (sweep == 0) sweep = kTwoPi;
    return {center, radius, NormaliseAngle(start), sweep};
}

bool AngleOnArc(const ArcShape& arc, double angle) {
    if (arc.sweep >= kTwoPi) return true;
    return NormaliseAngle(angle - arc.start) <= arc.sweep + 1e-12;
}

Point3 ArcPoint(const ArcShape& arc, double angle) {
    return {arc.center.x + arc.radius * std::cos(angle),
            arc.center.y + arc.radius * std::sin(angle), arc.center.z};
}

// The arc of a polyline segment with a bulge (tan of a quarter of the included angle,
// positive counter-clockwise).
ArcShape BulgeArc(const Point3& v0, const Point3& v1, double bulge) {
    const Vec d = Sub(v1, v0);
    const double c = Len(d);
    const Vec n{-d.y / c, d.x / c};  // left of v0 -> v1
    const double offset = c / 2 * (1 - bulge * bulge) / (2 * bulge);
    const Point3 center{(v0.x + v1.x) / 2 + n.x * offset, (v0.y + v1.y) / 2 + n.y * offset, v0.z};
    const double radius = c * (1 + bulge * bulge) / (4 * std::abs(bulge));
    const double a0 = std::atan2(v0.y - center.y, v0.x - center.x);
    const double a1 = std::atan2(v1.y - center.y, v1.x - center.x);
    return bulge > 0 ? MakeArc(center, radius, a0, a1) : MakeArc(center, radius, a1, a0);
}

double ArcDistance(const ArcShape& arc, const Point3& p) {
    const double d = Dist(p, arc.center);
    if (d > 0 && AngleOnArc(arc, std::atan2(p.y - arc.center.y, p.x - arc.center.x)))
        return std::abs(d - arc.radius);
    if (arc.sweep >= kTwoPi) return std::abs(d - arc.radius);
    return std::min(Dist(p, ArcPoint(arc, arc.start)),
                    Dist(p, ArcPoint(arc, arc.start + arc.sweep)));
}

bool InBox(const Point3& p, const Box& b, double eps) {
    return p.x >= b.minX - eps && p.x <= b.maxX + eps && p.y >= b.minY - eps && p.y <= b.maxY + eps;
}

double BoxScale(const Box& b) {
    return std::max({std::abs(b.minX), std::abs(b.maxX), std::abs(b.minY), std::abs(b.maxY)});
}

// Separating-axis test for convex point sets (a segment and a point count as convex).
// Edge directions are tried besides edge normals so that collinear segments separate too.
bool ConvexOverlap(const std::vector<Point3>& a, const std::vector<Point3>& b, double eps) {
    std::vector<Vec> axes{{1, 0}, {0, 1}};
    auto addAxes = [&axes](const std::vector<Point3>& poly) {
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const Vec e = Sub(poly[(i + 1) % poly.size()], poly[i]);
            const double l = Len(e);
            if (l == 0) continue;
            axes.push_back({e.x / l, e.y / l});
            axes.push_back({-e.y / l, e.x / l});
        }
    };
    addAxes(a);
    addAxes(b);
    for (const Vec& axis : axes) {
        double aMin = std::numeric_limits<double>::infinity(), aMax = -aMin;
        double bMin = aMin, bMax = -aMin;
        for (const Point3& p : a) {
            const double t = p.x * axis.x + p.y * axis.y;
            aMin = std::min(aMin, t);
            aMax = std::max(aMax, t);
        }
        for (const Point3& p : b) {
            const double t = p.x * axis.x + p.y * axis.y;
            bMin = std::min(bMin, t);
            bMax = std::max(bMax, t);
        }
        if (aMax < bMin - eps || bMax < aMin - eps) return false;
    }
    return true;
}

std::vector<Point3> BoxCorners(const Box& b) {
    return {{b.minX, b.minY, 0}, {b.maxX, b.minY, 0}, {b.maxX, b.maxY, 0}, {b.minX, b.maxY, 0}};
}

bool SegmentCrossesBox(const Point3& a, const Point3& b, const Box& box) {
    return ConvexOverlap({a, b}, BoxCorners(box), Eps(BoxScale(box)));
}

// Points where the circle meets segment a-b.
std::vector<Point3> CircleSegmentHits(const ArcShape& arc, const Point3& a, const Point3& b,
                                      double eps) {
    std::vector<Point3> hits;
    const Vec d = Sub(b, a);
    const Vec f = Sub(a, arc.center);
    const double qa = Dot(d, d);
    if (qa == 0) {
        if (std::abs(Len(f) - arc.radius) <= eps) hits.push_back(a);
        return hits;
    }
    const double qb = 2 * Dot(f, d);
    const double qc = Dot(f, f) - arc.radius * arc.radius;
    double disc = qb * qb - 4 * qa * qc;
    if (disc < 0) {
        // Tangent within tolerance: the closest point of the line.
        const double t = -qb / (2 * qa);
        const Point3 q{a.x + t * d.x, a.y + t * d.y, 0};
        if (t >= 0 && t <= 1 && std::abs(Dist(q, arc.center) - arc.radius) <= eps)
            hits.push_back(q);
        return hits;
    }
    disc = std::sqrt(disc);
    for (double t : {(-qb - disc) / (2 * qa), (-qb + disc) / (2 * qa)}) {
        const double slack = eps / std::sqrt(qa);
        if (t >= -slack && t <= 1 + slack) hits.push_back({a.x + t * d.x, a.y + t * d.y, 0});
    }
    return hits;
}

bool ArcCrossesBox(const ArcShape& arc, const Box& box) {
    const double eps = Eps(std::max(BoxScale(box), arc.radius));
    if (arc.sweep < kTwoPi) {
        if (InBox(ArcPoint(arc, arc.start), box, eps) ||
            InBox(ArcPoint(arc, arc.start + arc.sweep), box, eps))
            return true;
    } else {
        // Whole circle: the window touches the curve unless it lies wholly inside or
        // wholly outside the disc.
        const double nx = std::clamp(arc.center.x, box.minX, box.maxX);
        const double ny = std::clamp(arc.center.y, box.minY, box.maxY);
        const double nearest = std::hypot(nx - arc.center.x, ny - arc.center.y);
        double farthest = 0;
        for (const Point3& c : BoxCorners(box)) farthest = std::max(farthest, Dist(c, arc.center));
        return nearest <= arc.radius + eps && farthest >= arc.radius - eps;
    }
    const std::vector<Point3> corners = BoxCorners(box);
    for (std::size_t i = 0; i < 4; ++i) {
        for (const Point3& h : CircleSegmentHits(arc, corners[i], corners[(i + 1) % 4], eps)) {
            if (AngleOnArc(arc, std::atan2(h.y - arc.center.y, h.x - arc.center.x))) return true;
        }
    }
    return false;
}

void Extend(std::optional<Box>& box, const Point3& p) {
    if (!box) {
        box = Box{p.x, p.y, p.x, p.y};
        return;
    }
    box->minX = std::min(box->minX, p.x);
    box->minY = std::min(box->minY, p.y);
    box->maxX = std::max(box->maxX, p.x);
    box->maxY = std::max(box->maxY, p.y);
}

void ExtendArc(std::optional<Box>& box, const ArcShape& arc) {
    Extend(box, ArcPoint(arc, arc.start));
    Extend(box, ArcPoint(arc, arc.start + arc.sweep));
    for (int q = 0; q < 4; ++q) {
        const double a = q * kPi / 2;
        if (AngleOnArc(arc, a)) Extend(box, ArcPoint(arc, a));
    }
}

// A polyline's segments: straight ones as two points, bulged ones as arcs.
struct PolylineSegment {
    Point3 a, b;
    std::optional<ArcShape> arc;
};

std::vector<PolylineSegment> Segments(const PolylineData& pl) {
    std::vector<PolylineSegment> out;
    const std::size_t n = pl.vertices.size();
    const std::size_t count = pl.closed ? n : (n == 0 ? 0 : n - 1);
    for (std::size_t i = 0; i < count && n > 1; ++i) {
        const PolylineVertex& v0 = pl.vertices[i];
        const PolylineVertex& v1 = pl.vertices[(i + 1) % n];
        PolylineSegment s{{v0.x, v0.y, pl.elevation}, {v1.x, v1.y, pl.elevation}, std::nullopt};
        if (v0.bulge != 0 && Dist(s.a, s.b) > 0) s.arc = BulgeArc(s.a, s.b, v0.bulge);
        out.push_back(s);
    }
    if (n == 1) {
        const Point3 only{pl.vertices[0].x, pl.vertices[0].y, pl.elevation};
        out.push_back({only, only, std::nullopt});
    }
    return out;
}

const Block* FindBlockIn(const std::vector<Block>& blocks, std::string_view name) {
    for (const Block& b : blocks)
        if (SameName(b.name, name)) return &b;
    return nullptr;
}

Placement PlacementOf(const InsertData& ins, const Block& block) {
    return {block.base, ins.insertion, ins.scaleX, ins.scaleY, ins.scaleZ, ins.rotation};
}

// The placed entities of a reference for geometric queries (any placement).
std::vector<Entity> Placed(const InsertData& ins, const std::vector<Block>& blocks) {
    std::vector<Entity> out;
    const Block* block = FindBlockIn(blocks, ins.block);
    if (!block) return out;
    const Placement pl = PlacementOf(ins, *block);
    out.reserve(block->entities.size());
    for (const Entity& e : block->entities) out.push_back(TransformEntity(e, pl));
    return out;
}

std::optional<Box> BoxOf(const Entity& e, const std::vector<Block>& blocks, int depth);
double DistanceOf(const Entity& e, const Point3& p, const std::vector<Block>& blocks, int depth);
bool Crosses(const Entity& e, const Box& box, const std::vector<Block>& blocks, int depth);

std::optional<Box> BoxOf(const Entity& e, const std::vector<Block>& blocks, int depth) {
    std::optional<Box> box;
    if (const auto* l = std::get_if<LineData>(&e.data)) {
        Extend(box, l->start);
        Extend(box, l->end);
    } else if (const auto* c = std::get_if<CircleData>(&e.data)) {
        Extend(box, {c->center.x - c->radius, c->center.y - c->radius, 0});
        Extend(box, {c->center.x + c->radius, c->center.y + c->radius, 0});
    } else if (const auto* a = std::get_if<ArcData>(&e.data)) {
        ExtendArc(box, MakeArc(a->center, a->radius, a->startAngle, a->endAngle));
    } else if (const auto* pl = std::get_if<PolylineData>(&e.data)) {
        for (const PolylineSegment& s : Segments(*pl)) {
            Extend(box, s.a);
            Extend(box, s.b);
            if (s.arc) ExtendArc(box, *s.arc);
        }
    } else if (const auto* t = std::get_if<TextData>(&e.data)) {
        for (const Point3& p : TextOutline(*t)) Extend(box, p);
    } else if (const auto* ins = std::get_if<InsertData>(&e.data)) {
        if (depth >= kMaxNesting) return std::nullopt;
        for (const Entity& sub : Placed(*ins, blocks)) {
            if (auto b = BoxOf(sub, blocks, depth + 1)) {
                Extend(box, {b->minX, b->minY, 0});
                Extend(box, {b->maxX, b->maxY, 0});
            }
        }
    } else if (const auto* ld = std::get_if<LeaderData>(&e.data)) {
        for (const Point3& p : ld->vertices) Extend(box, p);
    }
    return box;
}

double DistanceOf(const Entity& e, const Point3& p, const std::vector<Block>& blocks, int depth) {
    constexpr double kFar = std::numeric_limits<double>::infinity();
    if (const auto* l = std::get_if<LineData>(&e.data)) return SegmentDistance(p, l->start, l->end);
    if (const auto* c = std::get_if<CircleData>(&e.data))
        return std::abs(Dist(p, c->center) - c->radius);
    if (const auto* a = std::get_if<ArcData>(&e.data))
        return ArcDistance(MakeArc(a->center, a->radius, a->startAngle, a->endAngle), p);
    if (const auto* pl = std::get_if<PolylineData>(&e.data)) {
        double best = kFar;
        for (const PolylineSegment& s : Segments(*pl))
            best = std::min(best, s.arc ? ArcDistance(*s.arc, p) : SegmentDistance(p, s.a, s.b));
        return best;
    }
    if (const auto* t = std::get_if<TextData>(&e.data)) {
        const std::vector<Point3> outline = TextOutline(*t);
        if (ConvexOverlap(outline, {p}, Eps(std::max(std::abs(p.x), std::abs(p.y))))) return 0;
        double best = kFar;
        for (std::size_t i = 0; i < outline.size(); ++i)
            best =
                std::min(best, SegmentDistance(p, outline[i], outline[(i + 1) % outline.size()]));
        return best;
    }
    if (const auto* ins = std::get_if<InsertData>(&e.data)) {
        if (depth >= kMaxNesting) return kFar;
        double best = kFar;
        for (const Entity& sub : Placed(*ins, blocks))
            best = std::min(best, DistanceOf(sub, p, blocks, depth + 1));
        return best;
    }
    if (const auto* ld = std::get_if<LeaderData>(&e.data)) {
        double best = kFar;
        for (std::size_t i = 0; i + 1 < ld->vertices.size(); ++i)
            best = std::min(best, SegmentDistance(p, ld->vertices[i], ld->vertices[i + 1]));
        if (ld->vertices.size() == 1) best = Dist(p, ld->vertices[0]);
        return best;
    }
    return kFar;
}

bool Crosses(const Entity& e, const Box& box, const std::vector<Block>& blocks, int depth) {
    if (const auto* l = std::get_if<LineData>(&e.data))
        return SegmentCrossesBox(l->start, l->end, box);
    if (const auto* c = std::get_if<CircleData>(&e.data))
        return ArcCrossesBox(MakeArc(c->center, c->radius, 0, kTwoPi), box);
    if (const auto* a = std::get_if<ArcData>(&e.data))
        return ArcCrossesBox(MakeArc(a->center, a->radius, a->startAngle, a->endAngle), box);
    if (const auto* pl = std::get_if<PolylineData>(&e.data)) {
        for (const PolylineSegment& s : Segments(*pl)) {
            if (s.arc ? ArcCrossesBox(*s.arc, box) : SegmentCrossesBox(s.a, s.b, box)) return true;
        }
        return false;
    }
    if (const auto* t = std::get_if<TextData>(&e.data))
        return ConvexOverlap(TextOutline(*t), BoxCorners(box), Eps(BoxScale(box)));
    if (const auto* ins = std::get_if<InsertData>(&e.data)) {
        if (depth >= kMaxNesting) return false;
        for (const Entity& sub : Placed(*ins, blocks))
            if (Crosses(sub, box, blocks, depth + 1)) return true;
        return false;
    }
    if (const auto* ld = std::get_if<LeaderData>(&e.data)) {
        for (std::size_t i = 0; i + 1 < ld->vertices.size(); ++i)
            if (SegmentCrossesBox(ld->vertices[i], ld->vertices[i + 1], box)) return true;
        return ld->vertices.size() == 1 && InBox(ld->vertices[0], box, Eps(BoxScale(box)));
    }
    return false;
}

// Characters that a CAD font draws one text height wide: everything outside ASCII except
// the half-width katakana block.
double CharWidthFactor(char32_t c) {
    if (c < 0x80) return 0.7;
    if (c >= 0xFF61 && c <= 0xFF9F) return 0.7;
    return 1.0;
}

// Local outline of a text about its anchor, in its own frame (x along the baseline).
struct LocalBox {
    double x0, x1, y0, y1;
};

LocalBox LocalOutline(const TextData& t, double width) {
    const double h = t.height;
    using A = TextAlignment;
    double x0 = 0, y0 = 0;
    switch (t.alignment) {
        case A::Center:
        case A::TopCenter:
        case A::MiddleCenter:
        case A::BottomCenter:
        case A::Middle: x0 = -width / 2; break;
        case A::Right:
        case A::TopRight:
        case A::MiddleRight:
        case A::BottomRight: x0 = -width; break;
        default: break;
    }
    switch (t.alignment) {
        case A::TopLeft:
        case A::TopCenter:
        case A::TopRight: y0 = -h; break;
        case A::Middle:
        case A::MiddleLeft:
        case A::MiddleCenter:
        case A::MiddleRight: y0 = -h / 2; break;
        default: break;
    }
    return {x0, x0 + width, y0, y0 + h};
}

bool UsesInsertionAsAnchor(TextAlignment a) {
    return a == TextAlignment::Left || a == TextAlignment::Aligned || a == TextAlignment::Fit;
}

}  // namespace

std::string_view DxfTypeName(const EntityData& data) {
    switch (data.index()) {
        case 0: return "LINE";
        case 1: return "CIRCLE";
        case 2: return "ARC";
        case 3: return "LWPOLYLINE";
        case 4: return "TEXT";
        case 5: return "INSERT";
        case 6: return "LEADER";
        default: return "";
    }
}

std::string_view AutomationName(const EntityData& data) {
    switch (data.index()) {
        case 0: return "AcDbLine";
        case 1: return "AcDbCircle";
        case 2: return "AcDbArc";
        case 3: return "AcDbPolyline";
        case 4: return "AcDbText";
        case 5: return "AcDbBlockReference";
        case 6: return "AcDbLeader";
        default: return "";
    }
}

Box Box::FromCorners(const Point3& a, const Point3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

Box Box::Around(const Point3& p, double halfSize) {
    return {p.x - halfSize, p.y - halfSize, p.x + halfSize, p.y + halfSize};
}

double EstimatedTextWidth(const TextData& text) {
    double units = 0;
    for (char32_t cp : platform::Utf8CodePoints(text.text)) units += CharWidthFactor(cp);
    return units * text.height;
}

std::vector<Point3> TextOutline(const TextData& t) {
    double width = EstimatedTextWidth(t);
    double rotation = t.rotation;
    Point3 anchor = t.alignment == TextAlignment::Left ? t.insertion : t.alignmentPoint;
    if (t.alignment == TextAlignment::Aligned || t.alignment == TextAlignment::Fit) {
        anchor = t.insertion;
        const double span = Dist(t.insertion, t.alignmentPoint);
        if (span > 0) {
            width = span;
            rotation =
                std::atan2(t.alignmentPoint.y - t.insertion.y, t.alignmentPoint.x - t.insertion.x);
        }
    }
    const LocalBox lb = LocalOutline(t, width);
    const double c = std::cos(rotation), s = std::sin(rotation);
    auto place = [&](double x, double y) {
        return Point3{anchor.x + x * c - y * s, anchor.y + x * s + y * c, anchor.z};
    };
    return {place(lb.x0, lb.y0), place(lb.x1, lb.y0), place(lb.x1, lb.y1), place(lb.x0, lb.y1)};
}

Point3 TextInsertionFromAlignment(const TextData& t) {
    if (UsesInsertionAsAnchor(t.alignment)) return t.insertion;
    const LocalBox lb = LocalOutline(t, EstimatedTextWidth(t));
    const double c = std::cos(t.rotation), s = std::sin(t.rotation);
    const Point3& a = t.alignmentPoint;
    return {a.x + lb.x0 * c - lb.y0 * s, a.y + lb.x0 * s + lb.y0 * c, a.z};
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

Point3 Placement::Apply(const Point3& p) const {
    const double x = (p.x - base.x) * scaleX;
    const double y = (p.y - base.y) * scaleY;
    const double c = std::cos(rotation), s = std::sin(rotation);
    return {insertion.x + x * c - y * s, insertion.y + x * s + y * c,
            insertion.z + (p.z - base.z) * scaleZ};
}

bool Placement::IsUniform() const {
    return scaleX > 0 && scaleY > 0 && std::abs(scaleX - scaleY) <= 1e-12 * scaleX;
}

Entity TransformEntity(const Entity& entity, const Placement& pl) {
    Entity out = entity;
    const double s = std::abs(pl.scaleX);
    std::visit(
        [&](auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, LineData>) {
                d.start = pl.Apply(d.start);
                d.end = pl.Apply(d.end);
            } else if constexpr (std::is_same_v<T, CircleData>) {
                d.center = pl.Apply(d.center);
                d.radius *= s;
            } else if constexpr (std::is_same_v<T, ArcData>) {
                d.center = pl.Apply(d.center);
                d.radius *= s;
                d.startAngle += pl.rotation;
                d.endAngle += pl.rotation;
            } else if constexpr (std::is_same_v<T, PolylineData>) {
                for (PolylineVertex& v : d.vertices) {
                    const Point3 q = pl.Apply({v.x, v.y, d.elevation});
                    v.x = q.x;
                    v.y = q.y;
                }
                d.elevation = pl.Apply({pl.base.x, pl.base.y, d.elevation}).z;
            } else if constexpr (std::is_same_v<T, TextData>) {
                d.insertion = pl.Apply(d.insertion);
                d.alignmentPoint = pl.Apply(d.alignmentPoint);
                d.height *= std::abs(pl.scaleY);
                d.rotation += pl.rotation;
            } else if constexpr (std::is_same_v<T, InsertData>) {
                d.insertion = pl.Apply(d.insertion);
                d.scaleX *= pl.scaleX;
                d.scaleY *= pl.scaleY;
                d.scaleZ *= pl.scaleZ;
                d.rotation += pl.rotation;
            } else if constexpr (std::is_same_v<T, LeaderData>) {
                for (Point3& v : d.vertices) v = pl.Apply(v);
                d.arrowSize *= s;
            }
        },
        out.data);
    return out;
}

std::optional<std::vector<Entity>> ExplodeInsert(const InsertData& insert,
                                                 const std::vector<Block>& blocks) {
    const Block* block = FindBlockIn(blocks, insert.block);
    if (!block) return std::nullopt;
    const Placement pl = PlacementOf(insert, *block);
    if (!pl.IsUniform()) return std::nullopt;
    std::vector<Entity> out;
    out.reserve(block->entities.size());
    for (const Entity& e : block->entities) {
        Entity t = TransformEntity(e, pl);
        t.id = 0;
        out.push_back(std::move(t));
    }
    return out;
}

}  // namespace tarsel::minicad
