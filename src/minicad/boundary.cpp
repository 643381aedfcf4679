#include "minicad/boundary.h"

#include <algorithm>
#include <cmath>

#include "minicad/boundary_graph.h"

namespace tarsel::minicad {

namespace {

constexpr const char* kNoRegion = "no closed region around the point";
constexpr const char* kOnLine = "the point lies on a boundary line";
constexpr const char* kNothingToTrace = "the drawing has no lines, polylines, arcs or circles";
constexpr const char* kNotANumber = "the point is not a finite number";
// Doubling from the cell size reaches any drawing's extent well within this; the last
// round then traces everything, so the answer never depends on running out of rounds.
constexpr int kMaxWindows = 80;

// A closed region around p must cross each of the four axis rays from p. A ray whose
// strip (as wide as the tolerance on either side) meets no piece's bounds proves p is
// outside every region, without tracing anything.
bool EscapesAlongAxis(const SegmentIndex& index, PlanarPoint p, const PlanarBox& bounds,
                      double tol) {
    const PlanarBox strips[4] = {
        {p.x, p.y - tol, std::max(p.x, bounds.maxX), p.y + tol},
        {std::min(p.x, bounds.minX), p.y - tol, p.x, p.y + tol},
        {p.x - tol, p.y, p.x + tol, std::max(p.y, bounds.maxY)},
        {p.x - tol, std::min(p.y, bounds.minY), p.x + tol, p.y},
    };
    for (const PlanarBox& s : strips) {
        if (!index.AnyIn(s)) return true;
    }
    return false;
}

}  // namespace

TraceResult TraceBoundary(const SegmentIndex& index, double x, double y,
                          const TraceOptions& options) {
    TraceResult result;
    if (!std::isfinite(x) || !std::isfinite(y)) {
        result.reason = kNotANumber;
        return result;
    }
    if (index.Empty()) {
        result.reason = kNothingToTrace;
        return result;
    }
    const PlanarPoint p{x, y};
    const double tol =
        std::max(options.gapTolerance > 0 ? options.gapTolerance : kDefaultGapTolerance,
                 1e-11 * std::max(std::fabs(x), std::fabs(y)));
    const PlanarBox bounds = index.Bounds().Expanded(2 * tol);
    if (!bounds.Contains(p) || EscapesAlongAxis(index, p, bounds, tol)) {
        result.reason = kNoRegion;
        return result;
    }

    double half = options.initialHalfSize > 0 ? options.initialHalfSize : index.CellSize();
    PlanarBox window = PlanarBox::Around(p, half);
    for (int round = 1; round <= kMaxWindows; ++round) {
        if (round == kMaxWindows) window.Include(bounds);
        result.windows = round;
        // Pieces reaching into the margin can still join pieces inside the window.
        const std::vector<const CurvePiece*> pieces = index.Query(window.Expanded(2 * tol));
        result.pieces = pieces.size();
        const bool everything = window.Contains(bounds);
        const detail::EnclosingLoop loop = detail::FindEnclosingLoop(pieces, p, tol);
        if (loop.status == detail::LoopStatus::OnBoundary) {
            // Pieces outside the window can only add edges, never take this one away.
            result.reason = kOnLine;
            return result;
        }
        if (loop.status == detail::LoopStatus::Found) {
            // Pieces outside the window cannot reach a loop lying inside it, so the loop is
            // final. Otherwise the true region lies within this loop: one more round over
            // the loop's bounds settles it.
            if (everything || window.Contains(loop.box)) {
                PolylineData outline;
                outline.closed = true;
                outline.vertices = loop.vertices;
                result.polyline = std::move(outline);
                return result;
            }
            window.Include(loop.box.Expanded(4 * tol));
            continue;
        }
        if (everything) break;
        half *= 2;
        window.Include(PlanarBox::Around(p, half));
    }
    result.reason = kNoRegion;
    return result;
}

TraceResult TraceBoundary(const Drawing& drawing, double x, double y, const TraceOptions& options) {
    const SegmentIndex index(drawing);
    return TraceBoundary(index, x, y, options);
}

}  // namespace tarsel::minicad
