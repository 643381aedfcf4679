// What the split's tests (and the rates benchmark) hold a split against: the 60-degree split
// written out plainly on the public helpers, and an exact judge of whether a list of
// triangles covers an outline soundly.
#pragma once

#include <cmath>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/outline_triangulation.h"
#include "outline_shapes.h"

namespace tarsel::geometry::checks {

struct Split {
    OutlineSplit result;
    std::vector<TAcadLine> diagonals;
};

inline Split SplitOutline(const std::vector<TAcadPoint>& outline, double viewSize,
                          SplitMode mode = SplitMode::Completed) {
    Split split;
    split.result = TriangulateOutline(
        outline, viewSize,
        [&](const TAcadPoint& start, const TAcadPoint& end) {
            split.diagonals.push_back({start, end});
        },
        mode);
    return split;
}

inline double ViewSizeFor(const std::vector<TAcadPoint>& outline) {
    double minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
    for (const TAcadPoint& p : outline) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return 10 * std::max(maxX - minX, maxY - minY);
}

// The split as it always was, written out step by step on the public helpers, with every
// scan done in full and nothing remembered between passes: no exact check of the cuts and
// no completion.
inline Split PlainSplit(const std::vector<TAcadPoint>& outline, double viewSize) {
    constexpr double kTarget = 1.0471975511965976;
    Split split;
    const int h = static_cast<int>(outline.size());
    if (h == 0) return split;
    std::vector<TAcadPoint> w = outline;
    int m = h;
    std::vector<TAcadPoint> rejected;
    std::vector<TAcadTriangle>& triangles = split.result.triangles;
    const auto at = [&](int k) { return PolygonVertexAt(std::span(w).first(m), k); };
    const auto interior = [&](const TAcadPoint& a, const TAcadPoint& c) {
        return IsInteriorDiagonal(a, c, outline, std::span(w).first(m), viewSize);
    };
    const auto report = [&](const TAcadPoint& a, const TAcadPoint& b) {
        split.diagonals.push_back({a, b});
    };
    for (int i = 0; m != 3 && i != 4 * h; ++i) {
        int l = -1;
        double best = 0;
        for (int k = 0; k < m; ++k) {
            if (PointListContains(w[k], rejected)) continue;
            const double score = std::abs(VertexAngle(at(k - 1), at(k), at(k + 1)) - kTarget);
            if (l == -1 || score < best) {
                l = k;
                best = score;
            }
        }
        const TAcadPoint e = at(l - 1), f = at(l), g = at(l + 1);
        if (m <= 3) continue;
        if (!interior(e, g)) {
            rejected.push_back(f);
            continue;
        }
        rejected.clear();
        report(e, g);
        triangles.push_back({e, f, g});
        const TAcadPoint a = at(l - 2), b = at(l - 1), c = at(l + 1), d = at(l + 2);
        const double alphaB = VertexAngle(a, b, c);
        const double alphaC = VertexAngle(b, c, d);
        m = RemovePointFromList(f, w, m);
        const bool fromC = std::abs(alphaC - kTarget) > std::abs(alphaB - kTarget);
        const TAcadPoint w1 = fromC ? a : d, w2 = fromC ? b : c, w3 = fromC ? c : b,
                         w4 = fromC ? d : a;
        if (m <= 3 || !interior(w1, w3)) continue;
        report(w1, w3);
        triangles.push_back({w1, w2, w3});
        m = RemovePointFromList(w2, w, m);
        if (m <= 3 || !interior(w1, w4)) continue;
        report(w1, w4);
        triangles.push_back({w1, w3, w4});
        m = RemovePointFromList(w3, w, m);
    }
    if (m == 3) {
        triangles.push_back({w[0], w[1], w[2]});
        split.result.success = true;
    }
    return split;
}

// Exact tests on triangles and the outline, independent of the split's own bookkeeping.
inline bool Properly(Turn s, Turn t) {
    return s != Turn::Collinear && t != Turn::Collinear && s != t;
}

inline bool SegmentsCrossProperly(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c,
                                  const TAcadPoint& d) {
    return Properly(Orientation(a, b, c), Orientation(a, b, d)) &&
           Properly(Orientation(c, d, a), Orientation(c, d, b));
}

// The triangles' open interiors share a point: no side of either separates them.
inline bool TrianglesOverlap(const TAcadTriangle& s, const TAcadTriangle& t) {
    const auto separatedBySideOf = [](const TAcadTriangle& a, const TAcadTriangle& b) {
        const TAcadPoint pa[3] = {a.p1, a.p2, a.p3};
        const TAcadPoint pb[3] = {b.p1, b.p2, b.p3};
        const Turn inner = Orientation(a.p1, a.p2, a.p3);
        for (int k = 0; k < 3; ++k) {
            bool allOutside = true;
            for (const TAcadPoint& v : pb) {
                if (Orientation(pa[k], pa[(k + 1) % 3], v) == inner) allOutside = false;
            }
            if (allOutside) return true;
        }
        return false;
    };
    return !separatedBySideOf(s, t) && !separatedBySideOf(t, s);
}

// Winding number of a point off the outline, by exact side tests.
inline int WindingNumber(const TAcadPoint& p, const std::vector<TAcadPoint>& outline) {
    int winding = 0;
    for (std::size_t k = 0; k < outline.size(); ++k) {
        const TAcadPoint& a = outline[k];
        const TAcadPoint& b = outline[(k + 1) % outline.size()];
        if (a.y <= p.y) {
            if (b.y > p.y && Orientation(a, b, p) == Turn::CounterClockwise) ++winding;
        } else if (b.y <= p.y && Orientation(a, b, p) == Turn::Clockwise) {
            --winding;
        }
    }
    return winding;
}

// Empty when the triangles cover the outline soundly: h - 2 of them, corners at outline
// vertices, every triangle of positive area inside the outline (no vertex strictly inside
// it, no edge crossing its sides, its centroid inside), no two overlapping, and their areas
// adding up to the outline's within 1e-9 relative. Otherwise the first fault found.
inline std::string SoundnessProblem(const std::vector<TAcadPoint>& outline,
                                    const std::vector<TAcadTriangle>& triangles,
                                    bool positiveAreas = false) {
    std::ostringstream why;
    if (triangles.size() + 2 != outline.size()) {
        why << triangles.size() << " triangles for " << outline.size() << " vertices";
        return why.str();
    }
    double sum = 0;
    const std::size_t n = outline.size();
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const TAcadTriangle& t = triangles[i];
        for (const TAcadPoint& corner : {t.p1, t.p2, t.p3}) {
            if (std::find(outline.begin(), outline.end(), corner) == outline.end()) {
                why << "triangle " << i << " has a corner that is no outline vertex";
                return why.str();
            }
        }
        sum += shapes::TriangleArea(t);
        if (Orientation(t.p1, t.p2, t.p3) == Turn::Collinear) {
            if (positiveAreas) {
                why << "triangle " << i << " has no area";
                return why.str();
            }
            continue;
        }
        const TAcadPoint corners[3] = {t.p1, t.p2, t.p3};
        const Turn inner = Orientation(t.p1, t.p2, t.p3);
        for (std::size_t k = 0; k < n; ++k) {
            const TAcadPoint& v = outline[k];
            const bool strictlyInside = Orientation(t.p1, t.p2, v) == inner &&
                                        Orientation(t.p2, t.p3, v) == inner &&
                                        Orientation(t.p3, t.p1, v) == inner;
            if (strictlyInside) {
                why << "triangle " << i << " holds outline vertex " << k;
                return why.str();
            }
            for (int s = 0; s < 3; ++s) {
                if (SegmentsCrossProperly(corners[s], corners[(s + 1) % 3], v,
                                          outline[(k + 1) % n])) {
                    why << "triangle " << i << " is crossed by outline edge " << k;
                    return why.str();
                }
            }
        }
        const TAcadPoint centroid = {(t.p1.x + t.p2.x + t.p3.x) / 3, (t.p1.y + t.p2.y + t.p3.y) / 3,
                                     0};
        if (WindingNumber(centroid, outline) == 0) {
            why << "triangle " << i << " lies outside the outline";
            return why.str();
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (Orientation(triangles[j].p1, triangles[j].p2, triangles[j].p3) != Turn::Collinear &&
                TrianglesOverlap(triangles[j], t)) {
                why << "triangles " << j << " and " << i << " overlap";
                return why.str();
            }
        }
    }
    const double area = shapes::ShoelaceArea(outline);
    if (!(std::abs(sum - area) <= 1e-9 * area)) {
        why.precision(17);
        why << "triangles add up to " << sum << ", the outline has " << area;
        return why.str();
    }
    return {};
}

}  // namespace tarsel::geometry::checks
