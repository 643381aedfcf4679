// MOVE and LEADER as the number move sends them: the previous selection moved by the user's
// second point, and a leader with no annotation whose arrowhead is sized as drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation_fixture.h"
#include "minicad/document.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::Get;

class MoveLeader : public ::testing::Test {
protected:
    Document& doc() { return cad.app->document(); }
    void SetVar(const char* name, Variant value) {
        Call(cad.doc, "SetVariable", {Variant(name), std::move(value)});
    }
    Point3 LastPoint() {
        const Variant v = Call(cad.doc, "GetVariable", {Variant("LASTPOINT")});
        const auto& a = v.AsArray().items;
        return {a[0].AsDouble(), a[1].AsDouble(), a[2].AsDouble()};
    }
    std::vector<const LeaderData*> Leaders() {
        std::vector<const LeaderData*> found;
        for (const Entity& e : doc().Entities())
            if (const auto* l = DataIf<LeaderData>(e.data)) found.push_back(l);
        return found;
    }

    Cad cad;
};

TEST_F(MoveLeader, MovesThePreviousSelectionToTheUsersSecondPoint) {
    const ObjectRef text = cad.Text("7", 1000, 1000, 400);
    const ObjectRef circle = cad.Circle(1000, 1000, 500);
    const ObjectRef other = cad.Line(0, 0, 4000, 0);
    const ObjectRef ss = cad.NewSet();
    cad.input->Push(Answer::MakeWindow(400, 400, 1600, 1600));
    Call(ss, "SelectOnScreen", {});
    ASSERT_EQ(Get(ss, "Count").AsInt(), 2);

    cad.input->Push(Answer::MakePoint(3000, 2500));
    cad.Send("MOVE\rPRE\r\r1000.000,1000.000,0.000\r");

    EXPECT_EQ(cad.input->Unused(), 0u);
    EXPECT_EQ(Get(circle, "Center"), P(3000, 2500));
    EXPECT_EQ(Get(text, "InsertionPoint"), P(3000, 2500));
    EXPECT_EQ(Get(other, "StartPoint"), P(0, 0));
    EXPECT_EQ(LastPoint(), (Point3{3000, 2500, 0}));
}

TEST_F(MoveLeader, ACancelledSecondPointMovesNothingAndLeavesTheBasePointLast) {
    const ObjectRef circle = cad.Circle(1000, 1000, 500);
    SetVar("LASTPOINT", P(-5, -5));
    const ObjectRef ss = cad.NewSet();
    cad.input->Push(Answer::MakePick(1500, 1000));
    Call(ss, "SelectOnScreen", {});
    cad.Send("MOVE\rPRE\r\r1000.000,1000.000,0.000\r");  // no answer left: Escape

    EXPECT_EQ(Get(circle, "Center"), P(1000, 1000));
    EXPECT_EQ(LastPoint(), (Point3{1000, 1000, 0}));
    EXPECT_EQ(doc().CommandLog().back(), "*Cancel*");
}

TEST_F(MoveLeader, LeaderWithoutAnnotationOnTheCurrentLayer) {
    doc().AddLayer("NOTES");
    doc().AddBlock("MYARROW", {});
    SetVar("CLAYER", Variant("NOTES"));
    SetVar("DIMSCALE", Variant(2.0));
    SetVar("DIMASZ", Variant(200.0));
    struct Case {
        const char* arrowBlock;  // what DIMLDRBLK is set to
        std::string expected;    // what the leader keeps
    };
    for (const Case& c : {Case{".", ""}, Case{"MYARROW", "MYARROW"}}) {
        SCOPED_TRACE(c.arrowBlock);
        SetVar("DIMLDRBLK", Variant(c.arrowBlock));
        cad.Send("_LEADER\r1000.0000,1000.0000 2647.0000,2024.0000\r\r\rN\r");
        ASSERT_FALSE(Leaders().empty());
        const LeaderData& l = *Leaders().back();
        ASSERT_EQ(l.vertices.size(), 2u);
        EXPECT_EQ(l.vertices[0], (Point3{1000, 1000, 0}));  // the arrowhead end
        EXPECT_EQ(l.vertices[1], (Point3{2647, 2024, 0}));
        EXPECT_TRUE(l.arrowhead);
        EXPECT_DOUBLE_EQ(l.arrowSize, 400);
        EXPECT_EQ(l.arrowBlock, c.expected);
        EXPECT_EQ(doc().Entities().back().layer, "NOTES");
    }
}

TEST_F(MoveLeader, LeaderTakesMorePointsAndUndo) {
    // Third point, a fourth undone, then Annotation, no text, None.
    cad.Send("_LEADER\r0,0 10,0 10,10 20,20 U A\r\rNone\r");
    ASSERT_EQ(Leaders().size(), 1u);
    EXPECT_EQ(Leaders()[0]->vertices, (std::vector<Point3>{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}));
}

TEST_F(MoveLeader, NoLeaderForAnnotationsMinicadCannotDrawOrACancel) {
    for (const char* text : {"_LEADER\r0,0 10,0\r\rsome text\r",  // annotation text
                             "_LEADER\r0,0 10,0\r\r\rM\r",        // multiline text option
                             "_LEADER\r0,0\r"}) {                 // Escape at the next point
        SCOPED_TRACE(text);
        cad.Send(text);
        EXPECT_TRUE(Leaders().empty());
        EXPECT_EQ(doc().CommandLog().back(), "*Cancel*");
    }
}

}  // namespace
}  // namespace tarsel::minicad::testing
