// Boundary tracing against an independent answer: GEOS nodes the drawing's lines, builds
// every face (polygonize), and the face holding a point gives the expected outline (its
// outer ring: islands are not part of a boundary). Generated drawings: jittered parcel
// grids drawn as overlapping closed polylines in both directions, with missing parcels,
// chords, dangling lines and duplicated pieces.
#define GEOS_USE_ONLY_R_API
#include <geos_c.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "minicad/boundary.h"
#include "minicad/segment_index.h"

namespace tarsel::minicad {
namespace {

// A small deterministic generator, the same on every standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    std::uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    int Int(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    double Real(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(Next() >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t state_;
};

struct Segment {
    double x0, y0, x1, y1;
};

class Geos {
public:
    Geos() : ctx_(GEOS_init_r()) {}
    ~Geos() {
        Clear();
        GEOS_finish_r(ctx_);
    }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    // Polygonizes the segments; faces_ holds one polygon per closed face.
    void Build(const std::vector<Segment>& segments) {
        Clear();
        std::vector<GEOSGeometry*> lines;
        for (const Segment& s : segments) {
            GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx_, 2, 2);
            GEOSCoordSeq_setXY_r(ctx_, seq, 0, s.x0, s.y0);
            GEOSCoordSeq_setXY_r(ctx_, seq, 1, s.x1, s.y1);
            lines.push_back(GEOSGeom_createLineString_r(ctx_, seq));
        }
        GEOSGeometry* multi = GEOSGeom_createCollection_r(ctx_, GEOS_MULTILINESTRING, lines.data(),
                                                          static_cast<unsigned>(lines.size()));
        noded_ = GEOSUnaryUnion_r(ctx_, multi);
        GEOSGeom_destroy_r(ctx_, multi);
        const GEOSGeometry* parts[1] = {noded_};
        faces_ = GEOSPolygonize_r(ctx_, parts, 1);
    }

    // The outer ring of the face holding (x, y) (closing point dropped); empty when no
    // face holds it. near is set when the point is too close to a line to compare.
    std::vector<PlanarPoint> OuterRingAt(double x, double y, bool& near) const {
        std::vector<PlanarPoint> ring;
        GEOSGeometry* pt = GEOSGeom_createPointFromXY_r(ctx_, x, y);
        double d = 0;
        GEOSDistance_r(ctx_, pt, noded_, &d);
        near = d < 0.01;
        const int n = GEOSGetNumGeometries_r(ctx_, faces_);
        for (int k = 0; k < n && !near; ++k) {
            const GEOSGeometry* face = GEOSGetGeometryN_r(ctx_, faces_, k);
            if (GEOSContains_r(ctx_, face, pt) != 1) continue;
            const GEOSGeometry* shell = GEOSGetExteriorRing_r(ctx_, face);
            const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(ctx_, shell);
            unsigned size = 0;
            GEOSCoordSeq_getSize_r(ctx_, seq, &size);
            for (unsigned i = 0; i + 1 < size; ++i) {
                PlanarPoint p;
                GEOSCoordSeq_getXY_r(ctx_, seq, i, &p.x, &p.y);
                ring.push_back(p);
            }
            break;
        }
        GEOSGeom_destroy_r(ctx_, pt);
        return ring;
    }

private:
    void Clear() {
        if (faces_) GEOSGeom_destroy_r(ctx_, faces_);
        if (noded_) GEOSGeom_destroy_r(ctx_, noded_);
        faces_ = noded_ = nullptr;
    }

    GEOSContextHandle_t ctx_;
    GEOSGeometry* noded_ = nullptr;
    GEOSGeometry* faces_ = nullptr;
};

double ShoelaceArea(const std::vector<PlanarPoint>& ring) {
    double a = 0;
    for (std::size_t k = 0; k < ring.size(); ++k) {
        const PlanarPoint& p = ring[k];
        const PlanarPoint& q = ring[(k + 1) % ring.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

struct Generated {
    Drawing drawing;
    std::vector<Segment> segments;  // the same geometry, for GEOS
    double extent = 0;
};

void AddEntity(Generated& g, EntityData data) {
    Entity e;
    e.id = g.drawing.nextId++;
    e.data = std::move(data);
    g.drawing.entities.push_back(std::move(e));
}

void AddLine(Generated& g, double x0, double y0, double x1, double y1) {
    AddEntity(g, LineData{{x0, y0, 0}, {x1, y1, 0}});
    g.segments.push_back({x0, y0, x1, y1});
}

// Parcels on a jittered grid, each a closed polyline in a random direction from a random
// corner, so shared sides are drawn twice; coordinates on a half-unit lattice, so that
// nothing comes within the gap tolerance without meeting exactly.
Generated ParcelGrid(std::uint64_t seed) {
    Random rnd(seed);
    Generated g;
    const int n = 6;
    g.extent = 10.0 * n;
    std::vector<std::vector<PlanarPoint>> corner(n + 1, std::vector<PlanarPoint>(n + 1));
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            const bool edgeX = i == 0 || i == n, edgeY = j == 0 || j == n;
            corner[i][j] = {10.0 * i + (edgeX ? 0 : 0.5 * rnd.Int(-4, 4)),
                            10.0 * j + (edgeY ? 0 : 0.5 * rnd.Int(-4, 4))};
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (rnd.Int(0, 9) == 0) continue;  // a missing parcel merges its neighbours' faces
            std::vector<PlanarPoint> ring = {corner[i][j], corner[i + 1][j], corner[i + 1][j + 1],
                                             corner[i][j + 1]};
            if (rnd.Int(0, 1) == 1) std::reverse(ring.begin(), ring.end());
            std::rotate(ring.begin(), ring.begin() + rnd.Int(0, 3), ring.end());
            PolylineData poly;
            poly.closed = true;
            for (const PlanarPoint& p : ring) poly.vertices.push_back({p.x, p.y, 0});
            AddEntity(g, poly);
            for (int k = 0; k < 4; ++k) {
                const PlanarPoint& a = ring[k];
                const PlanarPoint& b = ring[(k + 1) % 4];
                g.segments.push_back({a.x, a.y, b.x, b.y});
            }
        }
    }
    auto lattice = [&] { return 0.5 * rnd.Int(0, 2 * n * 10); };
    for (int k = 0; k < 8; ++k) AddLine(g, lattice(), lattice(), lattice(), lattice());  // chords
    for (int k = 0; k < 6; ++k) {  // short dangling strokes
        const double x = lattice(), y = lattice();
        AddLine(g, x, y, x + 0.5 * rnd.Int(1, 6), y + 0.5 * rnd.Int(-3, 3));
    }
    for (int k = 0; k < 6; ++k) {
        // A grid side drawn again in two overlapping pieces; quarter points of a side between
        // half-unit lattice points are exact, so GEOS sees them on the side too.
        const int i = rnd.Int(0, n - 1), j = rnd.Int(0, n);
        const PlanarPoint a = corner[i][j], b = corner[i + 1][j];
        const PlanarPoint m1{a.x + 0.75 * (b.x - a.x), a.y + 0.75 * (b.y - a.y)};
        const PlanarPoint m2{a.x + 0.25 * (b.x - a.x), a.y + 0.25 * (b.y - a.y)};
        AddLine(g, a.x, a.y, m1.x, m1.y);
        AddLine(g, b.x, b.y, m2.x, m2.y);
    }
    return g;
}

// Long random lines at real coordinates: many small faces with computed corners.
Generated RandomLines(std::uint64_t seed) {
    Random rnd(seed);
    Generated g;
    g.extent = 100;
    for (int k = 0; k < 40; ++k) {
        AddLine(g, rnd.Real(0, 100), rnd.Real(0, 100), rnd.Real(0, 100), rnd.Real(0, 100));
    }
    return g;
}

void CompareWithGeos(const Generated& g, std::uint64_t seed, const TraceOptions& options,
                     int& compared, int& enclosed) {
    Geos geos;
    geos.Build(g.segments);
    const SegmentIndex index(g.drawing);
    Random rnd(seed ^ 0xABCDEF);
    for (int k = 0; k < 150; ++k) {
        const double x = rnd.Real(-5, g.extent + 5), y = rnd.Real(-5, g.extent + 5);
        bool near = false;
        const std::vector<PlanarPoint> ring = geos.OuterRingAt(x, y, near);
        if (near) continue;
        SCOPED_TRACE("seed " + std::to_string(seed) + " point " + std::to_string(x) + "," +
                     std::to_string(y));
        const TraceResult r = TraceBoundary(index, x, y, options);
        ++compared;
        if (ring.empty()) {
            EXPECT_FALSE(r.polyline) << "traced a region GEOS does not have";
            continue;
        }
        ++enclosed;
        ASSERT_TRUE(r.polyline) << r.reason;
        std::vector<PlanarPoint> traced;
        for (const PolylineVertex& v : r.polyline->vertices) traced.push_back({v.x, v.y});
        const double want = std::fabs(ShoelaceArea(ring));
        EXPECT_NEAR(ShoelaceArea(traced), want, 1e-9 * want);  // positive: counter-clockwise
        EXPECT_EQ(traced.size(), ring.size());
        for (const PlanarPoint& p : traced) {
            bool found = false;
            for (const PlanarPoint& q : ring)
                found = found || std::hypot(p.x - q.x, p.y - q.y) < 1e-7;
            EXPECT_TRUE(found) << "vertex " << p.x << "," << p.y << " not in GEOS's outline";
        }
        for (const PlanarPoint& p : traced) {
            EXPECT_GE(p.y, traced.front().y - options.gapTolerance);
        }
    }
}

TEST(BoundaryOracle, ParcelGridsMatchGeosFaces) {
    int compared = 0, enclosed = 0;
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        CompareWithGeos(ParcelGrid(seed), seed, TraceOptions{}, compared, enclosed);
        if (HasFatalFailure()) return;
    }
    // The generator must really exercise enclosed picks, not only misses.
    EXPECT_GT(enclosed, compared / 2);
}

TEST(BoundaryOracle, RandomLinesMatchGeosFaces) {
    // Real coordinates: a tolerance far below the drawing's scale, so that GEOS's exact
    // noding and ours agree on what meets.
    TraceOptions fine;
    fine.gapTolerance = 1e-7;
    int compared = 0, enclosed = 0;
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        CompareWithGeos(RandomLines(seed), seed, fine, compared, enclosed);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(enclosed, compared / 4);
}

}  // namespace
}  // namespace tarsel::minicad
