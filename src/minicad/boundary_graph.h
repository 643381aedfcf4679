// The planar arrangement behind a boundary trace: a set of curve pieces noded (crossings,
// touching ends, overlaps), merged (duplicated and overlapping pieces become one edge),
// cleared of dangling edges, and searched for the smallest closed loop around a point.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/segment_index.h"

namespace tarsel::minicad::detail {

enum class LoopStatus {
    Found,        // a closed loop encloses the point
    NotEnclosed,  // no loop of these pieces encloses the point
    OnBoundary,   // the point lies on an edge of a closed loop (within the tolerance)
};

struct EnclosingLoop {
    LoopStatus status = LoopStatus::NotEnclosed;
    // Counter-clockwise, starting at the lowest vertex; bulge of the side leaving each vertex.
    std::vector<PolylineVertex> vertices;
    PlanarBox box;          // bounds of the loop, arcs included
    double area = 0;        // enclosed area, arcs included
    std::size_t nodes = 0;  // nodes of the arrangement (for measurements)
    std::size_t edges = 0;  // edges left after merging and pruning
};

// Points closer than tolerance are one node; an end closer than tolerance to another piece
// is joined to it. Among the loops that enclose p, the one of least area is the outer
// boundary of p's face: holes are not part of the result.
[[nodiscard]] EnclosingLoop FindEnclosingLoop(std::span<const CurvePiece* const> pieces,
                                              PlanarPoint p, double tolerance);

}  // namespace tarsel::minicad::detail
