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

inline std::vector<TAcadPoint> Reversed(std::vector<TAcadPoint> points) {
    std::reverse(points.begin(), points.end());
    return points;
}

}  // namespace tarsel::geometry::shapes
