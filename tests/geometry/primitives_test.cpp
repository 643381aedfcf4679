#include "geometry/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace tarsel::geometry {
namespace {

TAcadPoint P(double x, double y, double z = 0) {
    return {x, y, z};
}

TEST(PointAngle, SnapsToExactAxisConstantsAndCoversEveryQuadrant) {
    struct Case {
        TAcadPoint from, to;
        double expected;
    };
    const Case cases[] = {
        {P(0, 0), P(0, 0), kThreeHalfPi},  // coincident points fall into the downward branch
        {P(0, 0), P(0.000001, 5), kHalfPi},   {P(0, 0), P(-0.000001, -5), kThreeHalfPi},
        {P(0, 0), P(-3, 0.000004), kPi},      {P(0, 0), P(3, -0.000004), 0.0},
        {P(5, 5), P(5.000009, 1e9), kHalfPi},  // absolute snap, however long the side
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.to.x << "," << c.to.y);
        EXPECT_EQ(PointAngle(c.from, c.to), c.expected);
    }
    EXPECT_DOUBLE_EQ(PointAngle(P(0, 0), P(1, 1)), kPi / 4);
    EXPECT_DOUBLE_EQ(PointAngle(P(0, 0), P(-1, 1)), 3 * kPi / 4);
    EXPECT_DOUBLE_EQ(PointAngle(P(0, 0), P(-1, -1)), 5 * kPi / 4);
    EXPECT_DOUBLE_EQ(PointAngle(P(0, 0), P(1, -1)), 7 * kPi / 4);
    // Just outside the snap the angle is computed, not snapped.
    EXPECT_NE(PointAngle(P(0, 0), P(0.00002, 5)), kHalfPi);
}

TEST(PolarPoint, AxisConstantsGiveExactCoordinatesAndKeepZ) {
    const TAcadPoint base = P(1, 2, 7);
    EXPECT_EQ(PolarPoint(base, kHalfPi, 3), P(1, 5, 7));
    EXPECT_EQ(PolarPoint(base, 0, 3), P(4, 2, 7));
    EXPECT_EQ(PolarPoint(base, kPi, 3), P(-2, 2, 7));
    EXPECT_EQ(PolarPoint(base, kThreeHalfPi, 3), P(1, -1, 7));
    EXPECT_EQ(PolarPoint(base, kHalfPi, -3), P(1, -1, 7));  // negative distance goes back
    // 2 pi is not one of the exact constants: it goes through sine, which is not exactly 0.
    const TAcadPoint full = PolarPoint(base, kTwoPi, 3);
    EXPECT_DOUBLE_EQ(full.x, 4);
    EXPECT_NE(full.y, 2);
    EXPECT_NEAR(full.y, 2, 1e-12);
    EXPECT_EQ(full.z, 7);
}

TEST(PointDistance, IsPlanar) {
    EXPECT_EQ(PointDistance(P(0, 0, 100), P(3, 4, -50)), 5);
}

TEST(LineIntersection, SegmentRangeExcludesStartAndIncludesEnd) {
    struct Case {
        TAcadPoint p1, p2, p3, p4;
        bool segmentsOnly;
        std::optional<TAcadPoint> expected;
    };
    const Case cases[] = {
        {P(0, 0), P(2, 0), P(1, -1), P(1, 1), true, P(1, 0)},
        {P(0, 0), P(2, 0), P(0, 0), P(0, 2), true, std::nullopt},    // both parameters 0
        {P(0, 0), P(2, 0), P(2, -1), P(2, 0), true, P(2, 0)},        // both parameters 1
        {P(0, 0), P(2, 0), P(3, -1), P(3, 1), true, std::nullopt},   // beyond p2
        {P(0, 0), P(2, 0), P(3, -1), P(3, 1), false, P(3, 0)},       // lines are unbounded
        {P(0, 0), P(2, 0), P(0, 1), P(2, 1), false, std::nullopt},   // parallel
        {P(0, 0), P(2, 0), P(5, 0), P(7, 0), false, std::nullopt},   // same line
        {P(0, 0), P(0, 0), P(1, -1), P(1, 1), false, std::nullopt},  // p1 = p2: no line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "p3 " << c.p3.x << "," << c.p3.y << " p4 " << c.p4.x
                                        << "," << c.p4.y << " seg " << c.segmentsOnly);
        EXPECT_EQ(LineIntersection(c.p1, c.p2, c.p3, c.p4, c.segmentsOnly), c.expected);
    }
    // The point carries p1's z.
    EXPECT_EQ(LineIntersection(P(0, 0, 4), P(2, 0, 9), P(1, -1, 8), P(1, 1, 8), true), P(1, 0, 4));
}

TEST(AreaFromSides, HeroOrZeroWhenTheSidesDoNotClose) {
    EXPECT_EQ(AreaFromSides(3, 4, 5), 6);
    EXPECT_EQ(AreaFromSides(1, 1, 3), 0);
    EXPECT_EQ(AreaFromSides(1, 1, 2), 0);
    EXPECT_EQ(AreaFromSides(0, 0, 0), 0);
}

TEST(PerpendicularFoot, WritesTheFootEvenWhenItMissesTheSegment) {
    FootResult inside = PerpendicularFoot(P(2, 5, 9), P(0, 0, 1), P(4, 0, 1), true);
    EXPECT_TRUE(inside.ok);
    EXPECT_EQ(inside.foot, P(2, 0, 9));

    FootResult outside = PerpendicularFoot(P(6, 5), P(0, 0), P(4, 0), true);
    EXPECT_FALSE(outside.ok);
    ASSERT_TRUE(outside.foot);
    EXPECT_EQ(*outside.foot, P(6, 0));
    EXPECT_TRUE(PerpendicularFoot(P(6, 5), P(0, 0), P(4, 0), false).ok);

    // Slanted base: the foot of (0, 2) on the line y = x is (1, 1).
    FootResult slanted = PerpendicularFoot(P(0, 2), P(0, 0), P(4, 4), true);
    ASSERT_TRUE(slanted.foot);
    EXPECT_NEAR(slanted.foot->x, 1, 1e-12);
    EXPECT_NEAR(slanted.foot->y, 1, 1e-12);

    // Base ends that coincide in plan give no line to drop onto.
    FootResult none = PerpendicularFoot(P(1, 1), P(3, 3, 0), P(3, 3, 5), false);
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(none.foot);
}

TEST(IsPointOnSegment, ToleranceOnThePathDifference) {
    EXPECT_TRUE(IsPointOnSegment(P(2, 0), P(0, 0), P(4, 0)));
    EXPECT_TRUE(IsPointOnSegment(P(0, 0), P(0, 0), P(4, 0)));
    EXPECT_FALSE(IsPointOnSegment(P(5, 0), P(0, 0), P(4, 0)));
    EXPECT_FALSE(IsPointOnSegment(P(2, 0.01), P(0, 0), P(4, 0)));
}

TEST(IsSamePoint, BothAxesStrictlyInsideTheTolerance) {
    EXPECT_FALSE(IsSamePoint(P(0, 0), P(0.001, 0), 0.001));
    EXPECT_FALSE(IsSamePoint(P(0, 0), P(0, -0.001), 0.001));
    EXPECT_TRUE(IsSamePoint(P(0, 0), P(0.0009, -0.0009), 0.001));
    EXPECT_TRUE(IsSamePoint(P(0, 0, 0), P(0, 0, 50), 0.001));  // z ignored
}

TEST(VertexAngle, UnsignedAndBlindToReflexCorners) {
    EXPECT_EQ(VertexAngle(P(1, 0), P(0, 0), P(0, 1)), kHalfPi);
    EXPECT_EQ(VertexAngle(P(0, 1), P(0, 0), P(1, 0)), kHalfPi);
    // Rays at 0 and 300 degrees: the reflex 300 reads as 60.
    const TAcadPoint ray300 = P(std::cos(300 * kDegToRad), std::sin(300 * kDegToRad));
    EXPECT_NEAR(VertexAngle(P(1, 0), P(0, 0), ray300), kPi / 3, 1e-12);
    EXPECT_EQ(VertexAngle(P(1, 0), P(0, 0), P(-1, 0)), kPi);
}

TEST(TriangleApex, TwoApexesOnlyForAProperTriangle) {
    const ApexResult two = TriangleApex(P(0, 0, 3), 3, P(4, 0), 3);
    ASSERT_EQ(two.result, 2);
    EXPECT_NEAR(two.apex1.x, 2, 1e-12);
    EXPECT_NEAR(two.apex1.y, std::sqrt(5.0), 1e-12);
    EXPECT_NEAR(two.apex2.x, 2, 1e-12);
    EXPECT_NEAR(two.apex2.y, -std::sqrt(5.0), 1e-12);
    EXPECT_EQ(two.apex1.z, 3);

    EXPECT_EQ(TriangleApex(P(0, 0), 1, P(4, 0), 3).result, 1);  // apex on the base
    EXPECT_EQ(TriangleApex(P(0, 0), 1, P(4, 0), 1).result, 0);  // sides do not close
    EXPECT_EQ(TriangleApex(P(0, 0), 3, P(4, 0), 10).result, 0);
    EXPECT_EQ(TriangleApex(P(0, 0), 0, P(4, 0), 4).result, 1);  // zero side: flat, not NaN

    // A flat but accepted triangle whose law-of-cosines value rounds to just above 1: the
    // apexes must still be numbers, on the base line.
    const ApexResult flat =
        TriangleApex(P(0, 0), 238491.0159356496, P(238963.91936469165, 0), 472.90342904843016);
    ASSERT_EQ(flat.result, 2);
    EXPECT_NEAR(flat.apex1.x, 238491.0159356496, 1e-6);
    EXPECT_EQ(flat.apex1.y, 0);
    EXPECT_EQ(flat.apex2.y, 0);
}

TEST(TriangleIncenter, MeetsTheBisectorsForEitherOrientation) {
    // Right triangle 3-4-5: inradius 1, incenter (1, 1).
    for (const auto& [a, b, c] :
         {std::tuple{P(0, 0, 2), P(4, 0), P(0, 3)}, std::tuple{P(0, 0, 2), P(0, 3), P(4, 0)}}) {
        const std::optional<TAcadPoint> centre = TriangleIncenter(a, b, c);
        ASSERT_TRUE(centre);
        EXPECT_NEAR(centre->x, 1, 1e-9);
        EXPECT_NEAR(centre->y, 1, 1e-9);
        EXPECT_EQ(centre->z, 2);
    }
    // A very thin but real triangle still gets a point, inside its bounding box.
    const std::optional<TAcadPoint> thin = TriangleIncenter(P(0, 0), P(1000, 0.01), P(2000, 0));
    ASSERT_TRUE(thin);
    EXPECT_GT(thin->y, 0);
    EXPECT_LT(thin->y, 0.01);
}

TEST(TriangleIncenter, CollinearTriplesHaveNoLabelPoint) {
    struct Case {
        TAcadPoint a, b, c;
    };
    const Case cases[] = {
        {P(0, 0), P(1, 0), P(2, 0)},              // bisectors on one line: parallel
        {P(0, 0), P(3, 0), P(2, 0)},              // bisectors meet, at c: a spurious point
        {P(0, 0), P(1, 1), P(3, 3)},              // slanted
        {P(0.1, 0.2), P(0.7, 1.4), P(0.3, 0.6)},  // slanted, not exact in binary
        {P(5, 5), P(5, 5), P(9, 1)},              // two coincident corners
        {P(5, 5), P(5, 5), P(5, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.b.x << "," << c.b.y << " " << c.c.x << "," << c.c.y);
        EXPECT_FALSE(TriangleIncenter(c.a, c.b, c.c));
    }
    EXPECT_FALSE(TriangleIncenter(P(0, 0), P(NAN, 1), P(2, 0)));
}

TEST(MidPoint, AveragesAllThreeCoordinates) {
    EXPECT_EQ(MidPoint(P(0, 2, 4), P(2, 6, 10)), P(1, 4, 7));
}

TEST(LineListContains, IgnoresDirectionAndLooksOnlyAtTheCount) {
    const TAcadPoint a = P(0, 0), b = P(4, 3), c = P(9, 9);
    const std::vector<TAcadLine> lines = {{c, a}, {a, b}};
    EXPECT_TRUE(LineListContains(b, a, lines, 2, 0.001));
    EXPECT_TRUE(LineListContains(a, b, lines, 2, 0.001));
    EXPECT_TRUE(LineListContains(P(0.0009, 0), P(4, 3.0009), lines, 2, 0.001));
    EXPECT_FALSE(LineListContains(P(0.001, 0), b, lines, 2, 0.001));
    EXPECT_FALSE(LineListContains(b, a, lines, 1, 0.001));
    EXPECT_FALSE(LineListContains(a, c, lines, 0, 0.001));
    EXPECT_FALSE(LineListContains(a, c, lines, -3, 0.001));
    EXPECT_TRUE(LineListContains(b, a, lines, 99, 0.001));  // a count past the end is cut
}

}  // namespace
}  // namespace tarsel::geometry

namespace tarsel::geometry {
namespace {

// Coordinates on a grid of 1/1024 drawing unit up to a million units are exact doubles whose
// determinant fits a 64-bit integer, so the exact turn can be computed independently.
Turn GridTurn(const TAcadPoint& a, const TAcadPoint& b, const TAcadPoint& c) {
    const auto grid = [](double v) { return std::llround(v * 1024); };
    const long long det = (grid(b.x) - grid(a.x)) * (grid(c.y) - grid(a.y)) -
                          (grid(b.y) - grid(a.y)) * (grid(c.x) - grid(a.x));
    return det > 0 ? Turn::CounterClockwise : det < 0 ? Turn::Clockwise : Turn::Collinear;
}

TEST(Orientation, IsExactForNearlyCollinearPointsFarFromTheOrigin) {
    EXPECT_EQ(Orientation(P(0, 0), P(10, 0), P(5, 1)), Turn::CounterClockwise);
    EXPECT_EQ(Orientation(P(0, 0), P(10, 0), P(5, -1)), Turn::Clockwise);
    EXPECT_EQ(Orientation(P(0, 0), P(10, 0), P(20, 0)), Turn::Collinear);
    EXPECT_EQ(Orientation(P(0, 0), P(std::nan(""), 0), P(20, 1)), Turn::Collinear);

    // Third points on the line through two survey points, or one grid step off it: the
    // doubles' determinant is dominated by rounding there, the answer must not be.
    std::mt19937_64 random(0x0e1e);
    std::uniform_int_distribution<long long> coordinate(30000 * 1024, 1000000 * 1024);
    std::uniform_int_distribution<long long> step(-3, 3);
    int offLine = 0;
    for (int i = 0; i < 20000; ++i) {
        const long long ax = coordinate(random), ay = coordinate(random);
        const long long dx = coordinate(random) / 64 - 7000 * 16, dy = coordinate(random) / 64;
        const long long k = 1 + i % 37;
        const TAcadPoint a = P(ax / 1024.0, ay / 1024.0);
        const TAcadPoint b = P((ax + dx) / 1024.0, (ay + dy) / 1024.0);
        const TAcadPoint c =
            P((ax + k * dx + step(random)) / 1024.0, (ay + k * dy + step(random)) / 1024.0);
        const Turn expected = GridTurn(a, b, c);
        offLine += expected != Turn::Collinear;
        ASSERT_EQ(Orientation(a, b, c), expected) << i;
        ASSERT_EQ(Orientation(b, c, a), expected) << i;
        ASSERT_EQ(Orientation(c, b, a), static_cast<Turn>(-static_cast<int>(expected))) << i;
    }
    EXPECT_GT(offLine, 10000);  // both kinds of case were met
}

}  // namespace
}  // namespace tarsel::geometry
