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

}  // namespace

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

std::vector<Entity> PlacedEntities(const InsertData& ins, const std::vector<Block>& blocks) {
    std::vector<Entity> out;
    const Block* block = FindBlockIn(blocks, ins.block);
    if (!block) return out;
    const Placement pl = PlacementOf(ins, *block);
    out.reserve(block->entities.size());
    for (const Entity& e : block->entities) out.push_back(TransformEntity(e, pl));
    return out;
}

}  // namespace tarsel::minicad
