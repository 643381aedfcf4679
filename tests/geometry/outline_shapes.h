// Generated outlines for the split's property tests: star-shaped polygons with random radii
// and rectilinear lots (L, U, T, flag, comb) in millimetres, all simple.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "geometry/primitives.h"

namespace tarsel::geometry::shapes {

struct NamedOutline {
    std::string name;
    std::vector<TAcadPoint> points;
};

inline double ShoelaceArea(const std::vector<TAcadPoint>& points) {
    double twice = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const TAcadPoint& a = points[k];
        const TAcadPoint& b = points[(k + 1) % points.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::abs(twice) / 2;
}

inline double TriangleArea(const TAcadTriangle& t) {
    return std::abs((t.p2.x - t.p1.x) * (t.p3.y - t.p1.y) - (t.p3.x - t.p1.x) * (t.p2.y - t.p1.y)) /
           2;
}

// Vertices at sorted random angles around a centre, each at its own random radius.
inline std::vector<TAcadPoint> StarOutline(std::mt19937_64& random, int vertices, bool clockwise) {
    std::uniform_real_distribution<double> angleOf(0, kTwoPi);
    std::uniform_real_distribution<double> radiusOf(3000, 30000);
    std::uniform_real_distribution<double> centreOf(-1e5, 1e5);
    std::vector<double> angles;
    for (;;) {
        angles.clear();
        while (static_cast<int>(angles.size()) < vertices) {
            const double angle = angleOf(random);
            // Angles closer than a thousandth of a radian make needle corners no parcel has.
            const bool crowded = std::any_of(angles.begin(), angles.end(), [&](double other) {
                const double gap = std::abs(other - angle);
                return std::min(gap, kTwoPi - gap) < 1e-3;
            });
            if (!crowded) angles.push_back(angle);
        }
        std::sort(angles.begin(), angles.end());
        // A gap of half a turn or more would leave the centre outside and fold the outline.
        double widest = kTwoPi - angles.back() + angles.front();
        for (std::size_t k = 1; k < angles.size(); ++k) {
            widest = std::max(widest, angles[k] - angles[k - 1]);
        }
        if (widest < 0.9 * kPi) break;
    }
    if (clockwise) std::reverse(angles.begin(), angles.end());
    const double cx = centreOf(random);
    const double cy = centreOf(random);
    std::vector<TAcadPoint> points;
    for (double angle : angles) {
        const double r = radiusOf(random);
        points.push_back({cx + r * std::cos(angle), cy + r * std::sin(angle), 0});
    }
    return points;
}

// Rectilinear lots drawn counter-clockwise from the lower left; `Reversed` gives the other way.
inline std::vector<TAcadPoint> LOutline(double w, double h, double armW, double armH) {
    return {{0, 0, 0}, {w, 0, 0}, {w, armH, 0}, {armW, armH, 0}, {armW, h, 0}, {0, h, 0}};
}

inline std::vector<TAcadPoint> UOutline(double w, double h, double wall, double floor) {
    return {{0, 0, 0},        {w, 0, 0},    {w, h, 0}, {w - wall, h, 0}, {w - wall, floor, 0},
            {wall, floor, 0}, {wall, h, 0}, {0, h, 0}};
}

inline std::vector<TAcadPoint> TOutline(double w, double h, double stemW, double barH) {
    const double left = (w - stemW) / 2;
    return {{left, 0, 0},
            {left + stemW, 0, 0},
            {left + stemW, h - barH, 0},
            {w, h - barH, 0},
            {w, h, 0},
            {0, h, 0},
            {0, h - barH, 0},
            {left, h - barH, 0}};
}

// A lot reached by a narrow access strip (旗竿地): the pole along the left, the flag on top.
inline std::vector<TAcadPoint> FlagOutline(double poleW, double poleL, double flagW, double flagH) {
    return {{0, 0, 0},
            {poleW, 0, 0},
            {poleW, poleL, 0},
            {flagW, poleL, 0},
            {flagW, poleL + flagH, 0},
            {0, poleL + flagH, 0}};
}

// A base strip with `teeth` teeth standing on it: 4 * teeth vertices, many reflex corners.
inline std::vector<TAcadPoint> CombOutline(int teeth, double toothW, double gapW, double toothH,
                                           double baseH) {
    std::vector<TAcadPoint> points;
    const double pitch = toothW + gapW;
    const double width = teeth * pitch - gapW;
    points.push_back({0, 0, 0});
    points.push_back({width, 0, 0});
    for (int k = teeth - 1; k >= 0; --k) {
        const double right = k * pitch + toothW;
        const double left = k * pitch;
        points.push_back({right, baseH + toothH, 0});
        points.push_back({left, baseH + toothH, 0});
        if (k > 0) {
            points.push_back({left, baseH, 0});
            points.push_back({left - gapW, baseH, 0});
        }
    }
    return points;
}

// A flag lot with its pole in the middle of the flag's south side: 8 vertices from the pole's
// south-west corner, counter-clockwise.
inline std::vector<TAcadPoint> PoleLotOutline(double poleX, double poleW, double poleL,
                                              double flagW, double flagH) {
    return {{poleX, 0, 0},     {poleX + poleW, 0, 0},     {poleX + poleW, poleL, 0},
            {flagW, poleL, 0}, {flagW, poleL + flagH, 0}, {0, poleL + flagH, 0},
            {0, poleL, 0},     {poleX, poleL, 0}};
}

// A corridor of the given width along a square spiral that winds inwards for `legs`
// straight legs, `pitch` apart: 2 * (legs + 1) vertices, clockwise.
inline std::vector<TAcadPoint> SpiralOutline(int legs, double width, double pitch) {
    const double dx[4] = {1, 0, -1, 0}, dy[4] = {0, 1, 0, -1};
    std::vector<TAcadPoint> centre = {{0, 0, 0}};
    double length = pitch * (legs / 2 + 1);
    for (int k = 0; k < legs; ++k) {
        const TAcadPoint& last = centre.back();
        centre.push_back({last.x + dx[k % 4] * length, last.y + dy[k % 4] * length, 0});
        if (k % 2 == 1) length -= pitch;
    }
    // Left normal of leg k is (-dy, dx); a corner moves along both legs' normals.
    const auto offset = [&](std::size_t i, double sign) {
        const int before = static_cast<int>(i == 0 ? 0 : i - 1) % 4;
        const int after = static_cast<int>(i == centre.size() - 1 ? i - 1 : i) % 4;
        double ox = -dy[before], oy = dx[before];
        if (before != after) {
            ox += -dy[after];
            oy += dx[after];
        }
        return TAcadPoint{centre[i].x + sign * width / 2 * ox, centre[i].y + sign * width / 2 * oy,
                          0};
    };
    std::vector<TAcadPoint> points;
    for (std::size_t i = 0; i < centre.size(); ++i) points.push_back(offset(i, 1));
    for (std::size_t i = centre.size(); i-- > 0;) points.push_back(offset(i, -1));
    return points;
}

// 2n vertices alternating between two radii around the origin, counter-clockwise.
inline std::vector<TAcadPoint> AlternatingStar(int n, double outerR, double innerR) {
    std::vector<TAcadPoint> points;
    for (int k = 0; k < 2 * n; ++k) {
        const double angle = kPi * k / n;
        const double r = k % 2 == 0 ? outerR : innerR;
        points.push_back({r * std::cos(angle), r * std::sin(angle), 0});
    }
    return points;
}

inline std::vector<TAcadPoint> Translated(std::vector<TAcadPoint> points, double dx, double dy) {
    for (TAcadPoint& p : points) {
        p.x += dx;
        p.y += dy;
    }
    return points;
}

// The outline with `count` extra boundary points at random places along random sides, each
// moved `offset` across its side to a random side (0: on the side, as a surveyed point on a
// straight boundary). Sides shorter than 1 m get none.
inline std::vector<TAcadPoint> WithBoundaryPoints(std::mt19937_64& random,
                                                  std::vector<TAcadPoint> points, int count,
                                                  double offset) {
    std::uniform_real_distribution<double> along(0.15, 0.85);
    for (int added = 0, tries = 0; added < count && tries < 100 * count; ++tries) {
        const std::size_t k = random() % points.size();
        const TAcadPoint a = points[k];
        const TAcadPoint b = points[(k + 1) % points.size()];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length < 1000) continue;
        const double t = along(random);
        const double side = (random() % 2 == 0 ? 1 : -1) * offset / length;
        const TAcadPoint p = {a.x + t * (b.x - a.x) - side * (b.y - a.y),
                              a.y + t * (b.y - a.y) + side * (b.x - a.x), 0};
        // Millimetres as a surveyor's list gives them.
        points.insert(points.begin() + static_cast<std::ptrdiff_t>(k) + 1,
                      {std::round(p.x * 1000) / 1000, std::round(p.y * 1000) / 1000, 0});
        ++added;
    }
    return points;
}

inline std::vector<TAcadPoint> Reversed(std::vector<TAcadPoint> points) {
    std::reverse(points.begin(), points.end());
    return points;
}

}  // namespace tarsel::geometry::shapes
