// A spatial index of the drawing's curve geometry (lines, polyline segments with bulges as
// arcs, arcs, circles), kept by entity id so the document can update it as entities change,
// and asked for the pieces near a point when a boundary is traced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "geometry/curves.h"
#include "minicad/drawing.h"

namespace tarsel::minicad {

// The index holds the curve kernel's pieces; a piece's owner is the entity's id.
using geometry::CurveKind;
using geometry::CurvePiece;
using geometry::MakeArcPiece;
using geometry::MakeBulgePiece;
using geometry::MakeLinePiece;
using geometry::PlanarBox;
using geometry::PlanarPoint;

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
