#include "geometry/triangle_assembly.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarsel::geometry {
namespace {

TAcadPoint P(double x, double y, double z = 0) {
    return {x, y, z};
}
TAcadLine L(TAcadPoint st, TAcadPoint ed) {
    return {st, ed};
}

using Triangles = std::vector<TAcadTriangle>;

TEST(PolylineSegments, ClosedPolylinesReturnToTheirFirstVertex) {
    const std::vector<PickedPolyline> polylines = {
        {0, true, {P(0, 0), P(4, 0), P(4, 3)}},
        {1, false, {P(10, 0), P(14, 0), P(14, 3)}},
        {2, false, {P(7, 7)}},
        {3, true, {P(8, 8)}},
        {4, true, {}},
    };
    std::vector<TAcadLine> segments = {L(P(-1, -1), P(-2, -2))};  // lines picked earlier stay
    PolylineSegments(polylines, segments);
    EXPECT_EQ(segments, (std::vector<TAcadLine>{
                            L(P(-1, -1), P(-2, -2)), L(P(0, 0), P(4, 0)), L(P(4, 0), P(4, 3)),
                            L(P(4, 3), P(0, 0)), L(P(10, 0), P(14, 0)), L(P(14, 0), P(14, 3)),
                            L(P(8, 8), P(8, 8)),  // closed, one vertex: one zero-length segment
                        }));
}

TEST(AssembleTriangles, OrderAndCornersFollowTheSegmentTriples) {
    struct Case {
        const char* name;
        std::vector<TAcadLine> segments;
        Triangles expected;
    };
    const TAcadPoint o = P(0, 0), a = P(10, 0), b = P(10, 10), c = P(0, 10);
    const Case cases[] = {
        {"three lines; the shared end found by the third test",
         {L(P(0, 0), P(4, 0)), L(P(4, 0), P(4, 3)), L(P(4, 3), P(0, 0))},
         {{P(4, 0), P(0, 0), P(4, 3)}}},
        {"lines keep their z",
         {L(P(0, 0, 5), P(4, 0, 5)), L(P(4, 0, 5), P(4, 3, 6)), L(P(4, 3), P(0, 0))},
         {{P(4, 0, 5), P(0, 0, 5), P(4, 3, 6)}}},
        {"square with one diagonal drawn first",
         {L(o, b), L(o, a), L(a, b), L(b, c), L(c, o)},
         {{o, b, a}, {b, o, c}}},
        {"square with both diagonals: four overlapping triangles",
         {L(o, a), L(a, b), L(b, c), L(c, o), L(o, b), L(a, c)},
         {{a, o, b}, {o, a, c}, {b, a, c}, {c, b, o}}},
        {"a side drawn twice gives its triangle twice",
         {L(P(0, 0), P(4, 0)), L(P(4, 0), P(4, 3)), L(P(4, 3), P(0, 0)), L(P(4, 3), P(0, 0))},
         {{P(4, 0), P(0, 0), P(4, 3)}, {P(4, 0), P(0, 0), P(4, 3)}}},
        {"two segments only", {L(o, a), L(a, b)}, {}},
        {"open polyline without its closing side", {L(o, a), L(a, b), L(b, c)}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(AssembleTriangles(k.segments), k.expected);
    }
}

TEST(AssembleTriangles, SharedEndsUsePlanDistanceAndClosingSidesUseEachAxis) {
    // Ends off by 0.0005 in x and y: 0.0007 apart in plan, so they meet as a shared end.
    const TAcadPoint nearA = P(4.0005, 0.0005);
    EXPECT_EQ(AssembleTriangles(std::vector<TAcadLine>{L(P(0, 0), P(4, 0)), L(nearA, P(4, 3)),
                                                       L(P(4, 3), P(0, 0))}),
              (Triangles{{P(4, 0), P(0, 0), P(4, 3)}}));

    // Off by 0.0008 in x and y: 0.0011 apart in plan, too far for a shared end ...
    const TAcadPoint farA = P(4.0008, 0.0008);
    EXPECT_TRUE(AssembleTriangles(std::vector<TAcadLine>{L(P(0, 0), P(4, 0)), L(farA, P(4, 3)),
                                                         L(P(4, 3), P(0, 0))})
                    .empty());
    // ... but close enough on each axis for the closing side.
    EXPECT_EQ(AssembleTriangles(std::vector<TAcadLine>{L(P(0, 0), P(4, 0)), L(P(4, 3), P(0, 0)),
                                                       L(farA, P(4, 3))}),
              (Triangles{{P(0, 0), P(4, 0), P(4, 3)}}));
}

TEST(AssembleTriangles, WhenSeveralEndsMeetTheLastTestDecides) {
    // The same side twice, reversed: st-ed and ed-st both hold; the later (ed-st) makes the
    // corner at (4,0) with both far ends at (0,0), which only a point at (0,0) can close.
    const std::vector<TAcadLine> closedByOrigin = {L(P(0, 0), P(4, 0)), L(P(4, 0), P(0, 0)),
                                                   L(P(0, 0), P(0, 0))};
    EXPECT_EQ(AssembleTriangles(closedByOrigin), (Triangles{{P(4, 0), P(0, 0), P(0, 0)}}));
    const std::vector<TAcadLine> closedByFarEnd = {L(P(0, 0), P(4, 0)), L(P(4, 0), P(0, 0)),
                                                   L(P(4, 0), P(4, 0))};
    EXPECT_TRUE(AssembleTriangles(closedByFarEnd).empty());
}

TEST(AssembleTriangles, PicksFromPolylinesAfterLines) {
    // One closed triangle polyline; then an open one that a picked line closes.
    std::vector<TAcadLine> segments = {L(P(20, 3), P(20, 0))};
    PolylineSegments(std::vector<PickedPolyline>{{0, true, {P(0, 0), P(4, 0), P(4, 3)}},
                                                 {1, false, {P(20, 0), P(24, 0), P(20, 3)}}},
                     segments);
    EXPECT_EQ(AssembleTriangles(segments), (Triangles{
                                               {P(20, 0), P(20, 3), P(24, 0)},
                                               {P(4, 0), P(0, 0), P(4, 3)},
                                           }));
}

}  // namespace
}  // namespace tarsel::geometry
