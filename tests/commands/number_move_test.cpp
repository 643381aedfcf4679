// "番号と円移動" on minicad: the pair moved by MOVE to the user's point, joined to its old place
// by a leader sized in drawing units or by a plain line, the dimension settings put back, and
// the selections and cancels that move or draw nothing.
#include <gtest/gtest.h>

#include "commands/number_move_command.h"
#include "labelled_triangles.h"

namespace tarsel::testing {
namespace {

using minicad::Answer;

class NumberMove : public LabelledTriangles {
protected:
    // Number 7 in its circle at (1000, 1000); circleFirst decides the selection's order.
    void NumberAndCircle(bool circleFirst = false) {
        if (circleFirst) circle = AddCircle(1000, 1000, 500);
        number = AddText("7", 1000, 1000, minicad::TextAlignment::MiddleCenter, 1000, 1000);
        if (!circleFirst) circle = AddCircle(1000, 1000, 500);
    }
    // Selects around the number and moves it to (4000, 5000).
    void MoveTo4000_5000() {
        Answer(Answer::MakeWindow(400, 400, 1600, 1600));
        Answer(Answer::MakePoint(4000, 5000));
        Press("番号と円移動");
    }
    const minicad::CircleData& CircleNow() {
        return minicad::DataOf<minicad::CircleData>(doc().FindEntity(circle)->data);
    }
    std::vector<const minicad::LeaderData*> Leaders() {
        std::vector<const minicad::LeaderData*> out;
        for (const auto* e : All<minicad::LeaderData>())
            out.push_back(&minicad::DataOf<minicad::LeaderData>(e->data));
        return out;
    }
    void ExpectNothingMoved(std::size_t entities) {
        EXPECT_EQ(doc().Entities().size(), entities);
        EXPECT_EQ(CircleNow().center, (minicad::Point3{1000, 1000, 0}));
        EXPECT_TRUE(doc().SelectionSets().empty());
    }

    std::int64_t circle = 0;
    std::int64_t number = 0;
};

TEST(NumberMoveTexts, FixedDecimalsWithoutTheLocale) {
    EXPECT_EQ(commands::MoveCommandText({1000, -2.5, 0}), "MOVE\rPRE\r\r1000.000,-2.500,0.000\r");
    EXPECT_EQ(commands::LeaderCommandText({1000, 1000, 0}, {3700.12345, 4600, 9}),
              "_LEADER\r1000.0000,1000.0000 3700.1235,4600.0000\r\r\rN\r");
}

TEST_F(NumberMove, LeaderFromTheOldCentreToTheMovedRimInEitherSelectionOrder) {
    for (const bool circleFirst : {false, true}) {
        SCOPED_TRACE(circleFirst);
        doc().Reset({});
        NumberAndCircle(circleFirst);
        doc().AddBlock("MYARROW", {});
        SetVariable("DIMSCALE", cadlink::Variant(2.0));
        SetVariable("DIMASZ", cadlink::Variant(2.5));
        SetVariable("DIMLDRBLK", cadlink::Variant("MYARROW"));
        MoveTo4000_5000();

        EXPECT_EQ(controller->LastQuietEnd(), "");
        EXPECT_EQ(CircleNow().center, (minicad::Point3{4000, 5000, 0}));
        const auto& text = TextOf(doc().FindEntity(number));
        EXPECT_EQ(text.alignmentPoint, (minicad::Point3{4000, 5000, 0}));
        ASSERT_EQ(Leaders().size(), 1u);
        const minicad::LeaderData& l = *Leaders()[0];
        ASSERT_EQ(l.vertices.size(), 2u);
        EXPECT_EQ(l.vertices[0], (minicad::Point3{1000, 1000, 0}));  // arrowhead at the old centre
        EXPECT_NEAR(l.vertices[1].x, 3700, 1e-9);                    // the rim facing it
        EXPECT_NEAR(l.vertices[1].y, 4600, 1e-9);
        // Drawn 400 wide at DIMSCALE 2: DIMASZ was 200 and the default arrow while it was made.
        EXPECT_DOUBLE_EQ(l.arrowSize, 400);
        EXPECT_EQ(l.arrowBlock, "");
        EXPECT_EQ(doc().GetVariable("DIMASZ")->AsDouble(), 2.5);
        EXPECT_EQ(doc().GetVariable("DIMLDRBLK")->AsText(), "MYARROW");
        EXPECT_TRUE(doc().SelectionSets().empty());
    }
}

TEST_F(NumberMove, PlainLineWhenTheArrowIsOff) {
    NumberAndCircle();
    options().SetLeader(false);
    options().Yajirusi = "not read";
    SetVariable("DIMASZ", cadlink::Variant(2.5));
    MoveTo4000_5000();
    EXPECT_TRUE(Leaders().empty());
    const auto lines = All<minicad::LineData>();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(Joins(lines[0], {1000, 1000, 0}, {3700, 4600, 0}, 1e-9));
    EXPECT_EQ(lines[0]->layer, "0");  // the current layer
    EXPECT_EQ(doc().GetVariable("DIMASZ")->AsDouble(), 2.5);
    EXPECT_EQ(doc().GetVariable("DIMLDRBLK")->AsText(), "");
}

TEST_F(NumberMove, SelectionsThatAreNotOneNumberAndOneCircleDoNothing) {
    NumberAndCircle();
    AddCircle(1000, 1000, 300);
    AddLine(9000, 0, 9000, 9000);
    struct Case {
        const char* name;
        minicad::Answer selection;
    };
    const Case cases[] = {
        {"cancelled", Answer::MakeCancel()},
        {"the circle alone", Answer::MakePick(1500, 1000)},
        {"two circles and the text", Answer::MakeWindow(400, 400, 1600, 1600)},
        {"a line is filtered out", Answer::MakeWindow(8000, 0, 10000, 9000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Answer(c.selection);
        Answer(Answer::MakePoint(4000, 5000));  // would be MOVE's second point
        Press("Button5");
        ExpectNothingMoved(4);
        EXPECT_EQ(input->Unused(), 1u);
        input->Clear();
    }
}

TEST_F(NumberMove, ACancelledMoveDrawsNeitherLeaderNorLine) {
    NumberAndCircle();
    for (const bool leader : {true, false}) {
        SCOPED_TRACE(leader);
        options().SetLeader(leader);
        Answer(Answer::MakeWindow(400, 400, 1600, 1600));  // then Escape at the second point
        Press("番号と円移動");
        ExpectNothingMoved(2);
    }
}

TEST_F(NumberMove, ABadArrowSizeEndsAfterTheMoveWithTheSettingsUntouched) {
    NumberAndCircle();
    options().Yajirusi = "400mm";
    SetVariable("DIMASZ", cadlink::Variant(2.5));
    MoveTo4000_5000();
    EXPECT_NE(controller->LastQuietEnd(), "");
    EXPECT_EQ(CircleNow().center, (minicad::Point3{4000, 5000, 0}));
    EXPECT_TRUE(Leaders().empty());
    EXPECT_EQ(doc().GetVariable("DIMASZ")->AsDouble(), 2.5);
}

}  // namespace
}  // namespace tarsel::testing
