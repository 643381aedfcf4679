// Where minicad's entities are on the plane, for extents and selection: an entity's box,
// its distance from a point, whether a window crosses or holds it. Curves are the curve
// kernel's pieces (geometry/curves.h); texts are their outlines; block references are
// followed through `blocks`.
#pragma once

#include <optional>
#include <vector>

#include "geometry/curves.h"
#include "minicad/drawing.h"

namespace tarsel::minicad {

// An axis-aligned box; may be degenerate (a segment or a point), as a crossing window
// given by two corners on one line is.
using Box = geometry::PlanarBox;
[[nodiscard]] Box BoxFromCorners(const Point3& a, const Point3& b);

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

}  // namespace tarsel::minicad
