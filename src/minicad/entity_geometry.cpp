#include "minicad/entity_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/ocs.h"
#include "geometry/primitives.h"
#include "minicad/placement.h"
#include "minicad/text_metrics.h"
#include "text/names.h"

namespace tarsel::minicad {
namespace {

using geometry::CurvePiece;
using geometry::PlanarPoint;

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
    if (const auto* l = DataIf<LineData>(e.data)) {
        out.push_back(geometry::MakeLinePiece(Plan(l->start), Plan(l->end)));
    } else if (const auto* c = DataIf<CircleData>(e.data)) {
        out.push_back(geometry::MakeArcPiece(Plan(c->center), c->radius, 0, geometry::kTwoPi));
    } else if (const auto* a = DataIf<ArcData>(e.data)) {
        out.push_back(geometry::MakeArcPiece(
            Plan(a->center), a->radius, geometry::NormalizeAngle(a->startAngle),
            geometry::CounterClockwiseSweep(a->startAngle, a->endAngle)));
    } else if (const auto* pl = DataIf<PolylineData>(e.data)) {
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
    if (const auto* c = DataIf<CircleData>(e.data)) elevation = c->center.z;
    if (const auto* a = DataIf<ArcData>(e.data)) elevation = a->center.z;
    if (const auto* pl = DataIf<PolylineData>(e.data)) elevation = pl->elevation;
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

void Extend(std::optional<Box3>& box, const Point3& p) {
    if (!box) {
        box = Box3{p, p};
        return;
    }
    box->Include(p);
}

void Extend(std::optional<Box3>& box, const std::optional<Box3>& b) {
    if (!b) return;
    if (!box) {
        box = b;
        return;
    }
    box->Include(*b);
}

Box Plan(const Box3& b) {
    return {b.min.x, b.min.y, b.max.x, b.max.y};
}

// The plan box of an entity that is not a reference, as it lies in its own space.
std::optional<Box> ShapeBox(const Entity& e) {
    std::optional<Box> box;
    if (const auto* c = DataIf<CircleData>(e.data)) {
        const geometry::OcsFrame frame = geometry::ArbitraryAxis(c->extrusion);
        if (frame.plan == geometry::OcsPlan::Tilted) {
            for (const CurvePiece& piece : CurvesOf(e)) Extend(box, piece.box);
        } else {
            const Point3 centre = geometry::OcsToWcs(frame, c->center);
            Extend(box, Point3{centre.x - c->radius, centre.y - c->radius, 0});
            Extend(box, Point3{centre.x + c->radius, centre.y + c->radius, 0});
        }
    } else if (const auto* t = DataIf<TextData>(e.data)) {
        for (const Point3& p : WorldOutline(*t)) Extend(box, p);
    } else if (const auto* ld = DataIf<LeaderData>(e.data)) {
        for (const Point3& p : ld->vertices) Extend(box, p);
    } else {
        for (const CurvePiece& piece : CurvesOf(e)) Extend(box, piece.box);
    }
    return box;
}

// The box in space of an entity that is not a reference. Curves kept in an OCS take the
// box of their plane's pieces at their elevation: exact on the plan view's two planes,
// large enough on a tilted one.
std::optional<Box3> ShapeBox3(const Entity& e) {
    std::optional<Box3> box;
    if (const auto* l = DataIf<LineData>(e.data)) {
        Extend(box, l->start);
        Extend(box, l->end);
    } else if (const auto* t = DataIf<TextData>(e.data)) {
        for (const Point3& p : WorldOutline(*t)) Extend(box, p);
    } else if (const auto* ld = DataIf<LeaderData>(e.data)) {
        for (const Point3& p : ld->vertices) Extend(box, p);
    } else if (!HoldsData<InsertData>(e.data) && !HoldsData<OtherEntityData>(e.data)) {
        double elevation = 0;
        if (const auto* c = DataIf<CircleData>(e.data)) elevation = c->center.z;
        if (const auto* a = DataIf<ArcData>(e.data)) elevation = a->center.z;
        if (const auto* pl = DataIf<PolylineData>(e.data)) elevation = pl->elevation;
        const geometry::OcsFrame frame = FrameOf(e);
        std::optional<Box> plane;
        for (const CurvePiece& piece : OcsCurvesOf(e)) Extend(plane, piece.box);
        if (!plane) return std::nullopt;
        for (const double x : {plane->minX, plane->maxX})
            for (const double y : {plane->minY, plane->maxY})
                Extend(box, geometry::OcsToWcs(frame, Point3{x, y, elevation}));
    }
    return box;
}

// The eight corners of the block's box, placed, and their box.
Box3 PlacedBox(const InsertData& ins, const Block& block, const Box3& b) {
    std::optional<Box3> out;
    for (const double x : {b.min.x, b.max.x})
        for (const double y : {b.min.y, b.max.y})
            for (const double z : {b.min.z, b.max.z})
                Extend(out, PlacedPoint(ins, block, Point3{x, y, z}));
    return *out;
}

double DistanceToBox(const Box& b, const Point3& p) {
    const double dx = std::max({b.minX - p.x, 0.0, p.x - b.maxX});
    const double dy = std::max({b.minY - p.y, 0.0, p.y - b.maxY});
    return std::hypot(dx, dy);
}

// Everything but references: their own curves or outlines.
double ShapeDistance(const Entity& e, const Point3& p) {
    constexpr double kFar = std::numeric_limits<double>::infinity();
    if (const auto* t = DataIf<TextData>(e.data)) {
        const std::vector<Point3> outline = WorldOutline(*t);
        if (ConvexOverlap(Outline(*t), {Plan(p)}, Eps(std::max(std::abs(p.x), std::abs(p.y)))))
            return 0;
        double best = kFar;
        for (std::size_t i = 0; i < outline.size(); ++i)
            best =
                std::min(best, SegmentDistance(p, outline[i], outline[(i + 1) % outline.size()]));
        return best;
    }
    if (const auto* ld = DataIf<LeaderData>(e.data)) {
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

bool ShapeCrosses(const Entity& e, const Box& box) {
    if (const auto* t = DataIf<TextData>(e.data))
        return ConvexOverlap(Outline(*t), BoxCorners(box), Eps(BoxScale(box)));
    if (const auto* ld = DataIf<LeaderData>(e.data)) {
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

void Box3::Include(const Point3& p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

void Box3::Include(const Box3& b) {
    Include(b.min);
    Include(b.max);
}

BlockBoxes::BlockBoxes(const std::vector<Block>& blocks)
    : blocks_(&blocks), state_(blocks.size(), State::Unvisited), boxes_(blocks.size()) {
    byName_.reserve(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        byName_.emplace(text::UpperAscii(blocks[i].name), i);
        entityCount_ += blocks[i].entities.size();
    }
}

std::optional<std::size_t> BlockBoxes::IndexOf(std::string_view name) const {
    const auto found = byName_.find(text::UpperAscii(name));
    if (found == byName_.end()) return std::nullopt;
    return found->second;
}

const Block* BlockBoxes::Find(std::string_view name) const {
    const std::optional<std::size_t> i = IndexOf(name);
    return i ? &(*blocks_)[*i] : nullptr;
}

// Depth first over the references, on a stack of its own: a chain of a million blocks
// nests a million deep. A block is boxed once every block it refers to is; a reference
// back to a block still on the stack is a cycle and shows nothing.
void BlockBoxes::Compute(std::size_t root) const {
    struct Visit {
        std::size_t block;
        std::size_t next = 0;  // the first entity not yet looked at
    };
    std::vector<Visit> stack{{root}};
    state_[root] = State::Visiting;
    while (!stack.empty()) {
        const std::size_t index = stack.back().block;
        const Block& block = (*blocks_)[index];
        std::size_t& next = stack.back().next;
        std::optional<std::size_t> unboxed;
        for (; next < block.entities.size() && !unboxed; ++next) {
            const auto* ins = DataIf<InsertData>(block.entities[next].data);
            if (!ins) continue;
            const std::optional<std::size_t> child = IndexOf(ins->block);
            if (child && state_[*child] == State::Unvisited) unboxed = child;
        }
        if (unboxed) {
            state_[*unboxed] = State::Visiting;
            stack.push_back({*unboxed});
            continue;
        }
        std::optional<Box3> box;
        for (const Entity& e : block.entities) {
            const auto* ins = DataIf<InsertData>(e.data);
            if (!ins) {
                Extend(box, ShapeBox3(e));
                continue;
            }
            const std::optional<std::size_t> child = IndexOf(ins->block);
            if (child && state_[*child] == State::Done && boxes_[*child])
                Extend(box, PlacedBox(*ins, (*blocks_)[*child], *boxes_[*child]));
        }
        boxes_[index] = box;
        state_[index] = State::Done;
        stack.pop_back();
    }
}

std::optional<Box3> BlockBoxes::BlockBox(const Block& block) const {
    const std::size_t index = static_cast<std::size_t>(&block - blocks_->data());
    if (index >= blocks_->size()) return std::nullopt;
    if (state_[index] != State::Done) Compute(index);
    return boxes_[index];
}

std::optional<BlockBoxes::Placed> BlockBoxes::Place(const InsertData& insert) const {
    const Block* block = Find(insert.block);
    if (!block) return std::nullopt;
    const std::optional<Box3> box = BlockBox(*block);
    if (!box) return std::nullopt;
    return Placed{block, PlacedBox(insert, *block, *box)};
}

ReferenceBudget ReferenceBudget::For(std::size_t modelEntities, const BlockBoxes& blocks) {
    constexpr std::size_t kBase = 100'000;
    constexpr std::size_t kPerEntity = 16;
    return ReferenceBudget(kBase + kPerEntity * (modelEntities + blocks.EntityCount()));
}

bool ReferenceBudget::Take(std::size_t n) {
    if (n > left_) {
        exhausted_ = true;
        return false;
    }
    left_ -= n;
    return true;
}

Box BoxFromCorners(const Point3& a, const Point3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

std::optional<Box> EntityBox(const Entity& entity, const BlockBoxes& blocks) {
    const auto* ins = DataIf<InsertData>(entity.data);
    if (!ins) return ShapeBox(entity);
    const std::optional<BlockBoxes::Placed> placed = blocks.Place(*ins);
    if (!placed) return std::nullopt;
    return Plan(placed->box);
}

// References are opened on a stack of placed references; what a reference places besides
// references is looked at there and then, so that a near curve is found before the walk
// goes deeper, and a reference whose box is no nearer than the best distance found so far
// is passed by.
double DistanceToEntity(const Entity& entity, const Point3& p, const BlockBoxes& blocks,
                        ReferenceBudget& budget) {
    const auto* reference = DataIf<InsertData>(entity.data);
    if (!reference) return ShapeDistance(entity, p);
    double best = std::numeric_limits<double>::infinity();
    std::vector<InsertData> stack{*reference};
    while (!stack.empty()) {
        const InsertData ins = std::move(stack.back());
        stack.pop_back();
        const std::optional<BlockBoxes::Placed> placed = blocks.Place(ins);
        if (!placed) continue;
        const double toBox = DistanceToBox(Plan(placed->box), p);
        if (toBox >= best) continue;
        if (!budget.Take(placed->block->entities.size())) {
            best = toBox;
            continue;
        }
        for (Entity& sub : PlacedEntities(ins, *placed->block)) {
            if (auto* inner = DataIf<InsertData>(sub.data))
                stack.push_back(std::move(*inner));
            else
                best = std::min(best, ShapeDistance(sub, p));
        }
    }
    return best;
}

bool CrossesBox(const Entity& entity, const Box& window, const BlockBoxes& blocks,
                ReferenceBudget& budget) {
    const auto* reference = DataIf<InsertData>(entity.data);
    if (!reference) return ShapeCrosses(entity, window);
    const Box near = window.Expanded(Eps(BoxScale(window)));
    std::vector<InsertData> stack{*reference};
    while (!stack.empty()) {
        const InsertData ins = std::move(stack.back());
        stack.pop_back();
        const std::optional<BlockBoxes::Placed> placed = blocks.Place(ins);
        if (!placed || !near.Intersects(Plan(placed->box))) continue;
        // Whatever the reference shows lies in its box, and it shows something: a window
        // holding the box touches it.
        if (near.Contains(Plan(placed->box))) return true;
        if (!budget.Take(placed->block->entities.size())) return true;
        for (Entity& sub : PlacedEntities(ins, *placed->block)) {
            if (auto* inner = DataIf<InsertData>(sub.data))
                stack.push_back(std::move(*inner));
            else if (ShapeCrosses(sub, window))
                return true;
        }
    }
    return false;
}

bool InsideBox(const Entity& entity, const Box& box, const BlockBoxes& blocks) {
    const std::optional<Box> b = EntityBox(entity, blocks);
    if (!b) return false;
    const double eps = Eps(BoxScale(box));
    return b->minX >= box.minX - eps && b->maxX <= box.maxX + eps && b->minY >= box.minY - eps &&
           b->maxY <= box.maxY + eps;
}

std::optional<Box> EntityBox(const Entity& entity, const std::vector<Block>& blocks) {
    return EntityBox(entity, BlockBoxes(blocks));
}

double DistanceToEntity(const Entity& entity, const Point3& p, const std::vector<Block>& blocks) {
    const BlockBoxes boxes(blocks);
    ReferenceBudget budget = ReferenceBudget::For(1, boxes);
    return DistanceToEntity(entity, p, boxes, budget);
}

bool CrossesBox(const Entity& entity, const Box& box, const std::vector<Block>& blocks) {
    const BlockBoxes boxes(blocks);
    ReferenceBudget budget = ReferenceBudget::For(1, boxes);
    return CrossesBox(entity, box, boxes, budget);
}

}  // namespace tarsel::minicad
