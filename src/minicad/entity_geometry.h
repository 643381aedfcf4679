// Where minicad's entities are on the plane: the DXF and automation names of each kind,
// extents, distance from a point, whether a window crosses or holds an entity, the
// outline of a text, and the transform that places a block's entities for an INSERT.
// Pure functions on the drawing records; block references are followed through `blocks`.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {

// "LINE", "TEXT", "CIRCLE", "LWPOLYLINE", "ARC", "INSERT", "LEADER": what group code 0
// filters match.
[[nodiscard]] std::string_view DxfTypeName(const EntityData& data);
// "AcDbLine", "AcDbText", ...: what EntityName reports.
[[nodiscard]] std::string_view AutomationName(const EntityData& data);

// An axis-aligned box; may be degenerate (a segment or a point), as a crossing window
// given by two corners on one line is.
struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    static Box FromCorners(const Point3& a, const Point3& b);
    static Box Around(const Point3& p, double halfSize);
};

// The four corners of a text's outline (counter-clockwise from the lower left): the box a
// user sees around the characters. Widths are estimated from the characters (full-width
// characters one text height, others 0.7 of it) because minicad renders no fonts.
[[nodiscard]] std::vector<Point3> TextOutline(const TextData& text);
[[nodiscard]] double EstimatedTextWidth(const TextData& text);
// The left end of the baseline (DXF group 10) of a text hung on its alignment point.
[[nodiscard]] Point3 TextInsertionFromAlignment(const TextData& text);

// Extents in the plane; nullopt for an entity with nothing to show (an empty polyline, a
// reference to a missing or empty block).
[[nodiscard]] std::optional<Box> EntityBox(const Entity& entity, const std::vector<Block>& blocks);
// Plan distance from p to the entity's curve (0 inside a text's outline).
[[nodiscard]] double DistanceToEntity(const Entity& entity, const Point3& p,
                                      const std::vector<Block>& blocks);
// The window touches the entity's curve (a text: its outline), as a crossing window selects.
[[nodiscard]] bool CrossesBox(const Entity& entity, const Box& box,
                              const std::vector<Block>& blocks);
// The entity lies wholly inside the window, as a plain window selects.
[[nodiscard]] bool InsideBox(const Entity& entity, const Box& box,
                             const std::vector<Block>& blocks);

// Placing a block's entities for a reference: scale about the block's base point, rotate
// by the reference's rotation, move to its insertion point.
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

// The block's entities as the reference shows them (a nested reference stays one INSERT,
// placed). Ids are left 0; xdata and layers are kept. nullopt when the block is missing or
// the placement is not uniform.
[[nodiscard]] std::optional<std::vector<Entity>> ExplodeInsert(const InsertData& insert,
                                                               const std::vector<Block>& blocks);
[[nodiscard]] Entity TransformEntity(const Entity& entity, const Placement& placement);

}  // namespace tarsel::minicad
