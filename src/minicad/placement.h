// Placing a block's entities for a reference (INSERT), and moving or rotating entities by
// the same transform: scale about the block's base point, rotate, move to the insertion.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {

struct Placement {
    Point3 base;
    Point3 insertion;
    double scaleX = 1, scaleY = 1, scaleZ = 1;
    double rotation = 0;  // radians
    [[nodiscard]] Point3 Apply(const Point3& p) const;
    // Uniform, unmirrored placements keep circles circles and texts upright in their own
    // frame; only those can be exploded here.
    [[nodiscard]] bool IsUniform() const;
};

[[nodiscard]] Entity TransformEntity(const Entity& entity, const Placement& placement);

// The block's entities as the reference shows them (a nested reference stays one INSERT,
// placed). Ids are left 0; xdata and layers are kept. nullopt when the block is missing or
// the placement is not uniform.
[[nodiscard]] std::optional<std::vector<Entity>> ExplodeInsert(const InsertData& insert,
                                                               const std::vector<Block>& blocks);
// The same for geometric queries, under any placement: empty when the block is missing.
[[nodiscard]] std::vector<Entity> PlacedEntities(const InsertData& insert,
                                                 const std::vector<Block>& blocks);

}  // namespace tarsel::minicad
