#include "minicad/segment_index.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "geometry/ocs.h"
#include "minicad/placement.h"

namespace tarsel::minicad {

namespace {

// A piece whose bounds cover more cells than this is kept in a side list scanned by every
// query: one long line across the drawing must not fill thousands of cells.
constexpr std::int64_t kMaxCellsPerPiece = 64;
// Cell coordinates are kept well inside 32 bits so that keys never collide.
constexpr std::int64_t kCellLimit = std::int64_t{1} << 30;

bool Finite(PlanarPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

std::vector<CurvePiece> PiecesOf(const Entity& entity) {
    std::vector<CurvePiece> out;
    const std::int64_t id = entity.id;
    auto addLine = [&](PlanarPoint a, PlanarPoint b) {
        if (Finite(a) && Finite(b) && !(a == b)) out.push_back(MakeLinePiece(a, b, id));
    };
    VisitData(
        [&](const auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, LineData>) {
                addLine({d.start.x, d.start.y}, {d.end.x, d.end.y});
            } else if constexpr (std::is_same_v<T, PolylineData>) {
                const std::size_t n = d.vertices.size();
                const std::size_t segments = d.closed ? n : (n == 0 ? 0 : n - 1);
                if (n < 2) return;
                for (std::size_t i = 0; i < segments; ++i) {
                    const PolylineVertex& v = d.vertices[i];
                    const PolylineVertex& w = d.vertices[(i + 1) % n];
                    const PlanarPoint a{v.x, v.y};
                    const PlanarPoint b{w.x, w.y};
                    if (!Finite(a) || !Finite(b) || a == b) continue;
                    // A damaged bulge leaves a gap rather than a guessed straight side.
                    if (!std::isfinite(v.bulge)) continue;
                    CurvePiece piece = MakeBulgePiece(a, b, v.bulge, id);
                    if (piece.kind == CurveKind::Arc &&
                        !(std::isfinite(piece.radius) && std::isfinite(piece.center.x) &&
                          std::isfinite(piece.center.y))) {
                        continue;
                    }
                    out.push_back(piece);
                }
            } else if constexpr (std::is_same_v<T, ArcData>) {
                const PlanarPoint c{d.center.x, d.center.y};
                if (!Finite(c) || !std::isfinite(d.radius) || d.radius <= 0) return;
                if (!std::isfinite(d.startAngle) || !std::isfinite(d.endAngle)) return;
                // Equal angles are a damaged arc, not a circle: no geometry is invented.
                if (d.startAngle == d.endAngle) return;
                out.push_back(
                    MakeArcPiece(c, d.radius, d.startAngle,
                                 geometry::CounterClockwiseSweep(d.startAngle, d.endAngle), id));
            } else if constexpr (std::is_same_v<T, CircleData>) {
                const PlanarPoint c{d.center.x, d.center.y};
                if (!Finite(c) || !std::isfinite(d.radius) || d.radius <= 0) return;
                // Starting at the bottom makes a lone circle's traced outline start at its
                // lowest point, like every other outline.
                out.push_back(MakeArcPiece(c, d.radius, -geometry::kHalfPi, geometry::kTwoPi, id));
            }
        },
        entity.data);
    switch (FrameOf(entity).plan) {
        case geometry::OcsPlan::Identity: break;
        case geometry::OcsPlan::Mirror:
            // Seen from below: the exact mirror image, arcs running clockwise. The z of the
            // plane plays no part in plan.
            for (CurvePiece& piece : out)
                piece = geometry::PlanPieces(piece, 0, FrameOf(entity))[0];
            break;
        case geometry::OcsPlan::Tilted:
            // A plane not parallel to the plan shows circles as ellipses: like a CAD's
            // boundary in plan, such an entity bounds nothing rather than a guessed outline.
            out.clear();
            break;
    }
    return out;
}

SegmentIndex::SegmentIndex(const Drawing& drawing) {
    for (const Entity& e : drawing.entities) Add(e);
}

void SegmentIndex::Add(const Entity& entity) {
    if (byEntity_.count(entity.id) != 0) Remove(entity.id);
    std::vector<CurvePiece> pieces = PiecesOf(entity);
    if (pieces.empty()) return;
    for (CurvePiece& p : pieces) AddPiece(std::move(p));
}

void SegmentIndex::Update(const Entity& entity) {
    Add(entity);
}

void SegmentIndex::Remove(std::int64_t entityId) {
    auto it = byEntity_.find(entityId);
    if (it == byEntity_.end()) return;
    for (std::uint32_t slot : it->second) RemovePiece(slot);
    byEntity_.erase(it);
}

void SegmentIndex::Clear() {
    pieces_.clear();
    live_.clear();
    freeSlots_.clear();
    byEntity_.clear();
    liveCount_ = 0;
    bounds_ = {};
    haveBounds_ = false;
    gridValid_ = false;
    cells_.clear();
    large_.clear();
    inLarge_.clear();
    stamp_.clear();
    countAtBuild_ = 0;
}

void SegmentIndex::AddPiece(CurvePiece piece) {
    std::uint32_t slot;
    if (!freeSlots_.empty()) {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
        pieces_[slot] = std::move(piece);
        live_[slot] = true;
    } else {
        slot = static_cast<std::uint32_t>(pieces_.size());
        pieces_.push_back(std::move(piece));
        live_.push_back(true);
    }
    byEntity_[pieces_[slot].owner].push_back(slot);
    ++liveCount_;
    if (!haveBounds_) {
        bounds_ = pieces_[slot].box;
        haveBounds_ = true;
    } else {
        bounds_.Include(pieces_[slot].box);
    }
    if (gridValid_) Insert(slot);
}

void SegmentIndex::RemovePiece(std::uint32_t slot) {
    if (gridValid_) Erase(slot);
    live_[slot] = false;
    freeSlots_.push_back(slot);
    --liveCount_;
}

double SegmentIndex::CellSize() const {
    EnsureGrid();
    return cellSize_;
}

void SegmentIndex::EnsureGrid() const {
    // Rebuilding when the count has doubled or shrunk to a quarter keeps the cell size
    // matched to the pieces at an amortised constant cost per change.
    const bool stale = !gridValid_ || liveCount_ > 2 * countAtBuild_ + 16 ||
                       (countAtBuild_ > 64 && liveCount_ * 4 < countAtBuild_);
    if (stale) Rebuild();
}

void SegmentIndex::Rebuild() const {
    cells_.clear();
    large_.clear();
    inLarge_.assign(pieces_.size(), 0);
    if (stamp_.size() < pieces_.size()) stamp_.resize(pieces_.size(), 0);
    countAtBuild_ = liveCount_;
    gridValid_ = true;

    std::vector<double> extents;
    extents.reserve(liveCount_);
    PlanarBox bounds;
    bool first = true;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        if (!live_[i]) continue;
        const PlanarBox& b = pieces_[i].box;
        extents.push_back(std::max(b.maxX - b.minX, b.maxY - b.minY));
        if (first) {
            bounds = b;
            first = false;
        } else {
            bounds.Include(b);
        }
    }
    bounds_ = first ? PlanarBox{} : bounds;
    haveBounds_ = !first;
    double median = 1;
    if (!extents.empty()) {
        auto mid = extents.begin() + static_cast<std::ptrdiff_t>(extents.size() / 2);
        std::nth_element(extents.begin(), mid, extents.end());
        median = *mid;
    }
    const double span = std::max(bounds.maxX - bounds.minX, bounds.maxY - bounds.minY);
    // At least span / 2^20 keeps cell numbers small whatever the drawing's spread.
    cellSize_ = std::max({2 * median, span / 1048576.0, 1e-9});
    originX_ = bounds.minX;
    originY_ = bounds.minY;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        if (live_[i]) Insert(static_cast<std::uint32_t>(i));
    }
}

void SegmentIndex::CellRange(const PlanarBox& box, std::int64_t& x0, std::int64_t& y0,
                             std::int64_t& x1, std::int64_t& y1) const {
    auto cell = [&](double v, double origin) {
        const double c = std::floor((v - origin) / cellSize_);
        if (!(c > -static_cast<double>(kCellLimit))) return -kCellLimit;
        if (!(c < static_cast<double>(kCellLimit))) return kCellLimit;
        return static_cast<std::int64_t>(c);
    };
    x0 = cell(box.minX, originX_);
    y0 = cell(box.minY, originY_);
    x1 = cell(box.maxX, originX_);
    y1 = cell(box.maxY, originY_);
}

namespace {
std::uint64_t Key(std::int64_t x, std::int64_t y) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
           static_cast<std::uint32_t>(y);
}
}  // namespace

void SegmentIndex::Insert(std::uint32_t slot) const {
    if (inLarge_.size() < pieces_.size()) inLarge_.resize(pieces_.size(), 0);
    if (stamp_.size() < pieces_.size()) stamp_.resize(pieces_.size(), 0);
    std::int64_t x0, y0, x1, y1;
    CellRange(pieces_[slot].box, x0, y0, x1, y1);
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerPiece) {
        inLarge_[slot] = 1;
        large_.push_back(slot);
        return;
    }
    inLarge_[slot] = 0;
    for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) cells_[Key(x, y)].push_back(slot);
    }
}

void SegmentIndex::Erase(std::uint32_t slot) const {
    auto dropFrom = [slot](std::vector<std::uint32_t>& v) {
        auto it = std::find(v.begin(), v.end(), slot);
        if (it != v.end()) {
            *it = v.back();
            v.pop_back();
        }
    };
    if (inLarge_[slot]) {
        dropFrom(large_);
        inLarge_[slot] = 0;
        return;
    }
    std::int64_t x0, y0, x1, y1;
    CellRange(pieces_[slot].box, x0, y0, x1, y1);
    for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) {
            auto it = cells_.find(Key(x, y));
            if (it == cells_.end()) continue;
            dropFrom(it->second);
            if (it->second.empty()) cells_.erase(it);
        }
    }
}

template <typename Visit>
void SegmentIndex::ForEachCandidate(const PlanarBox& box, Visit&& visit) const {
    EnsureGrid();
    if (++currentStamp_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0);
        currentStamp_ = 1;
    }
    auto offer = [&](std::uint32_t slot) {
        if (stamp_[slot] == currentStamp_) return true;
        stamp_[slot] = currentStamp_;
        if (!pieces_[slot].box.Intersects(box)) return true;
        return visit(pieces_[slot]);
    };
    for (std::uint32_t slot : large_) {
        if (!offer(slot)) return;
    }
    std::int64_t x0, y0, x1, y1;
    CellRange(box, x0, y0, x1, y1);
    const double wanted = static_cast<double>(x1 - x0 + 1) * static_cast<double>(y1 - y0 + 1);
    if (wanted > static_cast<double>(cells_.size())) {
        // A window wider than the occupied cells: walking the cells that exist is cheaper.
        for (const auto& [key, slots] : cells_) {
            for (std::uint32_t slot : slots) {
                if (!offer(slot)) return;
            }
        }
        return;
    }
    for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) {
            auto it = cells_.find(Key(x, y));
            if (it == cells_.end()) continue;
            for (std::uint32_t slot : it->second) {
                if (!offer(slot)) return;
            }
        }
    }
}

std::vector<const CurvePiece*> SegmentIndex::Query(const PlanarBox& box) const {
    std::vector<const CurvePiece*> out;
    ForEachCandidate(box, [&](const CurvePiece& p) {
        out.push_back(&p);
        return true;
    });
    return out;
}

bool SegmentIndex::AnyIn(const PlanarBox& box) const {
    bool found = false;
    ForEachCandidate(box, [&](const CurvePiece&) {
        found = true;
        return false;
    });
    return found;
}

}  // namespace tarsel::minicad
