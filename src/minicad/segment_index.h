// A spatial index of the drawing's curve geometry (lines, polyline segments with bulges as
// arcs, arcs, circles), kept by entity id so the document can update it as entities change,
// and asked for the pieces near a point when a boundary is traced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {

struct PlanarPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const PlanarPoint&, const PlanarPoint&) = default;
};

struct PlanarBox {
    double minX = 0;
    double minY = 0;
    double maxX = 0;
    double maxY = 0;

    [[nodiscard]] static PlanarBox Around(PlanarPoint p, double halfSize) {
        return {p.x - halfSize, p.y - halfSize, p.x + halfSize, p.y + halfSize};
    }
    [[nodiscard]] PlanarBox Expanded(double d) const {
        return {minX - d, minY - d, maxX + d, maxY + d};
    }
    [[nodiscard]] bool Intersects(const PlanarBox& o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
    [[nodiscard]] bool Contains(const PlanarBox& o) const {
        return minX <= o.minX && o.maxX <= maxX && minY <= o.minY && o.maxY <= maxY;
    }
    [[nodiscard]] bool Contains(PlanarPoint p) const {
        return minX <= p.x && p.x <= maxX && minY <= p.y && p.y <= maxY;
    }
    void Include(const PlanarBox& o);
    void Include(PlanarPoint p);
};

enum class CurveKind : std::uint8_t { Line, Arc };

// One straight or circular piece of an entity, parametrised by t in [0, 1] from start to
// end. Arcs run from startAngle through sweep radians (positive counter-clockwise), so a
// polyline segment with a negative bulge stays in its own direction.
struct CurvePiece {
    std::int64_t entityId = 0;
    CurveKind kind = CurveKind::Line;
    PlanarPoint start;
    PlanarPoint end;
    PlanarPoint center;     // arcs only
    double radius = 0;      // arcs only, drawing units
    double startAngle = 0;  // arcs only, radians
    double sweep = 0;       // arcs only, radians, 0 < |sweep| <= 2 pi
    PlanarBox box;          // tight bounds

    [[nodiscard]] PlanarPoint PointAt(double t) const;
};

[[nodiscard]] CurvePiece MakeLinePiece(PlanarPoint a, PlanarPoint b, std::int64_t entityId = 0);
[[nodiscard]] CurvePiece MakeArcPiece(PlanarPoint center, double radius, double startAngle,
                                      double sweep, std::int64_t entityId = 0);
// The segment a-b of a polyline with its bulge (tan of a quarter of the included angle).
[[nodiscard]] CurvePiece MakeBulgePiece(PlanarPoint a, PlanarPoint b, double bulge,
                                        std::int64_t entityId = 0);

// The pieces an entity contributes to boundaries: LINE, LWPOLYLINE, ARC and CIRCLE; texts,
// inserts and leaders contribute none. Zero-length pieces and non-finite coordinates are
// left out, so a damaged entity cannot poison a trace.
[[nodiscard]] std::vector<CurvePiece> PiecesOf(const Entity& entity);

// A uniform grid over the pieces. The cell size follows the pieces' typical size and is
// chosen again (lazily, at the next query) when the number of pieces has changed a lot, so
// building piece by piece through Add costs the same as building from a drawing. Queries
// are const but not thread-safe: they stamp pieces to report each one once.
class SegmentIndex {
public:
    SegmentIndex() = default;
    explicit SegmentIndex(const Drawing& drawing);

    void Add(const Entity& entity);
    void Update(const Entity& entity);
    void Remove(std::int64_t entityId);
    void Clear();

    // The pieces whose bounds meet the box, each once, in no particular order.
    [[nodiscard]] std::vector<const CurvePiece*> Query(const PlanarBox& box) const;
    [[nodiscard]] bool AnyIn(const PlanarBox& box) const;

    // Bounds of every piece added since the last rebuild; may be larger than the pieces left
    // after removals, never smaller.
    [[nodiscard]] const PlanarBox& Bounds() const { return bounds_; }
    [[nodiscard]] bool Empty() const { return liveCount_ == 0; }
    [[nodiscard]] std::size_t PieceCount() const { return liveCount_; }
    // The grid's cell size: about twice the median piece, a natural first search radius.
    [[nodiscard]] double CellSize() const;

private:
    using CellKey = std::uint64_t;

    void AddPiece(CurvePiece piece);
    void RemovePiece(std::uint32_t slot);
    void EnsureGrid() const;
    void Rebuild() const;
    void Insert(std::uint32_t slot) const;
    void Erase(std::uint32_t slot) const;
    void CellRange(const PlanarBox& box, std::int64_t& x0, std::int64_t& y0, std::int64_t& x1,
                   std::int64_t& y1) const;
    template <typename Visit>
    void ForEachCandidate(const PlanarBox& box, Visit&& visit) const;

    std::vector<CurvePiece> pieces_;
    std::vector<bool> live_;
    std::vector<std::uint32_t> freeSlots_;
    std::unordered_map<std::int64_t, std::vector<std::uint32_t>> byEntity_;
    std::size_t liveCount_ = 0;
    // Tightened at every rebuild of the grid, hence mutable.
    mutable PlanarBox bounds_;
    mutable bool haveBounds_ = false;

    // The grid is rebuilt from pieces_ when stale; these members only cache it.
    mutable bool gridValid_ = false;
    mutable double cellSize_ = 1;
    mutable double originX_ = 0;
    mutable double originY_ = 0;
    mutable std::size_t countAtBuild_ = 0;
    mutable std::unordered_map<CellKey, std::vector<std::uint32_t>> cells_;
    mutable std::vector<std::uint32_t> large_;  // pieces spanning too many cells
    mutable std::vector<std::uint8_t> inLarge_;
    mutable std::vector<std::uint32_t> stamp_;
    mutable std::uint32_t currentStamp_ = 0;
};

}  // namespace tarsel::minicad
