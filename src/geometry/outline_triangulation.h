// Splitting a closed outline into triangles whose corners are outline vertices, by cutting
// off the corner closest to 60 degrees and fanning from its neighbours, and finishing by
// cutting ears where that method gives up. The order of the triangles becomes the users'
// triangle numbers, so it is part of the result.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "geometry/primitives.h"

namespace tarsel::geometry {

// Receives every accepted diagonal (start, end) in the order of acceptance (when, see
// TriangulateOutline). An exception it throws ends the split and passes through to the
// caller.
using DiagonalCallback = std::function<void(const TAcadPoint& start, const TAcadPoint& end)>;

struct OutlineSplit {
    bool success = false;
    std::vector<TAcadTriangle> triangles;  // order of cutting; not to be used on failure
    // The 60-degree passes gave up and the split was completed (SplitMode::Completed).
    bool completed = false;
    // How many of the last triangles were cut as ears by the completion.
    int completedTriangles = 0;
};

enum class SplitMode {
    // The 60-degree cuts, each checked exactly (CutStaysInside) and refused like any other
    // when the check fails; where they give up, the rest of the outline is cut into ears.
    // Fails only for outlines that no method can split: edges that cross, fewer than three
    // distinct vertices, no area, coordinates that are not numbers. Where the plain split
    // is sound, the result is exactly the plain one.
    Completed,
    // The 60-degree cuts as the split always made them, without the check: for comparing
    // with earlier results only, as its inside tests can take a triangle outside the outline
    // for inside.
    Plain,
};

// outline: the vertices in order, either orientation, closed implicitly. viewSize: the height
// of the view in drawing units; the inside test casts a ray ten times as long, so a region
// much larger than the view may be misjudged and the 60-degree passes give up. They give up
// after four passes per vertex without reaching three vertices.
//
// Plain: the diagonals are reported as they are accepted; on failure those stay reported.
// Completed: the checked passes are first run on their own; when they succeed, their
// diagonals are reported in order and that is the result. When they give up, the passes run
// again, reporting as they go, now refusing also a cut whose diagonal runs through a vertex
// (DiagonalMeetsVertex), and the completion cuts the rest, reporting its diagonals after
// theirs. So the passes leave no spike behind that only a triangle of no area could remove.
[[nodiscard]] OutlineSplit TriangulateOutline(std::span<const TAcadPoint> outline, double viewSize,
                                              const DiagonalCallback& onDiagonal,
                                              SplitMode mode = SplitMode::Completed);

// Exact tests on the outline's shape, and the completion itself (outline_completion.cpp).

// The outline's direction: the turn at its lowest-leftmost vertex, or the sign of its area
// where that vertex is flat. Collinear when the outline has no area (fewer than three
// distinct vertices, or all of them on one line).
[[nodiscard]] Turn OutlineWinding(std::span<const TAcadPoint> outline);
// True when two edges cross: they meet at one point inside both, or an edge passes through
// a vertex whose neighbours lie strictly on either side of it, or the outline visits one
// vertex twice with the insides of the two visits overlapping (it runs over itself). Touching
// is not crossing.
[[nodiscard]] bool OutlineEdgesCross(std::span<const TAcadPoint> outline);
// True when the triangle (prev, corner, next), whose points follow the working outline's
// order, lies inside it: the corner turns with the winding or is straight, and no vertex of
// `outline` lies strictly inside the triangle.
[[nodiscard]] bool CutStaysInside(const TAcadPoint& prev, const TAcadPoint& corner,
                                  const TAcadPoint& next, std::span<const TAcadPoint> outline,
                                  Turn winding);
// True when a vertex of `outline` lies on the segment a-c between its ends. A cut along such
// a diagonal leaves the outline touching itself, with a spike that only a triangle of no area
// can remove afterwards.
[[nodiscard]] bool DiagonalMeetsVertex(const TAcadPoint& a, const TAcadPoint& c,
                                       std::span<const TAcadPoint> outline);
// Cuts a polygon without crossing edges into polygon.size() - 2 triangles, appended to
// `triangles` in the order of cutting, each with its diagonal reported. Each cut is an ear
// (a corner turning with the winding whose closed triangle holds no other vertex), the one
// closest to 60 degrees first; such an ear always exists in a simple polygon, collinear
// vertices included. Where none is left (a polygon that touches itself), a flat corner is
// cut as a triangle of no area. Returns false when neither is left; the diagonals reported
// until then stay reported.
[[nodiscard]] bool CutEars(std::vector<TAcadPoint> polygon, Turn winding,
                           std::vector<TAcadTriangle>& triangles,
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
