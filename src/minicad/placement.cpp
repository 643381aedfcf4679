#include "minicad/placement.h"

#include <cmath>
#include <type_traits>

#include "minicad/document.h"

namespace tarsel::minicad {
namespace {

const Block* FindBlockIn(const std::vector<Block>& blocks, std::string_view name) {
    for (const Block& b : blocks)
        if (text::EqualsIgnoringAsciiCase(b.name, name)) return &b;
    return nullptr;
}

Placement PlacementOf(const InsertData& ins, const Block& block) {
    return {block.base, ins.insertion, ins.scaleX, ins.scaleY, ins.scaleZ, ins.rotation};
}

Point3 Cross3(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A unit direction; adding 0 turns a negative zero into a positive one, so that a turned
// extrusion is written as 0,0,-1 and not -0,0,-1.
Point3 Unit(const Point3& v) {
    const double l = std::hypot(v.x, v.y, v.z);
    return {v.x / l + 0.0, v.y / l + 0.0, v.z / l + 0.0};
}

// An entity moved by a map of the world (mapPoint, and its linear part mapDirection).
// Points kept in world coordinates are mapped as they are. Points kept in an OCS are taken
// to the world, mapped, and brought into the OCS of the mapped extrusion; angles turn by
// the angle the mapped OCS x axis makes in the new system. On the two planes of a 2D
// drawing this is exact: every step only changes signs. `scale` multiplies a reference's
// scale factors.
template <typename MapPoint, typename MapDirection>
Entity Reframe(const Entity& entity, MapPoint mapPoint, MapDirection mapDirection,
               const Point3& scale) {
    Entity out = entity;
    VisitData(
        [&](auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, LineData>) {
                d.start = mapPoint(d.start);
                d.end = mapPoint(d.end);
            } else if constexpr (std::is_same_v<T, LeaderData>) {
                for (Point3& v : d.vertices) v = mapPoint(v);
                const Point3 unit = mapDirection(Point3{1, 0, 0});
                d.arrowSize *= std::hypot(unit.x, unit.y, unit.z);
            } else if constexpr (std::is_same_v<T, OtherEntityData>) {
                // Kept only as the groups read: nothing of it is placed by the model.
            } else {
                const geometry::OcsFrame from = geometry::ArbitraryAxis(d.extrusion);
                const Point3 ax = mapDirection(from.ax);
                const Point3 normal = Cross3(ax, mapDirection(from.ay));
                // A map that flattens the plane (a zero scale) leaves it where it was.
                const Point3 extrusion =
                    geometry::IsValidExtrusion(normal) ? Unit(normal) : d.extrusion;
                const geometry::OcsFrame to = geometry::ArbitraryAxis(extrusion);
                auto toNew = [&](const Point3& p) {
                    return geometry::WcsToOcs(to, mapPoint(geometry::OcsToWcs(from, p)));
                };
                const Point3 x = geometry::WcsToOcs(to, ax);
                const double turn = std::atan2(x.y, x.x);
                const double length = std::hypot(x.x, x.y);
                d.extrusion = extrusion;
                if constexpr (std::is_same_v<T, CircleData>) {
                    d.center = toNew(d.center);
                    d.radius *= length;
                } else if constexpr (std::is_same_v<T, ArcData>) {
                    d.center = toNew(d.center);
                    d.radius *= length;
                    d.startAngle += turn;
                    d.endAngle += turn;
                } else if constexpr (std::is_same_v<T, PolylineData>) {
                    for (PolylineVertex& v : d.vertices) {
                        const Point3 q = toNew({v.x, v.y, d.elevation});
                        v.x = q.x;
                        v.y = q.y;
                    }
                    d.elevation = toNew({0, 0, d.elevation}).z;
                } else if constexpr (std::is_same_v<T, TextData>) {
                    d.insertion = toNew(d.insertion);
                    d.alignmentPoint = toNew(d.alignmentPoint);
                    d.height *= std::abs(scale.y);
                    d.rotation += turn;
                } else if constexpr (std::is_same_v<T, InsertData>) {
                    d.insertion = toNew(d.insertion);
                    d.scaleX *= scale.x;
                    d.scaleY *= scale.y;
                    d.scaleZ *= scale.z;
                    d.rotation += turn;
                }
            }
        },
        out.data);
    return out;
}

// The entity as the world sees it when it was placed in the OCS `frame`.
Entity IntoWorld(const Entity& entity, const geometry::OcsFrame& frame) {
    if (frame.plan == geometry::OcsPlan::Identity) return entity;
    auto map = [&frame](const Point3& p) { return geometry::OcsToWcs(frame, p); };
    return Reframe(entity, map, map, Point3{1, 1, 1});
}

}  // namespace

Point3 Placement::Apply(const Point3& p) const {
    const double x = (p.x - base.x) * scaleX;
    const double y = (p.y - base.y) * scaleY;
    const double c = std::cos(rotation), s = std::sin(rotation);
    return {insertion.x + x * c - y * s, insertion.y + x * s + y * c,
            insertion.z + (p.z - base.z) * scaleZ};
}

Point3 Placement::ApplyToDirection(const Point3& d) const {
    const double x = d.x * scaleX;
    const double y = d.y * scaleY;
    const double c = std::cos(rotation), s = std::sin(rotation);
    return {x * c - y * s, x * s + y * c, d.z * scaleZ};
}

bool Placement::IsUniform() const {
    return scaleX > 0 && scaleY > 0 && std::abs(scaleX - scaleY) <= 1e-12 * scaleX;
}

geometry::OcsFrame FrameOf(const Entity& entity) {
    return VisitData(
        [](const auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, LineData> || std::is_same_v<T, LeaderData> ||
                          std::is_same_v<T, OtherEntityData>) {
                return geometry::OcsFrame{};
            } else {
                return geometry::ArbitraryAxis(d.extrusion);
            }
        },
        entity.data);
}

Entity TransformEntity(const Entity& entity, const Placement& pl) {
    // A mirroring placement (one negative scale) turns arcs and bulges the other way: the
    // entity moves onto the plane seen from below, which says so exactly.
    const bool mirrors = pl.scaleX * pl.scaleY < 0;
    if (FrameOf(entity).plan != geometry::OcsPlan::Identity || mirrors) {
        return Reframe(
            entity, [&pl](const Point3& p) { return pl.Apply(p); },
            [&pl](const Point3& d) { return pl.ApplyToDirection(d); },
            Point3{pl.scaleX, pl.scaleY, pl.scaleZ});
    }
    Entity out = entity;
    const double s = std::abs(pl.scaleX);
    VisitData(
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
    const geometry::OcsFrame frame = geometry::ArbitraryAxis(insert.extrusion);
    std::vector<Entity> out;
    out.reserve(block->entities.size());
    for (const Entity& e : block->entities) {
        Entity t = IntoWorld(TransformEntity(e, pl), frame);
        t.id = 0;
        out.push_back(std::move(t));
    }
    return out;
}

std::vector<Entity> PlacedEntities(const InsertData& ins, const std::vector<Block>& blocks) {
    const Block* block = FindBlockIn(blocks, ins.block);
    if (!block) return {};
    return PlacedEntities(ins, *block);
}

std::vector<Entity> PlacedEntities(const InsertData& ins, const Block& block) {
    std::vector<Entity> out;
    const Placement pl = PlacementOf(ins, block);
    const geometry::OcsFrame frame = geometry::ArbitraryAxis(ins.extrusion);
    out.reserve(block.entities.size());
    for (const Entity& e : block.entities) out.push_back(IntoWorld(TransformEntity(e, pl), frame));
    return out;
}

Point3 PlacedPoint(const InsertData& ins, const Block& block, const Point3& p) {
    return geometry::OcsToWcs(geometry::ArbitraryAxis(ins.extrusion),
                              PlacementOf(ins, block).Apply(p));
}

}  // namespace tarsel::minicad
