// Placing a block's entities for a reference (INSERT), and moving or rotating entities by
// the same transform: scale about the block's base point, rotate, move to the insertion.
// A reference's transform acts in its own object coordinate system, which then stands in
// the world by its extrusion; entities that keep OCS points are moved in theirs.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "geometry/ocs.h"
#include "minicad/drawing.h"

namespace tarsel::minicad {

struct Placement {
    Point3 base;
    Point3 insertion;
    double scaleX = 1, scaleY = 1, scaleZ = 1;
    double rotation = 0;  // radians
    [[nodiscard]] Point3 Apply(const Point3& p) const;
    // The same without the move: for directions.
    [[nodiscard]] Point3 ApplyToDirection(const Point3& d) const;
    // Uniform, unmirrored placements keep circles circles and texts upright in their own
    // frame; only those can be exploded here.
    [[nodiscard]] bool IsUniform() const;
};

// The object coordinate system an entity's points are kept in: its extrusion's for
// circles, arcs, polylines, texts and references, the world's for lines and leaders.
[[nodiscard]] geometry::OcsFrame FrameOf(const Entity& entity);

// Transforms in world coordinates; an entity kept in an OCS stays in one (its extrusion
// turns with the transform).
[[nodiscard]] Entity TransformEntity(const Entity& entity, const Placement& placement);

// The block's entities as the reference shows them, in world coordinates (a nested
// reference stays one INSERT, placed). Ids are left 0; xdata and layers are kept. nullopt when the
// block is missing or the placement is not uniform.
[[nodiscard]] std::optional<std::vector<Entity>> ExplodeInsert(const InsertData& insert,
                                                               const std::vector<Block>& blocks);
// The same for geometric queries, under any placement: empty when the block is missing.
[[nodiscard]] std::vector<Entity> PlacedEntities(const InsertData& insert,
                                                 const std::vector<Block>& blocks);
// The same for the reference's block, already found.
[[nodiscard]] std::vector<Entity> PlacedEntities(const InsertData& insert, const Block& block);
// Where the reference shows a point of its block's coordinates, in the world.
[[nodiscard]] Point3 PlacedPoint(const InsertData& insert, const Block& block, const Point3& p);

}  // namespace tarsel::minicad
