#include "geometry/ocs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarsel::geometry {
namespace {

bool SameBits(const TAcadPoint& a, const TAcadPoint& b) {
    return std::signbit(a.x) == std::signbit(b.x) && std::signbit(a.y) == std::signbit(b.y) &&
           std::signbit(a.z) == std::signbit(b.z) && a == b;
}

// Survey coordinates, negative zeros and the ends of the range: the two planes of a 2D
// drawing change nothing but signs.
TEST(Ocs, PlanExtrusionsAreExact) {
    const TAcadPoint points[] = {
        {-650.8, 123456.789012, 0.1}, {-0.0, 0.0, -0.0}, {1e308, -1e-308, 3.5}, {0.1, 0.2, 0.3}};
    for (const TAcadPoint& extrusion : {TAcadPoint{0, 0, 1}, TAcadPoint{0, 0, 2.5}}) {
        const OcsFrame f = ArbitraryAxis(extrusion);
        EXPECT_EQ(f.plan, OcsPlan::Identity);
        for (const TAcadPoint& p : points) {
            EXPECT_TRUE(SameBits(OcsToWcs(f, p), p));
            EXPECT_TRUE(SameBits(WcsToOcs(f, p), p));
        }
    }
    const OcsFrame m = ArbitraryAxis({0, 0, -1});
    EXPECT_EQ(m.plan, OcsPlan::Mirror);
    EXPECT_EQ(m.ax, (TAcadPoint{-1, 0, 0}));
    EXPECT_EQ(m.ay, (TAcadPoint{0, 1, 0}));
    for (const TAcadPoint& p : points) {
        const TAcadPoint w = OcsToWcs(m, p);
        EXPECT_EQ(w, (TAcadPoint{-p.x, p.y, -p.z}));
        EXPECT_EQ(WcsToOcs(m, w), p);
        EXPECT_FALSE(std::signbit(w.x) && w.x == 0);
    }
    EXPECT_EQ(OcsToWcs(m, {650.8, 0, 0}).x, -650.8);
    EXPECT_DOUBLE_EQ(PlanAngle(m, 0.25), kPi - 0.25);
    // A tilt below the digits of the direction is no tilt.
    EXPECT_EQ(ArbitraryAxis({1e-17, 0, -1}).plan, OcsPlan::Mirror);
}

TEST(Ocs, TiltedPlanesFollowTheArbitraryAxisAlgorithmAndRoundTrip) {
    // Extrusion along world X: the helper axis is world Z, so OCS (x, y, z) is world (z, x, y).
    const OcsFrame east = ArbitraryAxis({3, 0, 0});
    EXPECT_EQ(east.plan, OcsPlan::Tilted);
    const TAcadPoint w = OcsToWcs(east, {1, 2, 3});
    EXPECT_NEAR(w.x, 3, 1e-15);
    EXPECT_NEAR(w.y, 1, 1e-15);
    EXPECT_NEAR(w.z, 2, 1e-15);
    // Close to Z (under 1/64 off): the helper axis is world Y, so the OCS x axis stays near +X.
    const OcsFrame near = ArbitraryAxis({0.01, 0, 1});
    EXPECT_GT(near.ax.x, 0.99);
    EXPECT_NEAR(near.ax.y, 0, 1e-15);

    for (const TAcadPoint& extrusion :
         {TAcadPoint{0.3, -0.5, 0.8}, TAcadPoint{-0.2, 0.1, -0.9}, TAcadPoint{0.01, 0.005, -1}}) {
        const OcsFrame f = ArbitraryAxis(extrusion);
        EXPECT_NEAR(f.ax.x * f.ay.x + f.ax.y * f.ay.y + f.ax.z * f.ay.z, 0, 1e-15);
        const TAcadPoint p{-650.8, 1234.5, 7.25};
        const TAcadPoint back = WcsToOcs(f, OcsToWcs(f, p));
        EXPECT_NEAR(back.x, p.x, 1e-12);
        EXPECT_NEAR(back.y, p.y, 1e-12);
        EXPECT_NEAR(back.z, p.z, 1e-12);
        // The point of the plane under a plan position is that position seen from above.
        const auto q = OcsPointAtPlan(f, 10, -20, 7.25);
        ASSERT_TRUE(q);
        const TAcadPoint seen = OcsToWcs(f, *q);
        EXPECT_NEAR(seen.x, 10, 1e-12);
        EXPECT_NEAR(seen.y, -20, 1e-12);
    }
    EXPECT_FALSE(OcsPointAtPlan(east, 1, 1, 0));

    for (const TAcadPoint& bad : {TAcadPoint{0, 0, 0}, TAcadPoint{std::nan(""), 0, 1},
                                  TAcadPoint{0, 0, std::numeric_limits<double>::infinity()}}) {
        EXPECT_FALSE(IsValidExtrusion(bad));
        EXPECT_EQ(ArbitraryAxis(bad).plan, OcsPlan::Identity);
    }
}

TEST(Ocs, ArcsShowInPlanMirroredClockwiseOrFlattened) {
    const CurvePiece arc = MakeArcPiece({650.8, 0}, 50, kHalfPi, kPi, 7);
    const std::vector<CurvePiece> m = PlanPieces(arc, 0, ArbitraryAxis({0, 0, -1}));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].center, (PlanarPoint{-650.8, 0}));
    EXPECT_EQ(m[0].start, (PlanarPoint{-arc.start.x, arc.start.y}));
    EXPECT_EQ(m[0].end, (PlanarPoint{-arc.end.x, arc.end.y}));
    EXPECT_EQ(m[0].sweep, -kPi);
    EXPECT_EQ(m[0].owner, 7);
    EXPECT_EQ(m[0].box.minX, -arc.box.maxX);
    EXPECT_EQ(m[0].box.maxX, -arc.box.minX);
    // Halfway along, the mirrored arc is where the mirror image of the arc's midpoint is.
    const PlanarPoint mid = m[0].PointAt(0.5);
    EXPECT_NEAR(mid.x, -600.8, 1e-9);
    EXPECT_NEAR(mid.y, 0, 1e-9);

    // Tilted 60 degrees about world X: a circle shows as an ellipse half as tall.
    const OcsFrame tilted = ArbitraryAxis({0, -std::sin(kPi / 3), std::cos(kPi / 3)});
    const std::vector<CurvePiece> chords =
        PlanPieces(MakeArcPiece({0, 0}, 10, 0, kTwoPi), 0, tilted, 1e-3);
    ASSERT_GT(chords.size(), 50u);
    PlanarBox box = chords[0].box;
    for (const CurvePiece& c : chords) {
        EXPECT_EQ(c.kind, CurveKind::Line);
        box.Include(c.box);
    }
    EXPECT_NEAR(box.maxX - box.minX, 20, 2e-3);
    EXPECT_NEAR(box.maxY - box.minY, 10, 2e-3);
}

}  // namespace
}  // namespace tarsel::geometry
