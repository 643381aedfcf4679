// Boundary tracing on small drawings whose answer is known by hand: the lot shapes of
// survey practice, neighbours and junctions, duplicated lines, arcs, circles, holes, gaps,
// and the index kept current entity by entity.
#include "minicad/boundary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "minicad/segment_index.h"

namespace tarsel::minicad {
namespace {

using V = PolylineVertex;

EntityData Line(double x0, double y0, double x1, double y1) {
    return LineData{{x0, y0, 0}, {x1, y1, 0}};
}

EntityData Poly(std::vector<V> vertices, bool closed = true) {
    PolylineData p;
    p.vertices = std::move(vertices);
    p.closed = closed;
    return p;
}

EntityData Arc(double cx, double cy, double r, double startDeg, double endDeg) {
    constexpr double kDeg = std::numbers::pi / 180;
    return ArcData{{cx, cy, 0}, r, startDeg * kDeg, endDeg * kDeg};
}

EntityData Circle(double cx, double cy, double r) {
    return CircleData{{cx, cy, 0}, r};
}

Drawing Make(const std::vector<EntityData>& items) {
    Drawing d;
    for (const EntityData& data : items) {
        Entity e;
        e.id = d.nextId++;
        e.data = data;
        d.entities.push_back(e);
    }
    return d;
}

// Area of a closed polyline, arcs included (bulge b spans 4 atan b).
double Area(const PolylineData& p) {
    double area = 0;
    const std::size_t n = p.vertices.size();
    for (std::size_t k = 0; k < n; ++k) {
        const V& a = p.vertices[k];
        const V& b = p.vertices[(k + 1) % n];
        area += (a.x * b.y - b.x * a.y) / 2;
        if (a.bulge != 0) {
            const double sweep = 4 * std::atan(a.bulge);
            const double chord = std::hypot(b.x - a.x, b.y - a.y);
            const double r = chord / (2 * std::sin(std::fabs(sweep) / 2));
            area += r * r / 2 * (sweep - std::sin(sweep));
        }
    }
    return area;
}

void ExpectOutline(const TraceResult& r, const std::vector<V>& expected) {
    ASSERT_TRUE(r.polyline.has_value()) << r.reason;
    const PolylineData& p = *r.polyline;
    EXPECT_TRUE(p.closed);
    ASSERT_EQ(p.vertices.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k));
        EXPECT_NEAR(p.vertices[k].x, expected[k].x, 1e-9);
        EXPECT_NEAR(p.vertices[k].y, expected[k].y, 1e-9);
        EXPECT_NEAR(p.vertices[k].bulge, expected[k].bulge, 1e-9);
    }
}

struct Case {
    const char* name;
    std::vector<EntityData> entities;
    double x, y;
    std::vector<V> expected;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Drawing d = Make(c.entities);
        ExpectOutline(TraceBoundary(d, c.x, c.y), c.expected);
    }
}

TEST(TraceBoundary, LotShapesComeOutCounterClockwiseFromTheLowestVertex) {
    RunCases({
        {"square drawn clockwise from the top right",
         {Poly({{10, 10}, {10, 0}, {0, 0}, {0, 10}})},
         3,
         4,
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"square of four loose lines",
         {Line(0, 10, 0, 0), Line(10, 10, 0, 10), Line(10, 0, 10, 10), Line(0, 0, 10, 0)},
         5,
         5,
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"L lot drawn reversed, picked in the upper arm",
         {Poly({{10, 20}, {10, 10}, {20, 10}, {20, 0}, {0, 0}, {0, 20}})},
         5,
         15,
         {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}},
        {"U lot picked in its left arm",
         {Poly({{0, 0}, {30, 0}, {30, 20}, {20, 20}, {20, 10}, {10, 10}, {10, 20}, {0, 20}})},
         5,
         15,
         {{0, 0}, {30, 0}, {30, 20}, {20, 20}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}},
        {"flag lot picked in its pole",
         {Poly({{20, 35}, {0, 35}, {0, 0}, {3, 0}, {3, 20}, {20, 20}})},
         1.5,
         5,
         {{0, 0}, {3, 0}, {3, 20}, {20, 20}, {20, 35}, {0, 35}}},
        {"diamond: the lowest vertex is not the leftmost",
         {Poly({{0, 5}, {5, 0}, {10, 5}, {5, 10}})},
         5,
         5,
         {{5, 0}, {10, 5}, {5, 10}, {0, 5}}},
        {"level bottom within the tolerance: the leftmost starts",
         {Poly({{0, 0.0004}, {10, 0}, {10, 10}, {0, 10}})},
         5,
         5,
         {{0, 0.0004}, {10, 0}, {10, 10}, {0, 10}}},
    });
}

TEST(TraceBoundary, NodesWhereOtherLinesMeetStayAsVertices) {
    const std::vector<EntityData> neighbours = {
        Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}),
        Poly({{10, 2}, {20, 2}, {20, 8}, {10, 8}}),
    };
    const std::vector<EntityData> rectangle = {Poly({{0, 0}, {20, 0}, {20, 10}, {0, 10}})};
    auto with = [&](std::vector<EntityData> more) {
        std::vector<EntityData> all = rectangle;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    RunCases({
        {"neighbour touching the right side",
         neighbours,
         5,
         5,
         {{0, 0}, {10, 0}, {10, 2}, {10, 8}, {10, 10}, {0, 10}}},
        {"the neighbour itself", neighbours, 15, 5, {{10, 2}, {20, 2}, {20, 8}, {10, 8}}},
        {"stub inside and a line meeting from outside",
         with({Line(10, 0, 10, 4), Line(5, 10, 5, 15)}),
         15,
         5,
         {{0, 0}, {10, 0}, {20, 0}, {20, 10}, {5, 10}, {0, 10}}},
        {"dividing line",
         with({Line(10, 0, 10, 10)}),
         15,
         5,
         {{10, 0}, {20, 0}, {20, 10}, {10, 10}}},
        {"line overshooting both sides",
         with({Line(10, -3, 10, 13)}),
         5,
         5,
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"a polyline crossing itself",
         {Poly({{0, 0}, {10, 10}, {10, 0}, {0, 10}})},
         2,
         5,
         {{0, 0}, {5, 5}, {0, 10}}},
        {"survey coordinates far from the origin, with a T-junction",
         {Poly({{-123456789.125, 98765432.5},
                {-123444443.5, 98765432.5},
                {-123444443.5, 98777778.25},
                {-123456789.125, 98777778.25}}),
          Line(-123450000, 98765432.5, -123450000, 98770000)},
         -123450000 + 10,
         98770000,
         {{-123456789.125, 98765432.5},
          {-123450000, 98765432.5},
          {-123444443.5, 98765432.5},
          {-123444443.5, 98777778.25},
          {-123456789.125, 98777778.25}}},
        {"crossing diagonals meet at a computed node",
         {Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), Line(0, 0, 10, 10), Line(0, 10, 10, 0)},
         5,
         2,
         {{0, 0}, {10, 0}, {5, 5}}},
    });
}

TEST(TraceBoundary, DuplicatedAndOverlappingLinesAreOneSide) {
    RunCases({
        {"polyline traced again by lines, one of them twice and reversed",
         {Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), Line(0, 0, 10, 0), Line(10, 0, 0, 0),
          Line(10, 0, 10, 10), Line(10, 10, 0, 10), Line(0, 10, 0, 0)},
         5,
         5,
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"bottom in two overlapping pieces, top drawn both ways",
         {Line(0, 0, 6, 0), Line(4, 0, 10, 0), Line(10, 0, 10, 10), Line(10, 10, 0, 10),
          Line(0, 10, 10, 10), Line(0, 10, 0, 0)},
         5,
         5,
         {{0, 0}, {4, 0}, {6, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"a line lying along the top and running past the corner",
         {Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), Line(-5, 10, 5, 10)},
         5,
         5,
         {{0, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 10}}},
    });
}

TEST(TraceBoundary, ArcSidesKeepTheirBulge) {
    const double half = 100 + std::numbers::pi * 25 / 2;  // square plus a half disc
    RunCases({
        {"ARC entity as the top side",
         {Line(0, 0, 10, 0), Line(10, 0, 10, 10), Arc(5, 10, 5, 0, 180), Line(0, 10, 0, 0)},
         5,
         12,
         {{0, 0}, {10, 0}, {10, 10, 1}, {0, 10}}},
        {"clockwise polyline with a negative bulge",
         {Poly({{0, 0}, {0, 10, -1}, {10, 10}, {10, 0}})},
         5,
         5,
         {{0, 0}, {10, 0}, {10, 10, 1}, {0, 10}}},
        {"arc bent into the region",
         {Poly({{0, 0}, {10, 0}, {10, 10, -0.4}, {0, 10}})},
         5,
         3,
         {{0, 0}, {10, 0}, {10, 10, -0.4}, {0, 10}}},
    });
    const Drawing d = Make({Poly({{0, 0, 0}, {10, 0, 0}, {10, 10, 1}, {0, 10, 0}})});
    const TraceResult r = TraceBoundary(d, 5, 14);
    ASSERT_TRUE(r.polyline) << r.reason;
    EXPECT_NEAR(Area(*r.polyline), half, 1e-9);
}

TEST(TraceBoundary, CirclesBecomeHalfCircleSides) {
    RunCases({
        {"lone circle: lowest then highest point",
         {Circle(5, 5, 5)},
         5,
         5,
         {{5, 0, 1}, {5, 10, 1}}},
        {"circle cut by a line: only the real nodes",
         {Circle(5, 5, 5), Line(-5, 5, 15, 5)},
         5,
         2,
         {{0, 5, 1}, {10, 5, 0}}},
        {"circle touching a line from above: the opposite point is added",
         {Circle(5, 5, 5), Line(-5, 0, 15, 0)},
         5,
         6,
         {{5, 0, 1}, {5, 10, 1}}},
        {"beside a circle resting on a line: the circle's left half is a side",
         {Circle(5, 5, 5), Line(-5, 0, 15, 0), Line(-5, 0, -5, 10), Line(-5, 10, 5, 10)},
         0.5,
         0.5,
         {{-5, 0}, {5, 0, -1}, {5, 10}, {-5, 10}}},
    });
}

TEST(TraceBoundary, IslandsAreIgnoredAndTracedFromInside) {
    const std::vector<EntityData> withHole = {
        Poly({{0, 0}, {30, 0}, {30, 30}, {0, 30}}),
        Poly({{10, 10}, {20, 10}, {20, 20}, {10, 20}}),
    };
    // A diamond hole touching the outer bottom side at one point.
    const std::vector<EntityData> touching = {
        Poly({{0, 0}, {30, 0}, {30, 30}, {0, 30}}),
        Poly({{15, 0}, {20, 5}, {15, 10}, {10, 5}}),
    };
    // A hole joined to the outline by a single line.
    const std::vector<EntityData> bridged = {
        Poly({{0, 0}, {30, 0}, {30, 30}, {0, 30}}),
        Poly({{10, 10}, {20, 10}, {20, 20}, {10, 20}}),
        Line(0, 15, 10, 15),
    };
    RunCases({
        {"outside the hole: the outer outline only",
         withHole,
         5,
         5,
         {{0, 0}, {30, 0}, {30, 30}, {0, 30}}},
        {"inside the hole: the hole", withHole, 15, 15, {{10, 10}, {20, 10}, {20, 20}, {10, 20}}},
        {"hole touching the outline: the outline with the touching node",
         touching,
         5,
         20,
         {{0, 0}, {15, 0}, {30, 0}, {30, 30}, {0, 30}}},
        {"inside the touching hole", touching, 15, 5, {{15, 0}, {20, 5}, {15, 10}, {10, 5}}},
        {"hole joined by a line", bridged, 25, 25, {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 15}}},
    });
}

TEST(TraceBoundary, GapsCloseWithinTheToleranceOnly) {
    auto squareWithGap = [](double gap) {
        return Make(
            {Line(0, 0, 10, 0), Line(10, 0, 10, 10), Line(10, 10, 0, 10), Line(0, 10, 0, gap)});
    };
    ExpectOutline(TraceBoundary(squareWithGap(0.0005), 5, 5), {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    const TraceResult open = TraceBoundary(squareWithGap(0.01), 5, 5);
    EXPECT_FALSE(open.polyline);
    EXPECT_EQ(open.reason, "no closed region around the point");
    // A wider tolerance closes it, and the node stays on the end as drawn.
    TraceOptions wide;
    wide.gapTolerance = 0.05;
    ExpectOutline(TraceBoundary(squareWithGap(0.01), 5, 5, wide),
                  {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    // An end stopping short of a side (not of a corner) joins the side.
    ExpectOutline(
        TraceBoundary(Make({Poly({{0, 0}, {20, 0}, {20, 10}, {0, 10}}), Line(10, 10, 10, 0.0007)}),
                      15, 5),
        {{10, 0.0007}, {20, 0}, {20, 10}, {10, 10}});
}

TEST(TraceBoundary, NoRegionGivesAReason) {
    const Drawing square = Make({Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}})});
    struct Miss {
        const char* name;
        Drawing drawing;
        double x, y;
        const char* reason;
    };
    const std::vector<Miss> misses = {
        {"beside the square", square, 15, 5, "no closed region around the point"},
        {"far away", square, 1e6, -1e6, "no closed region around the point"},
        {"inside an open polyline's bend", Make({Poly({{0, 0}, {10, 0}, {10, 10}}, false)}), 8, 2,
         "no closed region around the point"},
        {"on a side", square, 10, 5, "the point lies on a boundary line"},
        {"on a corner", square, 0, 0, "the point lies on a boundary line"},
        {"nothing to trace", Make({TextData{}}), 0, 0,
         "the drawing has no lines, polylines, arcs or circles"},
        {"not a number", square, std::nan(""), 5, "the point is not a finite number"},
    };
    for (const Miss& m : misses) {
        SCOPED_TRACE(m.name);
        const TraceResult r = TraceBoundary(m.drawing, m.x, m.y);
        EXPECT_FALSE(r.polyline);
        EXPECT_EQ(r.reason, m.reason);
    }
}

TEST(TraceBoundary, DamagedGeometryIsLeftOutNotGuessed) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    Drawing d = Make({
        Poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}),
        Line(nan, 0, 5, 5),
        Line(3, 3, 3, 3),
        Circle(5, 5, -1),
        Circle(inf, 5, 1),
        Arc(5, 5, 2, 30, 30),
        Poly({{2, 2, nan}, {4, 4}}, false),
        Poly({{1, 1}}),
    });
    ExpectOutline(TraceBoundary(d, 5, 5), {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
}

// A parcel of many short sides among a ring of neighbours: the trace must not depend on
// the first window, however small.
TEST(TraceBoundary, SmallFirstWindowWidensToTheSameOutline) {
    std::vector<V> ring;
    const int n = 48;
    for (int k = 0; k < n; ++k) {
        const double a = 2 * std::numbers::pi * k / n;
        const double r = (k % 2 == 0) ? 100 : 80;  // a star: not convex
        ring.push_back({r * std::cos(a), r * std::sin(a) + 100});
    }
    std::vector<EntityData> items = {Poly(ring)};
    for (int k = -3; k <= 3; ++k)
        items.push_back(Poly({{k * 250.0, -400},
                              {k * 250.0 + 200, -400},
                              {k * 250.0 + 200, -300},
                              {k * 250.0, -300}}));
    const Drawing d = Make(items);
    const SegmentIndex index(d);
    TraceOptions tiny;
    tiny.initialHalfSize = 0.5;
    const TraceResult small = TraceBoundary(index, 1, 101, tiny);
    const TraceResult whole = TraceBoundary(index, 1, 101, TraceOptions{0.001, 1e6});
    ASSERT_TRUE(small.polyline) << small.reason;
    ASSERT_TRUE(whole.polyline) << whole.reason;
    EXPECT_GT(small.windows, 1);
    EXPECT_EQ(small.polyline->vertices.size(), static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < whole.polyline->vertices.size(); ++k) {
        EXPECT_EQ(small.polyline->vertices[k].x, whole.polyline->vertices[k].x);
        EXPECT_EQ(small.polyline->vertices[k].y, whole.polyline->vertices[k].y);
    }
    // The star's lowest vertex is the one pointing down (k = 36 of 48, radius 100).
    EXPECT_NEAR(small.polyline->vertices[0].x, 0, 1e-9);
    EXPECT_NEAR(small.polyline->vertices[0].y, 0, 1e-9);
    // Only the neighbourhood was traced.
    EXPECT_LT(small.pieces, index.PieceCount());
}

TEST(SegmentIndex, FollowsAddedErasedAndModifiedEntities) {
    SegmentIndex index;
    Drawing d = Make({Line(0, 0, 10, 0), Line(10, 0, 10, 10), Line(10, 10, 0, 10),
                      Line(0, 10, 0, 0), TextData{}});
    for (const Entity& e : d.entities) index.Add(e);
    EXPECT_EQ(index.PieceCount(), 4u);
    ASSERT_TRUE(TraceBoundary(index, 5, 5).polyline);

    index.Remove(d.entities[3].id);
    EXPECT_FALSE(TraceBoundary(index, 5, 5).polyline);

    index.Add(d.entities[3]);
    DataOf<LineData>(d.entities[2].data).start = {10, 20, 0};  // top now slants up
    DataOf<LineData>(d.entities[1].data).end = {10, 20, 0};
    index.Update(d.entities[2]);
    index.Update(d.entities[1]);
    ExpectOutline(TraceBoundary(index, 5, 5), {{0, 0}, {10, 0}, {10, 20}, {0, 10}});
    EXPECT_EQ(index.PieceCount(), 4u);

    // Many more entities than the grid was built for: it rebuilds and still answers.
    for (int k = 0; k < 2000; ++k) {
        Entity e;
        e.id = 1000 + k;
        e.data = Line(100 + k, 100, 100 + k, 101);
        index.Add(e);
    }
    ExpectOutline(TraceBoundary(index, 5, 5), {{0, 0}, {10, 0}, {10, 20}, {0, 10}});
    EXPECT_EQ(index.Query(PlanarBox{99.5, 99, 102.5, 102}).size(), 3u);

    index.Clear();
    EXPECT_TRUE(index.Empty());
    EXPECT_FALSE(TraceBoundary(index, 5, 5).polyline);
}

}  // namespace
}  // namespace tarsel::minicad
