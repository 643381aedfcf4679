// -BOUNDARY as the palette drives it: the command text it sends, then the drawing's last
// entity read back through the automation interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "automation_fixture.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::Get;
using cadlink::GetObject;
using cadlink::Put;

// What the palette sends for a pick at (x, y).
std::string BoundaryText(double x, double y) {
    char point[64];
    std::snprintf(point, sizeof point, "%.4f,%.4f", x, y);
    return std::string("_-BOUNDARY A O P \r") + point + "\r\r";
}

class BoundaryCommand : public ::testing::Test {
protected:
    ObjectRef Polyline(const std::vector<double>& xy, bool closed = true) {
        ObjectRef p =
            Call(cad.modelSpace, "AddLightWeightPolyline", {Variant::DoubleArray(xy)}).AsObject();
        Put(p, "Closed", Variant(closed));
        return p;
    }
    static std::vector<double> Coordinates(const ObjectRef& e) {
        std::vector<double> out;
        const Variant coordinates = Get(e, "Coordinates");
        for (const Variant& v : coordinates.AsArray().items) out.push_back(v.AsDouble());
        return out;
    }
    bool Logged(const std::string& part) {
        const auto& log = cad.app->document().CommandLog();
        return std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    Cad cad;
};

// An L-shaped lot with a neighbour against part of its right side: the outline keeps the
// neighbour's corners, runs counter-clockwise from the lowest vertex, and lands on CLAYER.
TEST_F(BoundaryCommand, AddsTheTracedOutlineOnTheCurrentLayer) {
    Polyline({20000, 10000, 20000, 0, 0, 0, 0, 20000, 10000, 20000, 10000, 10000});
    Polyline({20000, 2000, 30000, 2000, 30000, 8000, 20000, 8000});
    Call(GetObject(cad.doc, "Layers"), "Add", {Variant("BND")});
    Call(cad.doc, "SetVariable", {Variant("CLAYER"), Variant("BND")});
    const int before = cad.Count();

    cad.Send(BoundaryText(5000, 15000));

    ASSERT_EQ(cad.Count(), before + 1);
    const ObjectRef outline = cad.Last();
    EXPECT_EQ(Get(outline, "EntityName").AsText(), "AcDbPolyline");
    EXPECT_EQ(Get(outline, "Layer").AsText(), "BND");
    EXPECT_TRUE(Get(outline, "Closed").AsBool());
    EXPECT_EQ(Coordinates(outline),
              (std::vector<double>{0, 0, 20000, 0, 20000, 2000, 20000, 8000, 20000, 10000, 10000,
                                   10000, 10000, 20000, 0, 20000}));
    EXPECT_TRUE(Logged("BOUNDARY created 1 polyline"));

    // The neighbour is a region of its own; its outline is added after the first.
    cad.Send(BoundaryText(25000, 5000));
    ASSERT_EQ(cad.Count(), before + 2);
    EXPECT_EQ(Coordinates(cad.Last()),
              (std::vector<double>{20000, 2000, 30000, 2000, 30000, 8000, 20000, 8000}));
}

TEST_F(BoundaryCommand, ArcSideComesBackAsABulge) {
    cad.Line(0, 0, 10000, 0);
    cad.Line(10000, 0, 10000, 10000);
    cad.Line(0, 10000, 0, 0);
    // The top side: a half circle over (10000,10000)-(0,10000), counter-clockwise.
    Call(cad.modelSpace, "AddArc",
         {P(5000, 10000), Variant(5000.0), Variant(0.0), Variant(geometry::kPi)});

    cad.Send(BoundaryText(5000, 12000));

    const ObjectRef outline = cad.Last();
    ASSERT_EQ(Get(outline, "EntityName").AsText(), "AcDbPolyline");
    const std::vector<double> xy = Coordinates(outline);
    ASSERT_EQ(xy.size(), 8u);
    EXPECT_NEAR(xy[6], 0, 1e-9);
    EXPECT_NEAR(xy[7], 10000, 1e-9);
    EXPECT_NEAR(Call(outline, "GetBulge", {Variant(2)}).AsDouble(), 1.0, 1e-12);
    EXPECT_EQ(Call(outline, "GetBulge", {Variant(0)}).AsDouble(), 0.0);
}

TEST_F(BoundaryCommand, NoRegionAddsNothingAndSaysWhy) {
    Polyline({0, 0, 100, 0, 100, 100, 0, 100});
    const int before = cad.Count();

    cad.Send(BoundaryText(500, 50));
    EXPECT_EQ(cad.Count(), before);
    EXPECT_TRUE(Logged("Valid boundary not found at 500,50,0: no closed region around the point."));
    EXPECT_TRUE(Logged("BOUNDARY created 0 polylines"));

    cad.Send(BoundaryText(100, 50));
    EXPECT_EQ(cad.Count(), before);
    EXPECT_TRUE(Logged("the point lies on a boundary line"));
}

// The index is built at the first pick and then follows the document: an erased side
// opens the lot, a side drawn again and a moved end are seen by the next pick.
TEST_F(BoundaryCommand, LaterPicksSeeErasedAddedAndMovedLines) {
    cad.Line(0, 0, 100, 0);
    cad.Line(100, 0, 100, 100);
    cad.Line(100, 100, 0, 100);
    ObjectRef left = cad.Line(0, 100, 0, 0);
    cad.Send(BoundaryText(50, 50));
    const int traced = cad.Count();
    Call(cad.Last(), "Erase", {});

    Call(left, "Erase", {});
    cad.Send(BoundaryText(50, 50));
    EXPECT_EQ(cad.Count(), traced - 2);

    left = cad.Line(0, 100, 0, 0);
    Put(left, "StartPoint", P(-50, 150));  // the left side now leans out to (-50,150)
    cad.Line(-50, 150, 100, 100);
    cad.Send(BoundaryText(50, 50));
    EXPECT_EQ(Coordinates(cad.Last()), (std::vector<double>{0, 0, 100, 0, 100, 100, -50, 150}));
}

TEST_F(BoundaryCommand, AnEscapeBeforeTheLastEnterAddsNothing) {
    Polyline({0, 0, 100, 0, 100, 100, 0, 100});
    const int before = cad.Count();
    // The final Enter is missing: the command asks the user, who presses Escape.
    cad.Send("_-BOUNDARY A O P \r50.0000,50.0000\r");
    EXPECT_EQ(cad.Count(), before);
    EXPECT_TRUE(Logged("*Cancel*"));
}

TEST_F(BoundaryCommand, AdvancedOptionsMinicadLacksAreSaidOnTheLog) {
    Polyline({0, 0, 100, 0, 100, 100, 0, 100});
    cad.Send("_-BOUNDARY A I Y B N O R \r50,50\r\r");
    EXPECT_EQ(Get(cad.Last(), "EntityName").AsText(), "AcDbPolyline");
    EXPECT_TRUE(Logged("Island detection is not available"));
    EXPECT_TRUE(Logged("The boundary set is always the whole drawing."));
    EXPECT_TRUE(Logged("Regions are not available"));
}

// The palette waits for a busy CAD before it looks for the outline.
TEST_F(BoundaryCommand, OutlineIsThereWhenTheBusyCadTurnsIdle) {
    Polyline({0, 0, 100, 0, 100, 100, 0, 100});
    const int before = cad.Count();
    cad.app->SetBusyPolls(3);
    cad.Send(BoundaryText(50, 50));
    const ObjectRef state = Call(cad.application, "GetAcadState", {}).AsObject();
    int polls = 1;
    while (!Get(state, "IsQuiescent").AsBool()) ++polls;
    EXPECT_EQ(polls, 4);
    EXPECT_EQ(cad.Count(), before + 1);
}

}  // namespace
}  // namespace tarsel::minicad::testing
