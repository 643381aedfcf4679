// The exact shape tests and the ear-cutting completion behind TriangulateOutline. Every
// decision here is an exact orientation, so collinear vertices, vertices on a diagonal's line
// and millimetre noise far from the origin are decided as they are, not as rounding has it.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

#include "geometry/outline_triangulation.h"

namespace tarsel::geometry {

namespace {

constexpr double kTargetAngle = 1.0471975511965976;  // pi/3, as in the 60-degree passes

bool SamePlace(const TAcadPoint& p, const TAcadPoint& q) {
    return p.x == q.x && p.y == q.y;
}

struct Box {
    double minX, maxX, minY, maxY;
    [[nodiscard]] bool Holds(const TAcadPoint& p) const {
        return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
    }
};

Box BoxOf(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
    return {std::min({a.x, b.x, c.x}), std::max({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}),
            std::max({a.y, b.y, c.y})};
}

// v lies in the triangle (a, b, c) turning with `winding`; its sides count when `closed`.
bool InTriangle(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c, const TAcadPoint& v,
                Turn winding, bool closed) {
    const auto onInnerSide = [&](const TAcadPoint& from, const TAcadPoint& to) {
        const Turn t = Orientation(from, to, v);
        return t == winding || (closed && t == Turn::Collinear);
    };
    return onInnerSide(a, b) && onInnerSide(b, c) && onInnerSide(c, a);
}

bool Opposite(Turn s, Turn t) {
    return s != Turn::Collinear && t != Turn::Collinear && s != t;
}

// v strictly between a and b on their segment (the three known to be collinear).
bool StrictlyBetween(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& v) {
    if (SamePlace(v, a) || SamePlace(v, b)) return false;
    const bool inX = (a.x <= v.x && v.x <= b.x) || (b.x <= v.x && v.x <= a.x);
    const bool inY = (a.y <= v.y && v.y <= b.y) || (b.y <= v.y && v.y <= a.y);
    return inX && inY;
}

// Ear cutting on a doubly linked ring of the polygon's vertices. Whether a corner is an ear
// and its score depend on the corner and the rest of the polygon; a cut changes them only for
// its two neighbours (the vertices left do not move), so only those are looked at again.
class EarCutter {
public:
    EarCutter(std::vector<TAcadPoint> polygon, Turn winding, std::vector<TAcadTriangle>& triangles,
              const DiagonalCallback& onDiagonal)
        : p_(std::move(polygon)),
          winding_(winding),
          triangles_(triangles),
          onDiagonal_(onDiagonal),
          prev_(p_.size()),
          next_(p_.size()),
          alive_(p_.size(), 1),
          ear_(p_.size(), 0),
          score_(p_.size(), 0),
          count_(p_.size()) {
        const std::size_t n = p_.size();
        for (std::size_t k = 0; k < n; ++k) {
            prev_[k] = (k + n - 1) % n;
            next_[k] = (k + 1) % n;
        }
        for (std::size_t k = 0; k < n; ++k) Classify(k);
    }

    bool Run() {
        if (count_ < 3 || winding_ == Turn::Collinear) return false;
        while (count_ > 3) {
            std::size_t chosen = Best();
            if (chosen == kNone) {
                // A cut can free a corner beyond its neighbours (the removed vertex may have
                // lain on that corner's triangle): look at every corner again.
                for (std::size_t k = 0; k < p_.size(); ++k) {
                    if (alive_[k]) Classify(k);
                }
                chosen = Best();
            }
            if (chosen == kNone) chosen = FlatCorner();
            if (chosen == kNone) return false;
            Cut(chosen);
        }
        std::size_t first = 0;
        while (!alive_[first]) ++first;
        const std::size_t second = next_[first];
        const std::size_t third = next_[second];
        // What is left is the rest of the region; it cannot turn against the winding unless
        // the polygon crossed itself.
        if (Orientation(p_[first], p_[second], p_[third]) == Opposite()) return false;
        triangles_.push_back({p_[first], p_[second], p_[third]});
        return true;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    [[nodiscard]] Turn Opposite() const {
        return winding_ == Turn::CounterClockwise ? Turn::Clockwise : Turn::CounterClockwise;
    }

    // A corner turning with the winding whose closed triangle holds no other vertex (copies
    // of its own three points apart, where the outline touches itself).
    [[nodiscard]] bool IsEar(std::size_t k) const {
        const TAcadPoint& e = p_[prev_[k]];
        const TAcadPoint& f = p_[k];
        const TAcadPoint& g = p_[next_[k]];
        if (Orientation(e, f, g) != winding_) return false;
        const Box box = BoxOf(e, f, g);
        for (std::size_t j = next_[next_[k]]; j != prev_[k]; j = next_[j]) {
            const TAcadPoint& v = p_[j];
            if (!box.Holds(v) || SamePlace(v, e) || SamePlace(v, f) || SamePlace(v, g)) continue;
            if (InTriangle(e, f, g, v, winding_, true)) return false;
        }
        return true;
    }

    void Classify(std::size_t k) {
        ear_[k] = count_ > 3 && IsEar(k) ? 1 : 0;
        if (ear_[k]) {
            score_[k] = std::abs(VertexAngle(p_[prev_[k]], p_[k], p_[next_[k]]) - kTargetAngle);
        }
    }

    // The ear closest to 60 degrees; the first in outline order wins a tie.
    [[nodiscard]] std::size_t Best() const {
        std::size_t chosen = kNone;
        for (std::size_t k = 0; k < p_.size(); ++k) {
            if (!alive_[k] || !ear_[k]) continue;
            if (chosen == kNone || score_[k] < score_[chosen]) chosen = k;
        }
        return chosen;
    }

    // A corner whose neighbours lie on one line with it: cutting it loses no area.
    [[nodiscard]] std::size_t FlatCorner() const {
        for (std::size_t k = 0; k < p_.size(); ++k) {
            if (alive_[k] && Orientation(p_[prev_[k]], p_[k], p_[next_[k]]) == Turn::Collinear) {
                return k;
            }
        }
        return kNone;
    }

    void Cut(std::size_t k) {
        const std::size_t before = prev_[k];
        const std::size_t after = next_[k];
        if (onDiagonal_) onDiagonal_(p_[before], p_[after]);
        triangles_.push_back({p_[before], p_[k], p_[after]});
        alive_[k] = 0;
        next_[before] = after;
        prev_[after] = before;
        --count_;
        Classify(before);
        Classify(after);
    }

    std::vector<TAcadPoint> p_;
    Turn winding_;
    std::vector<TAcadTriangle>& triangles_;
    const DiagonalCallback& onDiagonal_;
    std::vector<std::size_t> prev_;
    std::vector<std::size_t> next_;
    std::vector<char> alive_;
    std::vector<char> ear_;
    std::vector<double> score_;  // |corner angle - 60 degrees|, meaningful for ears only
    std::size_t count_;
};

}  // namespace

Turn OutlineWinding(std::span<const TAcadPoint> outline) {
    const std::size_t n = outline.size();
    if (n < 3) return Turn::Collinear;
    // No area at all: every vertex on the line through the first two distinct ones.
    std::size_t other = 1;
    while (other < n && SamePlace(outline[other], outline[0])) ++other;
    if (other == n) return Turn::Collinear;
    const bool flat = std::all_of(outline.begin(), outline.end(), [&](const TAcadPoint& v) {
        return Orientation(outline[0], outline[other], v) == Turn::Collinear;
    });
    if (flat) return Turn::Collinear;

    // At the lowest-leftmost vertex a simple outline turns the way it runs.
    std::size_t low = 0;
    for (std::size_t k = 1; k < n; ++k) {
        const TAcadPoint& v = outline[k];
        if (v.x < outline[low].x || (v.x == outline[low].x && v.y < outline[low].y)) low = k;
    }
    std::size_t before = (low + n - 1) % n;
    while (SamePlace(outline[before], outline[low])) before = (before + n - 1) % n;
    std::size_t after = (low + 1) % n;
    while (SamePlace(outline[after], outline[low])) after = (after + 1) % n;
    const Turn turn = Orientation(outline[before], outline[low], outline[after]);
    if (turn != Turn::Collinear) return turn;

    // A spike at that vertex: the area's sign decides, summed about the vertex.
    const TAcadPoint& o = outline[low];
    long double twice = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const TAcadPoint& a = outline[k];
        const TAcadPoint& b = outline[(k + 1) % n];
        twice += static_cast<long double>(a.x - o.x) * (b.y - o.y) -
                 static_cast<long double>(b.x - o.x) * (a.y - o.y);
    }
    if (twice == 0) return Turn::Collinear;
    return twice > 0 ? Turn::CounterClockwise : Turn::Clockwise;
}

namespace {

int Sign(double d) {
    return (d > 0) - (d < 0);
}

// Two edges on one line that have more than a point in common: the outline runs along
// itself there (a spike, or a part of it traversed twice).
bool ShareASegment(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                   const TAcadPoint& d) {
    const bool alongX = a.x != b.x || c.x != d.x;
    const auto key = [&](const TAcadPoint& p) { return alongX ? p.x : p.y; };
    const double low = std::max(std::min(key(a), key(b)), std::min(key(c), key(d)));
    const double high = std::min(std::max(key(a), key(b)), std::max(key(c), key(d)));
    return low < high;
}

// One edge at a point the outline meets more than once: where it comes from (In) or goes to.
struct Spoke {
    TAcadPoint towards;
    bool in = false;
};

// Where the outline meets itself at v without crossing, it may touch itself there, but never
// run over itself: around v its edges must alternate, coming in and going out. Two edges in
// a row going out (or in) leave a sector between them inside the outline twice, or outside
// while inside, which no split can cover. Directions are ordered exactly.
bool SpokesAlternate(const TAcadPoint& v, std::vector<Spoke> spokes) {
    const auto half = [&](const TAcadPoint& p) {
        return Sign(p.y - v.y) > 0 || (p.y == v.y && p.x > v.x) ? 0 : 1;
    };
    bool tie = false;
    std::sort(spokes.begin(), spokes.end(), [&](const Spoke& a, const Spoke& b) {
        const int ha = half(a.towards), hb = half(b.towards);
        if (ha != hb) return ha < hb;
        const Turn t = Orientation(v, a.towards, b.towards);
        if (t == Turn::Collinear) tie = true;
        return t == Turn::CounterClockwise;
    });
    if (tie) return false;  // two edges leaving v one way: they overlap
    for (std::size_t i = 0; i < spokes.size(); ++i)
        if (spokes[i].in == spokes[(i + 1) % spokes.size()].in) return false;
    return true;
}

std::vector<TAcadPoint> DistinctInARow(std::span<const TAcadPoint> outline) {
    std::vector<TAcadPoint> distinct;
    for (const TAcadPoint& p : outline)
        if (distinct.empty() || !SamePlace(distinct.back(), p)) distinct.push_back(p);
    while (distinct.size() > 1 && SamePlace(distinct.front(), distinct.back())) distinct.pop_back();
    return distinct;
}

// Vertices the outline (with no point repeated in a row) visits more than once, each
// checked as above.
bool VisitsOverlap(const std::vector<TAcadPoint>& visits) {
    const std::size_t n = visits.size();
    if (n < 4) return false;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return visits[a].x != visits[b].x ? visits[a].x < visits[b].x : visits[a].y < visits[b].y;
    });
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i + 1;
        while (end < n && SamePlace(visits[order[end]], visits[order[i]])) ++end;
        if (end - i > 1) {
            std::vector<Spoke> spokes;
            for (std::size_t k = i; k < end; ++k) {
                spokes.push_back({visits[(order[k] + n - 1) % n], true});
                spokes.push_back({visits[(order[k] + 1) % n], false});
            }
            if (!SpokesAlternate(visits[order[i]], std::move(spokes))) return true;
        }
        i = end;
    }
    return false;
}

}  // namespace

// A vertex p (between before and after) lying inside the edge from a to b: the edge passes
// p going in from a and out to b, and the outline must not run over itself there either.
bool TouchAlternates(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& p,
                     const TAcadPoint& before, const TAcadPoint& after) {
    return SpokesAlternate(p, {{a, true}, {b, false}, {before, true}, {after, false}});
}

bool OutlineEdgesCross(std::span<const TAcadPoint> given) {
    // A point repeated in a row is one vertex: edges of no length neither cross nor touch,
    // and a vertex is judged between the distinct points before and after it.
    const std::vector<TAcadPoint> outline = DistinctInARow(given);
    const std::size_t n = outline.size();
    if (n < 4) return false;
    const auto from = [&](std::size_t e) -> const TAcadPoint& { return outline[e]; };
    const auto to = [&](std::size_t e) -> const TAcadPoint& { return outline[(e + 1) % n]; };
    const auto minX = [&](std::size_t e) { return std::min(from(e).x, to(e).x); };
    const auto maxX = [&](std::size_t e) { return std::max(from(e).x, to(e).x); };

    // Edges in order of their left end; an edge meets only those starting before its right
    // end, so the scan stays short for outlines that are not tall and thin.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return minX(a) < minX(b); });
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t e = order[i];
        const TAcadPoint& a = from(e);
        const TAcadPoint& b = to(e);
        const double lowY = std::min(a.y, b.y), highY = std::max(a.y, b.y);
        for (std::size_t j = i + 1; j < n && minX(order[j]) <= maxX(e); ++j) {
            const std::size_t f = order[j];
            const TAcadPoint& c = from(f);
            const TAcadPoint& d = to(f);
            if (std::max(c.y, d.y) < lowY || std::min(c.y, d.y) > highY) continue;
            const Turn abc = Orientation(a, b, c), abd = Orientation(a, b, d);
            const Turn cda = Orientation(c, d, a), cdb = Orientation(c, d, b);
            if (Opposite(abc, abd) && Opposite(cda, cdb)) return true;
            if (abc == Turn::Collinear && abd == Turn::Collinear && ShareASegment(a, b, c, d))
                return true;
            // The other edge's end in the middle of this one: the outline passes through
            // this edge there when that vertex's neighbours lie on either side of it.
            for (std::size_t v : {f, (f + 1) % n}) {
                const TAcadPoint& p = outline[v];
                if (Orientation(a, b, p) != Turn::Collinear || !StrictlyBetween(a, b, p)) continue;
                const Turn sideBefore = Orientation(a, b, outline[(v + n - 1) % n]);
                const Turn sideAfter = Orientation(a, b, outline[(v + 1) % n]);
                if (Opposite(sideBefore, sideAfter)) return true;
                if (!TouchAlternates(a, b, p, outline[(v + n - 1) % n], outline[(v + 1) % n]))
                    return true;
            }
            for (std::size_t v : {e, (e + 1) % n}) {
                const TAcadPoint& p = outline[v];
                if (Orientation(c, d, p) != Turn::Collinear || !StrictlyBetween(c, d, p)) continue;
                const Turn sideBefore = Orientation(c, d, outline[(v + n - 1) % n]);
                const Turn sideAfter = Orientation(c, d, outline[(v + 1) % n]);
                if (Opposite(sideBefore, sideAfter)) return true;
                if (!TouchAlternates(c, d, p, outline[(v + n - 1) % n], outline[(v + 1) % n]))
                    return true;
            }
        }
    }
    return VisitsOverlap(outline);
}

bool CutStaysInside(const TAcadPoint& prev, const TAcadPoint& corner, const TAcadPoint& next,
                    std::span<const TAcadPoint> outline, Turn winding) {
    if (winding == Turn::Collinear) return false;
    const Turn turn = Orientation(prev, corner, next);
    if (turn == Turn::Collinear) return true;  // a straight corner: no area to leave by
    if (turn != winding) return false;
    const Box box = BoxOf(prev, corner, next);
    return std::none_of(outline.begin(), outline.end(), [&](const TAcadPoint& v) {
        return box.Holds(v) && InTriangle(prev, corner, next, v, winding, false);
    });
}

bool DiagonalMeetsVertex(const TAcadPoint& a, const TAcadPoint& c,
                         std::span<const TAcadPoint> outline) {
    return std::any_of(outline.begin(), outline.end(), [&](const TAcadPoint& v) {
        return StrictlyBetween(a, c, v) && Orientation(a, c, v) == Turn::Collinear;
    });
}

bool CutEars(std::vector<TAcadPoint> polygon, Turn winding, std::vector<TAcadTriangle>& triangles,
             const DiagonalCallback& onDiagonal) {
    return EarCutter(std::move(polygon), winding, triangles, onDiagonal).Run();
}

}  // namespace tarsel::geometry
