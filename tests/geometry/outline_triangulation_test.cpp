#include "geometry/outline_triangulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "outline_shapes.h"

namespace tarsel::geometry {
namespace {

using shapes::CombOutline;
using shapes::FlagOutline;
using shapes::LOutline;
using shapes::Reversed;
using shapes::ShoelaceArea;
using shapes::StarOutline;
using shapes::TOutline;
using shapes::TriangleArea;
using shapes::UOutline;

TAcadPoint P(double x, double y) {
    return {x, y, 0};
}

struct Split {
    OutlineSplit result;
    std::vector<TAcadLine> diagonals;
};

Split SplitOutline(const std::vector<TAcadPoint>& outline, double viewSize = 1000) {
    Split split;
    split.result =
        TriangulateOutline(outline, viewSize, [&](const TAcadPoint& start, const TAcadPoint& end) {
            split.diagonals.push_back({start, end});
        });
    return split;
}

const std::vector<TAcadPoint> kSquare = {P(0, 0), P(10, 0), P(10, 10), P(0, 10)};
const std::vector<TAcadPoint> kL = {P(0, 0), P(20, 0), P(20, 10), P(10, 10), P(10, 20), P(0, 20)};

TEST(PolygonVertexAt, WrapsAnyIndex) {
    const std::vector<TAcadPoint> list = {P(0, 0), P(1, 0), P(2, 0), P(3, 0)};
    for (const auto& [k, expected] : std::vector<std::pair<int, double>>{
             {0, 0}, {3, 3}, {4, 0}, {8, 0}, {9, 1}, {-1, 3}, {-4, 0}, {-5, 3}, {-9, 3}}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(PolygonVertexAt(list, k).x, expected);
    }
}

TEST(PointList, NearbyVerticesMatchAndTheFirstIsRemoved) {
    std::vector<TAcadPoint> list = {P(0, 0), P(5, 5), P(5.0005, 5.0009), P(9, 9)};
    EXPECT_TRUE(PointListContains(P(5.0009, 4.9991), list));
    EXPECT_FALSE(PointListContains(P(5.001, 5), std::span(list).first(2)));
    EXPECT_FALSE(PointListContains(P(9, 9), std::span(list).first(3)));  // only the live part

    // Removing the later of two nearby vertices removes the earlier one.
    EXPECT_EQ(RemovePointFromList(P(5.0005, 5.0009), list, 4), 3);
    EXPECT_EQ(list[0], P(0, 0));
    EXPECT_EQ(list[1], P(5.0005, 5.0009));
    EXPECT_EQ(list[2], P(9, 9));
    EXPECT_EQ(list.size(), 4u);  // storage keeps its size

    EXPECT_EQ(RemovePointFromList(P(7, 7), list, 3), 3);
    EXPECT_EQ(RemovePointFromList(P(9, 9), list, 2), 2);  // beyond the count: not seen
}

TEST(PointInPolygon, RayUpCountsHalfNearEdgeEnds) {
    const std::vector<TAcadPoint> house = {P(0, 0), P(10, 0), P(10, 10), P(5, 15), P(0, 10)};
    const std::vector<TAcadPoint> diamond = {P(0, -10), P(10, 0), P(0, 10), P(-10, 0)};
    struct Case {
        const std::vector<TAcadPoint>* outline;
        TAcadPoint p;
        double ray;
        bool inside;
    };
    const Case cases[] = {
        {&kSquare, P(5, 5), 100, true},
        {&kSquare, P(5, -5), 100, false},  // crosses bottom and top
        {&kSquare, P(5, 5), 4, false},     // the ray ends inside: misjudged as outside
        {&kSquare, P(15, 5), 100, false},
        // Through the apex: found on the edge that ends there only, half a count.
        {&house, P(5, 5), 100, true},
        {&house, P(5.0005, 5), 100, true},  // near the apex: both edges, half each
        // Two vertices on one ray from outside count half each, one crossing in all.
        {&diamond, P(0, -20), 100, true},
        {&diamond, P(1, -20), 100, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.p.x << "," << c.p.y << " ray " << c.ray);
        EXPECT_EQ(PointInPolygon(c.p, *c.outline, c.ray), c.inside);
    }
}

TEST(SegmentCrossesPolygon, MeetingsNearTheSegmentEndsDoNotCount) {
    EXPECT_FALSE(SegmentCrossesPolygon(P(0, 0), P(10, 10), kSquare));
    EXPECT_TRUE(SegmentCrossesPolygon(P(5, 5), P(15, 5), kSquare));
    EXPECT_FALSE(SegmentCrossesPolygon(P(5, 5), P(10.0009, 5), kSquare));
    EXPECT_TRUE(SegmentCrossesPolygon(P(5, 5), P(10.002, 5), kSquare));
    EXPECT_TRUE(SegmentCrossesPolygon(P(0, 20), P(20, 0), kL));
}

TEST(IsInteriorDiagonal, NeedsBothOutlinesAndNoCrossing) {
    EXPECT_TRUE(IsInteriorDiagonal(P(0, 0), P(20, 10), kL, kL, 100));
    EXPECT_FALSE(IsInteriorDiagonal(P(20, 10), P(10, 20), kL, kL, 100));  // midpoint outside
    EXPECT_TRUE(IsInteriorDiagonal(P(0, 0), P(10, 20), kL, kL, 100));     // ends on a vertex
    // Inside the working outline but outside the full one.
    const std::vector<TAcadPoint> square = {P(0, 0), P(20, 0), P(20, 20), P(0, 20)};
    EXPECT_TRUE(IsInteriorDiagonal(P(20, 10), P(10, 20), square, square, 100));
    EXPECT_FALSE(IsInteriorDiagonal(P(20, 10), P(10, 20), kL, square, 100));
    // A view far smaller than the region misjudges the inside.
    EXPECT_FALSE(IsInteriorDiagonal(P(0, 0), P(20, 10), kL, kL, 0.1));
}

TEST(TriangulateOutline, TriangleIsReturnedAsItIs) {
    const Split split = SplitOutline({P(0, 0), P(4, 0), P(0, 3)});
    ASSERT_TRUE(split.result.success);
    EXPECT_TRUE(split.diagonals.empty());
    EXPECT_EQ(split.result.triangles, (std::vector<TAcadTriangle>{{P(0, 0), P(4, 0), P(0, 3)}}));
}

TEST(TriangulateOutline, SquareCutsItsFirstCornerThenTakesTheRest) {
    const Split split = SplitOutline(kSquare);
    ASSERT_TRUE(split.result.success);
    EXPECT_EQ(split.diagonals, (std::vector<TAcadLine>{{P(0, 10), P(10, 0)}}));
    EXPECT_EQ(split.result.triangles, (std::vector<TAcadTriangle>{
                                          {P(0, 10), P(0, 0), P(10, 0)},
                                          {P(10, 0), P(10, 10), P(0, 10)},
                                      }));
}

// Traced by hand: the first corner is refused (its diagonal's midpoint is the reflex vertex),
// the second is cut but its follow-up leaves the outline, the first is refused again, then
// the reflex corner, and the fan from (10,20) finishes the job.
TEST(TriangulateOutline, LShapeRefusesCornersAndStillSplitsInFour) {
    const Split split = SplitOutline(kL);
    ASSERT_TRUE(split.result.success);
    EXPECT_EQ(split.diagonals, (std::vector<TAcadLine>{
                                   {P(0, 0), P(20, 10)},
                                   {P(10, 10), P(0, 20)},
                                   {P(0, 0), P(10, 10)},
                               }));
    EXPECT_EQ(split.result.triangles, (std::vector<TAcadTriangle>{
                                          {P(0, 0), P(20, 0), P(20, 10)},
                                          {P(10, 10), P(10, 20), P(0, 20)},
                                          {P(0, 0), P(0, 20), P(10, 10)},
                                          {P(0, 0), P(20, 10), P(10, 10)},
                                      }));
}

TEST(TriangulateOutline, RegularHexagonIsOneCutAndTwoFollowUps) {
    std::vector<TAcadPoint> hexagon;
    for (int k = 0; k < 6; ++k) {
        hexagon.push_back(P(10 * std::cos(k * kPi / 3), 10 * std::sin(k * kPi / 3)));
    }
    const Split split = SplitOutline(hexagon);
    ASSERT_TRUE(split.result.success);
    const std::vector<TAcadTriangle>& t = split.result.triangles;
    ASSERT_EQ(t.size(), 4u);
    ASSERT_EQ(split.diagonals.size(), 3u);
    // A search cut (E, F, G), then the fan from W1: (W1, W2, W3) and (W1, W3, W4), where W2
    // and W3 are the cut's ends E and G in one order or the other.
    EXPECT_EQ(split.diagonals[0], (TAcadLine{t[0].p1, t[0].p3}));
    EXPECT_EQ(t[1].p1, t[2].p1);
    EXPECT_EQ(t[1].p3, t[2].p2);
    EXPECT_TRUE((t[1].p2 == t[0].p1 && t[1].p3 == t[0].p3) ||
                (t[1].p2 == t[0].p3 && t[1].p3 == t[0].p1));
    EXPECT_EQ(split.diagonals[1], (TAcadLine{t[1].p1, t[1].p3}));
    EXPECT_EQ(split.diagonals[2], (TAcadLine{t[2].p1, t[2].p3}));
}

TEST(TriangulateOutline, FailuresEndQuietlyAfterTheirPasses) {
    struct Case {
        const char* name;
        std::vector<TAcadPoint> outline;
        double viewSize;
    };
    const Case cases[] = {
        {"empty", {}, 1000},
        {"one vertex", {P(1, 1)}, 1000},
        {"two vertices", {P(0, 0), P(10, 0)}, 1000},
        {"view far too small", kSquare, 0.1},
        {"no view", kSquare, 0},
        {"view not a number", kSquare, std::nan("")},
        {"all points equal", {P(3, 3), P(3, 3), P(3, 3), P(3, 3)}, 1000},
        {"collinear", {P(0, 0), P(1, 0), P(2, 0), P(3, 0), P(4, 0)}, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Split split = SplitOutline(c.outline, c.viewSize);
        EXPECT_FALSE(split.result.success);
        EXPECT_TRUE(split.diagonals.empty());
    }
}

// A comb with six teeth: every cut needs a longer run of refusals, and the passes run out
// after 17 cuts. The diagonals reported until then stay reported, one per cut.
TEST(TriangulateOutline, RunningOutOfPassesKeepsTheDiagonalsReported) {
    const Split split = SplitOutline(CombOutline(6, 2000, 1000, 8000, 3000), 1e6);
    EXPECT_FALSE(split.result.success);
    EXPECT_EQ(split.diagonals.size(), 17u);
    EXPECT_EQ(split.result.triangles.size(), split.diagonals.size());
}

TEST(TriangulateOutline, ACallbackThatThrowsEndsTheSplit) {
    int calls = 0;
    EXPECT_THROW((void)TriangulateOutline(kL, 1000,
                                          [&](const TAcadPoint&, const TAcadPoint&) {
                                              if (++calls == 2) throw std::runtime_error("draw");
                                          }),
                 std::runtime_error);
    EXPECT_EQ(calls, 2);
}

// The split written out step by step on the public helpers, with every scan done in full
// and nothing remembered between passes. The library's split must agree with it exactly.
Split PlainSplit(const std::vector<TAcadPoint>& outline, double viewSize) {
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

// Whatever the outline, the split agrees with the plain one, and a successful split covers
// the outline exactly with h - 2 triangles whose corners are its vertices, and reports h - 3
// diagonals.
struct PropertyTally {
    int runs = 0;
    int successes = 0;
};

void CheckSplit(const std::vector<TAcadPoint>& outline, PropertyTally& tally) {
    double minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
    for (const TAcadPoint& p : outline) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double viewSize = 10 * std::max(maxX - minX, maxY - minY);
    const Split split = SplitOutline(outline, viewSize);
    ++tally.runs;
    const Split plain = PlainSplit(outline, viewSize);
    ASSERT_EQ(split.result.success, plain.result.success);
    ASSERT_EQ(split.diagonals, plain.diagonals);
    ASSERT_EQ(split.result.triangles, plain.result.triangles);
    if (!split.result.success) {
        EXPECT_EQ(split.result.triangles.size(), split.diagonals.size());
        return;
    }
    ++tally.successes;
    const auto h = outline.size();
    ASSERT_EQ(split.result.triangles.size(), h - 2);
    ASSERT_EQ(split.diagonals.size(), h - 3);
    double sum = 0;
    for (const TAcadTriangle& t : split.result.triangles) {
        for (const TAcadPoint& corner : {t.p1, t.p2, t.p3}) {
            ASSERT_NE(std::find(outline.begin(), outline.end(), corner), outline.end());
        }
        sum += TriangleArea(t);
    }
    const double area = ShoelaceArea(outline);
    EXPECT_NEAR(sum, area, 1e-9 * area);
}

TEST(TriangulateOutlineProperty, StarShapedOutlinesInBothOrientations) {
    std::mt19937_64 random(0x7a55e1);
    PropertyTally tally;
    for (int i = 0; i < 2000 && !HasFatalFailure(); ++i) {
        const int vertices = 3 + i % 58;
        SCOPED_TRACE(::testing::Message() << "outline " << i << ", " << vertices << " vertices");
        CheckSplit(StarOutline(random, vertices, i % 2 == 1), tally);
    }
    // Nearly every star splits; a few long ones run out of passes.
    EXPECT_GT(tally.successes, tally.runs * 95 / 100);
}

TEST(TriangulateOutlineProperty, RectilinearLots) {
    std::mt19937_64 random(0x107);
    std::uniform_real_distribution<double> size(1000, 20000);
    PropertyTally tally;
    for (int i = 0; i < 400 && !HasFatalFailure(); ++i) {
        const double a = size(random), b = size(random), c = size(random), d = size(random);
        const std::vector<std::vector<TAcadPoint>> lots = {
            LOutline(a + b, c + d, a, c),
            UOutline(2 * a + b, c + d, a, c),
            TOutline(2 * a + b, c + d, b, c),
            FlagOutline(a / 5, c, a + b, d),
            CombOutline(1 + i % 5, a / 4, b / 4, c, d / 3),
        };
        for (const auto& lot : lots) {
            SCOPED_TRACE(::testing::Message()
                         << "lot set " << i << ", " << lot.size() << " vertices");
            CheckSplit(lot, tally);
            CheckSplit(Reversed(lot), tally);
        }
    }
    // T lots, whose stem corners lie on the bar's edge, sometimes end with a flat remainder
    // that cannot be cut; the others split.
    EXPECT_GT(tally.successes, tally.runs * 75 / 100);
}

// Failing splits (passes running out, a view too small for the region) and long outlines
// go through the rejected list and the fan far more; the diagonals must still agree.
TEST(TriangulateOutlineProperty, AgreesWithThePlainSplitWhenItFails) {
    std::mt19937_64 random(0xfa11);
    std::uniform_real_distribution<double> viewOf(500, 50000);
    for (int i = 0; i < 120 && !HasFatalFailure(); ++i) {
        const std::vector<std::vector<TAcadPoint>> outlines = {
            CombOutline(6 + i % 20, 2000, 1000, 8000, 3000),
            StarOutline(random, 20 + i % 150, i % 2 == 0),
        };
        for (const auto& outline : outlines) {
            const double viewSize = viewOf(random);
            SCOPED_TRACE(::testing::Message() << "outline " << i << ", " << outline.size()
                                              << " vertices, view " << viewSize);
            const Split split = SplitOutline(outline, viewSize);
            const Split plain = PlainSplit(outline, viewSize);
            ASSERT_EQ(split.result.success, plain.result.success);
            ASSERT_EQ(split.diagonals, plain.diagonals);
            ASSERT_EQ(split.result.triangles, plain.result.triangles);
        }
    }
}

}  // namespace
}  // namespace tarsel::geometry
