#include "geometry/outline_triangulation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace tarsel::geometry {

namespace {

constexpr double kTargetAngle = 1.0471975511965976;  // pi/3: the corner we like to cut
constexpr double kMatchTolerance = 0.001;
constexpr double kRayFactor = 10;
constexpr int kPassesPerVertex = 4;

// What an accepted cut must pass beyond the inside tests.
enum class CutCheck {
    None,    // the plain split
    Inside,  // CutStaysInside
    Clear,   // CutStaysInside, and no vertex on the diagonal unless the corner is straight
};

bool Matches(const TAcadPoint& p, const TAcadPoint& q) {
    return std::abs(q.x - p.x) < kMatchTolerance && std::abs(q.y - p.y) < kMatchTolerance;
}

// Index of the first entry matching p; the one rule behind finding and removing a vertex.
std::optional<std::size_t> FirstMatch(const TAcadPoint& p, std::span<const TAcadPoint> list) {
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (Matches(p, list[k])) return k;
    }
    return std::nullopt;
}

// The working state of one split: the shrinking outline and the corners refused since the
// last accepted cut.
//
// A corner's score depends only on the corner and its two neighbours, so it is kept from pass
// to pass and computed again only when a removal gives the corner a new neighbour. The same
// three points give the same double, so the choice of corner is exactly that of a full
// recomputation; the arctangents it saves are most of the search's time.
class Splitter {
public:
    Splitter(std::span<const TAcadPoint> outline, double viewSize,
             const DiagonalCallback& onDiagonal, CutCheck check)
        : outline_(outline),
          viewSize_(viewSize),
          onDiagonal_(onDiagonal),
          check_(check),
          winding_(check == CutCheck::None ? Turn::Collinear : OutlineWinding(outline)),
          working_(outline.begin(), outline.end()),
          m_(static_cast<int>(outline.size())),
          scores_(outline.size()),
          scoreKnown_(outline.size(), 0) {}

    // complete: cut what the passes leave into ears instead of failing.
    OutlineSplit Run(bool complete) {
        const int h = static_cast<int>(outline_.size());
        for (int pass = 0; m_ != 3 && pass != kPassesPerVertex * h; ++pass) RunPass();
        if (m_ == 3) {
            // Every cut turned with the outline; the three vertices left must too, or they
            // are no triangle of the region: a cut along a vertex can leave a spike whose
            // last corner turns the other way.
            const Turn last = Orientation(W(0), W(1), W(2));
            if (check_ != CutCheck::None && last != winding_ && last != Turn::Collinear)
                return {false, std::move(triangles_)};
            triangles_.push_back({W(0), W(1), W(2)});
            return {true, std::move(triangles_)};
        }
        if (!complete || m_ < 3) return {false, std::move(triangles_)};
        // Every cut so far lies inside, so what remains is the rest of the region.
        const std::size_t before = triangles_.size();
        const bool done = CutEars(std::move(working_), winding_, triangles_, onDiagonal_);
        const int completed = static_cast<int>(triangles_.size() - before);
        return {done, std::move(triangles_), false, done ? completed : 0};
    }

private:
    std::span<const TAcadPoint> Working() const { return working_; }
    TAcadPoint W(int k) const { return PolygonVertexAt(Working(), k); }

    bool Interior(const TAcadPoint& a, const TAcadPoint& c) const {
        return IsInteriorDiagonal(a, c, outline_, Working(), viewSize_);
    }

    // The exact check behind the inside tests; prev, corner and next in working order.
    bool StaysInside(const TAcadPoint& prev, const TAcadPoint& corner,
                     const TAcadPoint& next) const {
        if (check_ == CutCheck::None) return true;
        if (!CutStaysInside(prev, corner, next, outline_, winding_)) return false;
        return check_ == CutCheck::Inside || Orientation(prev, corner, next) == Turn::Collinear ||
               !DiagonalMeetsVertex(prev, next, outline_);
    }

    void Report(const TAcadPoint& start, const TAcadPoint& end) const {
        if (onDiagonal_) onDiagonal_(start, end);
    }

    // Removes the first vertex matching p, as RemovePointFromList does, and forgets the
    // scores of the two corners that get a new neighbour.
    void Remove(const TAcadPoint& p) {
        const std::optional<std::size_t> found = FirstMatch(p, working_);
        if (found) RemoveAt(*found);
    }

    void RemoveAt(std::size_t index) {
        const auto r = static_cast<std::ptrdiff_t>(index);
        working_.erase(working_.begin() + r);
        scores_.erase(scores_.begin() + r);
        scoreKnown_.erase(scoreKnown_.begin() + r);
        m_ = static_cast<int>(working_.size());
        if (m_ == 0) return;
        const auto n = static_cast<std::size_t>(m_);
        scoreKnown_[(index + n - 1) % n] = 0;
        scoreKnown_[index % n] = 0;
    }

    // The working vertex p, at index, goes. The plain split finds it again by its coordinates, as
    // it always has; the checked splits remove the very vertex cut, since a vertex within the
    // match tolerance of another, or one the outline visits twice, would otherwise take the
    // wrong one with it and leave a working outline that no longer bounds what is left.
    void RemoveVertex(const TAcadPoint& p, std::size_t index) {
        if (check_ == CutCheck::None) {
            Remove(p);
        } else {
            RemoveAt(index);
        }
    }

    [[nodiscard]] std::size_t IndexOf(int k) const {
        const int n = static_cast<int>(working_.size());
        return static_cast<std::size_t>(((k % n) + n) % n);
    }

    double Score(int k) {
        const auto index = static_cast<std::size_t>(k);
        if (!scoreKnown_[index]) {
            scores_[index] =
                std::abs(VertexAngle(W(k - 1), working_[index], W(k + 1)) - kTargetAngle);
            scoreKnown_[index] = 1;
        }
        return scores_[index];
    }

    // Index of the unrejected corner closest to 60 degrees; the first wins a tie. -1 when
    // every corner is rejected.
    int Search() {
        int chosen = -1;
        double bestScore = 0;
        for (int k = 0; k < m_; ++k) {
            if (PointListContains(working_[static_cast<std::size_t>(k)], rejected_)) continue;
            const double score = Score(k);
            if (chosen == -1 || score < bestScore) {
                chosen = k;
                bestScore = score;
            }
        }
        return chosen;
    }

    void RunPass() {
        const int l = Search();
        // With every corner rejected, l = -1 names the last corner, which was refused
        // against this same outline and is refused again: such a pass only uses up a turn.
        const TAcadPoint e = W(l - 1);
        const TAcadPoint f = W(l);
        const TAcadPoint g = W(l + 1);
        if (m_ <= 3) return;
        if (!Interior(e, g) || !StaysInside(e, f, g)) {
            rejected_.push_back(f);
            return;
        }
        rejected_.clear();
        Report(e, g);
        triangles_.push_back({e, f, g});

        // The corners either side of f as they will be once f is gone.
        const TAcadPoint a = W(l - 2);
        const TAcadPoint b = e;
        const TAcadPoint c = g;
        const TAcadPoint d = W(l + 2);
        const double alphaB = VertexAngle(a, b, c);
        const double alphaC = VertexAngle(b, c, d);
        const std::size_t removedF = IndexOf(l);
        RemoveVertex(f, removedF);
        // Where b and c stand once f is gone.
        const std::size_t indexB = removedF == 0 ? working_.size() - 1 : removedF - 1;
        const std::size_t indexC = removedF % working_.size();

        // Fan from the corner now closer to 60 degrees (w2), across the removed vertex.
        const bool fromC = std::abs(alphaC - kTargetAngle) > std::abs(alphaB - kTargetAngle);
        const TAcadPoint w1 = fromC ? a : d;
        const TAcadPoint w2 = fromC ? b : c;
        const TAcadPoint w3 = fromC ? c : b;
        const TAcadPoint w4 = fromC ? d : a;

        // The inside tests keep their own argument order (their segment test is not
        // symmetric); the follow-up triangles run against the working order when the fan
        // turns from B.
        const auto followUpCuttable = [&](const TAcadPoint& outer, const TAcadPoint& corner,
                                          const TAcadPoint& across) {
            if (!Interior(outer, across)) return false;
            return fromC ? StaysInside(outer, corner, across) : StaysInside(across, corner, outer);
        };
        if (m_ <= 3 || !followUpCuttable(w1, w2, w3)) return;
        Report(w1, w3);
        triangles_.push_back({w1, w2, w3});
        const std::size_t removedW2 = fromC ? indexB : indexC;
        std::size_t indexW3 = fromC ? indexC : indexB;
        RemoveVertex(w2, removedW2);
        if (indexW3 > removedW2) --indexW3;

        if (m_ <= 3 || !followUpCuttable(w1, w3, w4)) return;
        Report(w1, w4);
        triangles_.push_back({w1, w3, w4});
        RemoveVertex(w3, indexW3);
    }

    std::span<const TAcadPoint> outline_;
    double viewSize_;
    const DiagonalCallback& onDiagonal_;
    CutCheck check_;
    Turn winding_;  // of the whole outline; the working outline keeps it while every cut is sound
    std::vector<TAcadPoint> working_;  // exactly the m_ live vertices
    int m_;
    std::vector<double> scores_;    // |corner angle - 60 degrees| per working vertex
    std::vector<char> scoreKnown_;  // 0: the score must be computed again
    std::vector<TAcadPoint> rejected_;
    std::vector<TAcadTriangle> triangles_;
};

}  // namespace

TAcadPoint PolygonVertexAt(std::span<const TAcadPoint> list, int k) {
    const int n = static_cast<int>(list.size());
    const int index = ((k % n) + n) % n;
    return list[static_cast<std::size_t>(index)];
}

bool PointListContains(const TAcadPoint& p, std::span<const TAcadPoint> list) {
    return FirstMatch(p, list).has_value();
}

int RemovePointFromList(const TAcadPoint& p, std::span<TAcadPoint> list, int n) {
    const auto count = std::min(static_cast<std::size_t>(std::max(n, 0)), list.size());
    const std::optional<std::size_t> found = FirstMatch(p, list.first(count));
    if (!found) return n;
    const auto live = list.first(count);
    std::copy(live.begin() + static_cast<std::ptrdiff_t>(*found) + 1, live.end(),
              live.begin() + static_cast<std::ptrdiff_t>(*found));
    return static_cast<int>(count) - 1;
}

bool PointInPolygon(const TAcadPoint& p, std::span<const TAcadPoint> list, double rayLength) {
    const TAcadPoint q{p.x, p.y + rayLength, p.z};
    const std::size_t n = list.size();
    double crossings = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const TAcadPoint& from = list[k];
        const TAcadPoint& to = list[k + 1 == n ? 0 : k + 1];
        const std::optional<TAcadPoint> x = LineIntersection(p, q, from, to, true);
        if (!x) continue;
        // Near an edge end the ray may or may not also meet the neighbouring edge; half a
        // count keeps a ray through a vertex from counting twice.
        const bool nearEnd =
            PointDistance(*x, from) < kMatchTolerance || PointDistance(*x, to) < kMatchTolerance;
        crossings += nearEnd ? 0.5 : 1.0;
    }
    return static_cast<long long>(std::floor(crossings + 0.5)) % 2 == 1;
}

bool SegmentCrossesPolygon(const TAcadPoint& a, const TAcadPoint& b,
                           std::span<const TAcadPoint> list) {
    const std::size_t n = list.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::optional<TAcadPoint> x =
            LineIntersection(a, b, list[k], list[k + 1 == n ? 0 : k + 1], true);
        if (x && PointDistance(a, *x) > kMatchTolerance && PointDistance(b, *x) > kMatchTolerance) {
            return true;
        }
    }
    return false;
}

bool IsInteriorDiagonal(const TAcadPoint& a, const TAcadPoint& c,
                        std::span<const TAcadPoint> outline, std::span<const TAcadPoint> working,
                        double viewSize) {
    const TAcadPoint mid = MidPoint(a, c);
    const double rayLength = kRayFactor * viewSize;
    return PointInPolygon(mid, working, rayLength) && PointInPolygon(mid, outline, rayLength) &&
           !SegmentCrossesPolygon(a, c, working) && !SegmentCrossesPolygon(a, c, outline);
}

OutlineSplit TriangulateOutline(std::span<const TAcadPoint> outline, double viewSize,
                                const DiagonalCallback& onDiagonal, SplitMode mode) {
    if (outline.empty()) return {};
    if (mode == SplitMode::Completed) {
        // What no method can split fails before anything is drawn.
        const bool finite = std::all_of(outline.begin(), outline.end(), [](const TAcadPoint& p) {
            return std::isfinite(p.x) && std::isfinite(p.y);
        });
        if (!finite || OutlineWinding(outline) == Turn::Collinear || OutlineEdgesCross(outline)) {
            return {};
        }
    }
    if (mode == SplitMode::Plain) {
        return Splitter(outline, viewSize, onDiagonal, CutCheck::None).Run(false);
    }
    std::vector<TAcadLine> diagonals;
    const DiagonalCallback record = [&](const TAcadPoint& start, const TAcadPoint& end) {
        diagonals.push_back({start, end});
    };
    OutlineSplit checked = Splitter(outline, viewSize, record, CutCheck::Inside).Run(false);
    if (checked.success) {
        for (const TAcadLine& d : diagonals) {
            if (onDiagonal) onDiagonal(d.st, d.ed);
        }
        return checked;
    }
    OutlineSplit completed = Splitter(outline, viewSize, onDiagonal, CutCheck::Clear).Run(true);
    completed.completed = completed.success;
    return completed;
}

}  // namespace tarsel::geometry
