// Finding the triangles among picked lines and polyline segments: two segments sharing an end
// and a third joining their other ends. Nothing checks emptiness or overlap; every such triple
// counts, in a fixed order that becomes the triangle numbers.
#pragma once

#include <span>
#include <vector>

#include "geometry/primitives.h"

namespace tarsel::geometry {

// One picked lightweight polyline, as read from the selection.
struct PickedPolyline {
    int selectionIndex = 0;            // its place in the selection set
    bool closed = false;               // the entity's Closed flag
    std::vector<TAcadPoint> vertices;  // in order, z 0 (the entity's coordinate pairs)
};

// Appends each polyline's segments to segmentList, polylines and vertices in order; a closed
// polyline also gets the segment from its last vertex back to its first.
void PolylineSegments(std::span<const PickedPolyline> polylines,
                      std::vector<TAcadLine>& segmentList);

// Every triangle whose three sides are among the segments, in the order of the segment
// triples (a < b < c). A shared end is a plan distance below 0.001; the closing segment
// matches when x and y each differ by less than 0.001. Each triangle is (shared vertex, far
// end of the lower segment, far end of the higher one).
[[nodiscard]] std::vector<TAcadTriangle> AssembleTriangles(std::span<const TAcadLine> segments);

}  // namespace tarsel::geometry
