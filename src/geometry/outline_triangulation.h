// Splitting a closed outline into triangles whose corners are outline vertices, by cutting
// off the corner closest to 60 degrees and fanning from its neighbours. The order of the
// triangles becomes the users' triangle numbers, so it is part of the result.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "geometry/primitives.h"

namespace tarsel::geometry {

// Receives every accepted diagonal (start, end) at once, in the order of acceptance. An
// exception it throws ends the split and passes through to the caller.
using DiagonalCallback = std::function<void(const TAcadPoint& start, const TAcadPoint& end)>;

struct OutlineSplit {
    bool success = false;
    std::vector<TAcadTriangle> triangles;  // order of cutting; not to be used on failure
};

// outline: the vertices in order, either orientation, closed implicitly. viewSize: the height
// of the view in drawing units; the inside test casts a ray ten times as long, so a region
// much larger than the view may be misjudged and the split fail. Fails after four passes per
// vertex without reaching three vertices; the diagonals reported until then stay reported.
[[nodiscard]] OutlineSplit TriangulateOutline(std::span<const TAcadPoint> outline, double viewSize,
                                              const DiagonalCallback& onDiagonal);

// The helpers below treat `list` as a closed polygon: the last vertex joined to the first.

// Vertex at cyclic index k (any integer) of a non-empty list.
[[nodiscard]] TAcadPoint PolygonVertexAt(std::span<const TAcadPoint> list, int k);
// True when some entry lies less than 0.001 from p in both x and y.
[[nodiscard]] bool PointListContains(const TAcadPoint& p, std::span<const TAcadPoint> list);
// Removes the first entry matching p as PointListContains does, moving later entries down;
// returns the new count (n unchanged when nothing matches). Entries from the count on are
// left as they are.
[[nodiscard]] int RemovePointFromList(const TAcadPoint& p, std::span<TAcadPoint> list, int n);
// Ray casting straight up over rayLength; a meeting within 0.001 of an edge end counts half.
[[nodiscard]] bool PointInPolygon(const TAcadPoint& p, std::span<const TAcadPoint> list,
                                  double rayLength);
// True when a-b meets an edge farther than 0.001 from both a and b.
[[nodiscard]] bool SegmentCrossesPolygon(const TAcadPoint& a, const TAcadPoint& b,
                                         std::span<const TAcadPoint> list);
// True when a-c lies inside both the working outline and the full outline and crosses neither.
[[nodiscard]] bool IsInteriorDiagonal(const TAcadPoint& a, const TAcadPoint& c,
                                      std::span<const TAcadPoint> outline,
                                      std::span<const TAcadPoint> working, double viewSize);

}  // namespace tarsel::geometry
