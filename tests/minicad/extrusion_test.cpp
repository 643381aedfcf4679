// Entities drawn on the plane seen from below (extrusion 0,0,-1), as some CADs save mirrored
// geometry: every query and member sees them where the drawing shows them, and saving keeps
// their plane.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "automation_fixture.h"
#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"
#include "minicad/entity_geometry.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::Get;

// An R12 file: the block definitions given, then model space.
std::string Dxf(const std::string& entities, const std::string& blocks = "") {
    return "0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities +
           "0\nENDSEC\n0\nEOF\n";
}

const std::string kBelow = "210\n0.0\n220\n0.0\n230\n-1.0\n";

// The arc of the fault: stored at OCS x = +650.8, seen at x = -650.8; the half from 90 to
// 270 degrees about its extrusion, which runs clockwise in plan and bulges to +x.
const std::string kMirroredArc =
    "0\nARC\n8\n0\n10\n650.8\n20\n0.0\n30\n0.0\n40\n50.0\n" + kBelow + "50\n90.0\n51\n270.0\n";

// Block B: a line from its base along +x and a circle that is itself drawn from below.
const std::string kBlockB =
    "0\nBLOCK\n8\n0\n2\nB\n70\n0\n10\n0.0\n20\n0.0\n30\n0.0\n"
    "0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n11\n10.0\n21\n0.0\n31\n0.0\n"
    "0\nCIRCLE\n8\n0\n10\n20.0\n20\n0.0\n30\n0.0\n40\n1.0\n" +
    kBelow + "0\nENDBLK\n8\n0\n";

std::vector<double> Numbers(const Variant& v) {
    std::vector<double> out;
    for (const Variant& item : v.AsArray().items) out.push_back(item.AsDouble());
    return out;
}

// The area a closed polyline's vertices and bulges enclose.
double PolylineArea(const ObjectRef& p) {
    const std::vector<double> xy = Numbers(Get(p, "Coordinates"));
    const std::size_t n = xy.size() / 2;
    double area = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x0 = xy[2 * i], y0 = xy[2 * i + 1];
        const double x1 = xy[2 * ((i + 1) % n)], y1 = xy[2 * ((i + 1) % n) + 1];
        area += (x0 * y1 - x1 * y0) / 2;
        const double bulge =
            Call(p, "GetBulge", {Variant(static_cast<std::int32_t>(i))}).AsDouble();
        if (bulge == 0) continue;
        const double angle = 4 * std::atan(bulge);
        const double chord = std::hypot(x1 - x0, y1 - y0);
        const double r = chord / (2 * std::sin(std::abs(angle) / 2));
        area += std::copysign(r * r / 2 * (std::abs(angle) - std::sin(std::abs(angle))), angle);
    }
    return area;
}

class Extrusion : public ::testing::Test {
protected:
    void Open(const std::string& text) { cad.app->document().Reset(ReadDxf(text, "below.dxf")); }
    std::vector<double> Var(const char* name) {
        return Numbers(Call(cad.doc, "GetVariable", {Variant(name)}));
    }
    Cad cad;
};

TEST_F(Extrusion, MirroredArcIsWhereTheUserSeesIt) {
    Open(Dxf(kMirroredArc));
    const ObjectRef arc = cad.Last();
    EXPECT_EQ(Numbers(Get(arc, "Center")), (std::vector<double>{-650.8, 0, 0}));
    EXPECT_EQ(Numbers(Get(arc, "StartPoint")), (std::vector<double>{-650.8, 50, 0}));
    EXPECT_EQ(Numbers(Get(arc, "EndPoint")), (std::vector<double>{-650.8, -50, 0}));
    EXPECT_EQ(Var("EXTMIN"), (std::vector<double>{-650.8, -50, 0}));
    EXPECT_EQ(Var("EXTMAX"), (std::vector<double>{-600.8, 50, 0}));

    // Picked where it shows, not where its OCS numbers would put it.
    const Drawing& d = cad.app->document().drawing();
    EXPECT_NEAR(DistanceToEntity(d.entities[0], {-600.8, 0, 0}, d.blocks), 0, 1e-9);
    EXPECT_NEAR(DistanceToEntity(d.entities[0], {600.8, 0, 0}, d.blocks), 1201.6, 1e-9);

    // Members take world points too: moved 10 to the right, set back by its centre.
    Call(arc, "Move", {P(0, 0), P(10, 0)});
    const std::vector<double> moved = Numbers(Get(arc, "Center"));
    EXPECT_NEAR(moved[0], -640.8, 1e-12);
    EXPECT_EQ(moved[1], 0);
    cadlink::Put(arc, "Center", P(-650.8, 0));
    EXPECT_EQ(DataOf<ArcData>(cad.app->document().drawing().entities[0].data).center,
              (Point3{650.8, 0, 0}));
}

// A parcel closed on its east by the mirrored half circle: the trace runs along the arc
// where it lies, and its area is the square plus the half disc.
TEST_F(Extrusion, MirroredArcClosesAParcelForTheBoundaryTrace) {
    std::string lines;
    const double xs[] = {-650.8, -750.8, -750.8, -650.8}, ys[] = {50, 50, -50, -50};
    for (int i = 0; i < 3; ++i) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "0\nLINE\n8\n0\n10\n%.1f\n20\n%.1f\n11\n%.1f\n21\n%.1f\n",
                      xs[i], ys[i], xs[i + 1], ys[i + 1]);
        lines += buf;
    }
    Open(Dxf(lines + kMirroredArc));
    const int before = cad.Count();

    cad.Send("_-BOUNDARY A O P \r-610,0\r\r");
    ASSERT_EQ(cad.Count(), before + 1);
    const ObjectRef outline = cad.Last();
    EXPECT_NEAR(PolylineArea(outline), 100.0 * 100.0 + geometry::kPi * 50 * 50 / 2, 1e-6);
    const std::vector<double> xy = Numbers(Get(outline, "Coordinates"));
    EXPECT_EQ(xy, (std::vector<double>{-750.8, -50, -650.8, -50, -650.8, 50, -750.8, 50}));
}

// One table: each entity drawn from below, its world extents, and a point on it as shown.
TEST_F(Extrusion, ExtentsAndPicksOfEveryKindAreInWorldCoordinates) {
    struct Case {
        const char* what;
        std::string entity;
        Box box;
        Point3 onIt;
        std::string blocks = kBlockB;
    };
    // Block Q: a quarter circle counter-clockwise from (10,0) to (0,10).
    const std::string blockQ =
        "0\nBLOCK\n8\n0\n2\nQ\n70\n0\n10\n0.0\n20\n0.0\n30\n0.0\n"
        "0\nARC\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n40\n10.0\n50\n0.0\n51\n90.0\n"
        "0\nENDBLK\n8\n0\n";
    const Case cases[] = {
        {"circle",
         "0\nCIRCLE\n8\n0\n10\n30.0\n20\n5.0\n30\n0.0\n40\n2.0\n" + kBelow,
         {-32, 3, -28, 7},
         {-28, 5, 0}},
        {"polyline with a bulge",
         "0\nLWPOLYLINE\n8\n0\n90\n3\n70\n0\n10\n10.0\n20\n0.0\n10\n20.0\n20\n0.0\n42\n1.0\n"
         "10\n20.0\n20\n10.0\n" +
             kBelow,
         // From below, the half circle on the chord (20,0)-(20,10) bulges to world -x.
         {-25, 0, -10, 10},
         {-25, 5, 0}},
        {"2D polyline",
         "0\nPOLYLINE\n8\n0\n66\n1\n10\n0.0\n20\n0.0\n30\n0.0\n70\n0\n" + kBelow +
             "0\nVERTEX\n8\n0\n10\n1.0\n20\n2.0\n0\nVERTEX\n8\n0\n10\n3.0\n20\n4.0\n"
             "0\nSEQEND\n8\n0\n",
         {-3, 2, -1, 4},
         {-2, 3, 0}},
        {"reference",
         "0\nINSERT\n8\n0\n2\nB\n10\n100.0\n20\n50.0\n30\n0.0\n" + kBelow,
         // The line runs to world -x; the circle, flipped twice, lies on the +x side of its
         // insertion in the reference's plane and so at -80 in the world.
         {-110, 49, -79, 51},
         {-105, 50, 0}},
        {"turned reference",
         "0\nINSERT\n8\n0\n2\nB\n10\n100.0\n20\n50.0\n30\n0.0\n50\n90.0\n" + kBelow,
         {-101, 29, -99, 60},
         {-100, 55, 0}},
        // Mirrored by a negative x scale instead: the quarter lies on the -x side.
        {"reference with x scale -1",
         "0\nINSERT\n8\n0\n2\nQ\n10\n0.0\n20\n0.0\n30\n0.0\n41\n-1.0\n",
         {-10, 0, 0, 10},
         {-std::sqrt(50.0), std::sqrt(50.0), 0},
         blockQ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(Dxf(c.entity, c.blocks));
        const Drawing& d = cad.app->document().drawing();
        ASSERT_EQ(d.entities.size(), 1u);
        const std::optional<Box> box = EntityBox(d.entities[0], d.blocks);
        ASSERT_TRUE(box);
        EXPECT_NEAR(box->minX, c.box.minX, 1e-9);
        EXPECT_NEAR(box->minY, c.box.minY, 1e-9);
        EXPECT_NEAR(box->maxX, c.box.maxX, 1e-9);
        EXPECT_NEAR(box->maxY, c.box.maxY, 1e-9);
        EXPECT_NEAR(DistanceToEntity(d.entities[0], c.onIt, d.blocks), 0, 1e-9);
        EXPECT_TRUE(CrossesBox(d.entities[0], Box::Around({c.onIt.x, c.onIt.y}, 0.01), d.blocks));
    }
}

TEST_F(Extrusion, MembersOfPolylinesTextsAndReferencesSpeakWorldCoordinates) {
    Open(Dxf("0\nLWPOLYLINE\n8\n0\n90\n2\n70\n0\n10\n10.0\n20\n1.0\n42\n0.5\n10\n20.0\n20\n2.0\n" +
                 kBelow + "0\nTEXT\n8\n0\n10\n5.0\n20\n6.0\n30\n0.0\n40\n2.5\n1\nA\n" + kBelow +
                 "0\nINSERT\n8\n0\n2\nB\n10\n100.0\n20\n50.0\n30\n0.0\n" + kBelow,
             kBlockB));
    const ObjectRef polyline = Call(cad.modelSpace, "Item", {Variant(0)}).AsObject();
    EXPECT_EQ(Numbers(Get(polyline, "Coordinates")), (std::vector<double>{-10, 1, -20, 2}));
    EXPECT_EQ(Call(polyline, "GetBulge", {Variant(0)}).AsDouble(), -0.5);
    cadlink::Put(polyline, "Coordinates", Variant::DoubleArray({-11, 1, -21, 2}));
    Call(polyline, "SetBulge", {Variant(0), Variant(-0.25)});
    const auto& pl = DataOf<PolylineData>(cad.app->document().drawing().entities[0].data);
    EXPECT_EQ(pl.vertices[0].x, 11);
    EXPECT_EQ(pl.vertices[1].x, 21);
    EXPECT_EQ(pl.vertices[0].bulge, 0.25);

    const ObjectRef text = Call(cad.modelSpace, "Item", {Variant(1)}).AsObject();
    EXPECT_EQ(Numbers(Get(text, "InsertionPoint")), (std::vector<double>{-5, 6, 0}));
    const ObjectRef ref = Call(cad.modelSpace, "Item", {Variant(2)}).AsObject();
    EXPECT_EQ(Numbers(Get(ref, "InsertionPoint")), (std::vector<double>{-100, 50, 0}));

    // Exploded, the reference's parts keep their places and planes: the line in world
    // coordinates, the circle twice flipped back onto the world's plane.
    const std::vector<Variant> parts = Call(ref, "Explode", {}).AsArray().items;
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(Numbers(Get(parts[0].AsObject(), "StartPoint")), (std::vector<double>{-100, 50, 0}));
    EXPECT_EQ(Numbers(Get(parts[0].AsObject(), "EndPoint")), (std::vector<double>{-110, 50, 0}));
    EXPECT_EQ(Numbers(Get(parts[1].AsObject(), "Center")), (std::vector<double>{-80, 50, 0}));
    const auto& circle = DataOf<CircleData>(cad.app->document().drawing().entities.back().data);
    EXPECT_EQ(circle.extrusion, (Point3{0, 0, 1}));
}

// Saved and read again, in the old and the new form of each entity, the plane is the same;
// an entity on the world's plane gets no 210.
TEST(ExtrusionDxf, ThePlaneIsSavedAndReadBack) {
    const Drawing d =
        ReadDxf(Dxf(kMirroredArc + "0\nCIRCLE\n8\n0\n10\n1.0\n20\n2.0\n30\n0.0\n40\n1.0\n" +
                        "210\n0.6\n220\n0.0\n230\n0.8\n" +
                        "0\nLWPOLYLINE\n8\n0\n90\n2\n70\n0\n10\n1.0\n20\n1.0\n10\n2.0\n20\n2.0\n" +
                        kBelow + "0\nTEXT\n8\n0\n10\n5.0\n20\n6.0\n30\n0.0\n40\n2.5\n1\nA\n" +
                        kBelow + "0\nINSERT\n8\n0\n2\nB\n10\n1.0\n20\n2.0\n30\n0.0\n" + kBelow +
                        "0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n11\n1.0\n21\n0.0\n",
                    kBlockB),
                "below.dxf");
    ASSERT_EQ(d.entities.size(), 6u);
    for (DxfVersion version : {DxfVersion::R12, DxfVersion::R2000, DxfVersion::R2018}) {
        const std::string text = WriteDxf(d, version);
        const Drawing back = ReadDxf(text, "saved.dxf");
        ASSERT_EQ(back.entities.size(), d.entities.size());
        const Point3 below{0, 0, -1};
        EXPECT_EQ(DataOf<ArcData>(back.entities[0].data).extrusion, below);
        EXPECT_EQ(DataOf<CircleData>(back.entities[1].data).extrusion, (Point3{0.6, 0, 0.8}));
        EXPECT_EQ(DataOf<PolylineData>(back.entities[2].data).extrusion, below);
        EXPECT_EQ(DataOf<TextData>(back.entities[3].data).extrusion, below);
        EXPECT_EQ(DataOf<InsertData>(back.entities[4].data).extrusion, below);
        EXPECT_EQ(DataOf<ArcData>(back.entities[0].data).center, (Point3{650.8, 0, 0}));
        EXPECT_EQ(DataOf<CircleData>(back.blocks[0].entities[1].data).extrusion, below);
        // Five in model space and one in the block; none for the line.
        std::size_t count = 0;
        for (const dxf::Group& g : dxf::Lex(text, "saved.dxf")) count += g.code == 210 ? 1 : 0;
        EXPECT_EQ(count, 6u);
    }
}

TEST(ExtrusionDxf, AZeroExtrusionIsRefusedByName) {
    try {
        (void)ReadDxf(Dxf("0\nCIRCLE\n8\n0\n10\n1.0\n20\n2.0\n40\n1.0\n210\n0\n220\n0\n230\n0\n"),
                      "zero.dxf");
        FAIL() << "read";
    } catch (const DxfError& e) {
        EXPECT_NE(std::string(e.what()).find("CIRCLE with a zero extrusion direction"),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace tarsel::minicad::testing
