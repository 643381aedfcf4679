// Tracing the smallest closed region around a point from the drawing's lines, polylines
// (bulges as arcs), arcs and circles, as a CAD's boundary command does with island
// detection off. The palette numbers its triangles from the traced outline's vertex order,
// so that order is a fixed convention:
//
//   * counter-clockwise, starting at the lowest vertex (smallest y; among vertices level
//     with it within the gap tolerance, the smallest x);
//   * every node of the traced face is a vertex: where another line meets, crosses or ends
//     on the outline (a duplicate drawn over part of a side included), a vertex stays, even
//     where the outline runs straight on; duplicated and overlapping pieces are one side;
//   * an arc side keeps its arc as the bulge of the vertex it leaves;
//   * a circle has nodes only where other pieces meet it; a lone circle gives two
//     half-circle sides from its lowest to its highest point, a circle touched once gets
//     the point opposite the touch as its second vertex.
//
// Lines, polylines, arcs and circles take part; texts, inserts and leaders do not, nor do
// damaged pieces (non-finite numbers, zero length, an arc with equal start and end angles).
//
// Holes: with island detection off an island inside the region does not become part of
// the boundary; the result is the outer outline of the face holding the point. A point
// inside the island itself traces the island.
//
// Gaps: ends closer than the gap tolerance meet (and an end that close to another piece
// joins it). The default is 0.001 drawing units, the distance at which the system takes two
// points to be one; far from the origin it grows to 1e-11 of the point's coordinates, so
// that rounding in survey coordinates cannot open a closed outline. Wider gaps stay open.
//
// A point on a boundary line (within the tolerance) traces nothing: it does not say which
// side is meant, and guessing would number the wrong parcel.
//
// The search is local: it traces the pieces in a window around the point and widens the
// window until the region found lies inside it, so a pick costs the neighbourhood, not the
// drawing. Only a point that nothing nearer than the drawing's outermost lines encloses
// (open ground inside a frame) traces the whole drawing; a point outside everything is
// recognised without tracing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "minicad/drawing.h"
#include "minicad/segment_index.h"

namespace tarsel::minicad {

inline constexpr double kDefaultGapTolerance = 0.001;

struct TraceOptions {
    double gapTolerance = kDefaultGapTolerance;  // drawing units
    double initialHalfSize = 0;                  // first window; 0 = the index's cell size
};

struct TraceResult {
    std::optional<PolylineData> polyline;  // closed; the convention above
    std::string reason;                    // why there is no polyline
    int windows = 0;                       // search windows tried
    std::size_t pieces = 0;                // pieces traced in the last window
};

[[nodiscard]] TraceResult TraceBoundary(const SegmentIndex& index, double x, double y,
                                        const TraceOptions& options = {});
// Builds an index first: for a single pick; a document keeps its index instead.
[[nodiscard]] TraceResult TraceBoundary(const Drawing& drawing, double x, double y,
                                        const TraceOptions& options = {});

}  // namespace tarsel::minicad
