// "群選択" on minicad: triangles found among the selected lines and polylines and labelled by
// the pass, the message for picks that give no segment, and the quiet ends.
#include <gtest/gtest.h>

#include "commands/group_select_command.h"
#include "commands/labelling.h"
#include "labelled_triangles.h"

namespace tarsel::testing {
namespace {

using minicad::Answer;

class GroupSelect : public LabelledTriangles {
protected:
    // A 4000 x 3000 rectangle split by the diagonal (0,0)-(4000,3000).
    void RectangleWithDiagonal() {
        AddOutline({{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}});
        AddLine(0, 0, 4000, 3000);
    }
    void SelectAllAndPress() {
        Answer(Answer::MakeAll());
        Press("群選択");
    }
    void ExpectNoSelectionSetLeft() { EXPECT_TRUE(doc().SelectionSets().empty()); }
};

TEST_F(GroupSelect, RectangleWithOneDiagonalUnderBothMethods) {
    RectangleWithDiagonal();
    options().SetNextNumber(4);
    SelectAllAndPress();
    EXPECT_EQ(controller->LastQuietEnd(), "");
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"3.00", "3.00", "4.00", "4.00", "5.00"}));
    EXPECT_EQ(NumberStrings(), (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(options().NextNumber(), 6);
    EXPECT_EQ(LinesOn("H_HEN").size(), 0u);  // it draws no sides
    for (const char* layer : {"H_TEXT", "H_HEN", "H_TAKASA"}) {
        EXPECT_NE(doc().FindLayer(layer), nullptr) << layer;
    }
    ExpectNoSelectionSetLeft();

    // 三斜 on a fresh copy: the shared diagonal is both bases, labelled once; two heights.
    doc().Reset({});
    RectangleWithDiagonal();
    options().SetKyuuseki(1);
    SelectAllAndPress();
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"2.40", "2.40", "5.00"}));
    EXPECT_EQ(LinesOn("H_TAKASA").size(), 2u);
    EXPECT_EQ(Numbers().size(), 2u);
}

TEST_F(GroupSelect, PolylineTrianglesClosedOrClosedByALine) {
    AddPolyline({{0, 0}, {4000, 0}, {0, 3000}}, true);            // found alone
    AddPolyline({{10000, 0}, {14000, 0}, {10000, 3000}}, false);  // needs a closing line
    SelectAllAndPress();
    ASSERT_EQ(Numbers().size(), 1u);
    ExpectTag(Numbers()[0], 4000, 3000, 5000);  // from the shared vertex (4000, 0)

    AddLine(10000, 3000, 10000, 0);
    SelectAllAndPress();
    EXPECT_EQ(Numbers().size(), 3u);  // the first triangle again, and the second
}

TEST_F(GroupSelect, CollinearSegmentsMakeNoNumberedTriangle) {
    // A side split by a vertex on it, with the whole side drawn as well: the three segments
    // make a "triangle" without area beside the proper one.
    AddLine(0, 0, 2000, 0);
    AddLine(2000, 0, 4000, 0);
    AddLine(0, 0, 4000, 0);
    AddOutline({{10000, 0}, {14000, 0}, {10000, 3000}});
    SelectAllAndPress();
    EXPECT_EQ(NumberStrings(), (std::vector<std::string>{"1"}));
    EXPECT_EQ(Circles().size(), 1u);
    EXPECT_EQ(options().NextNumber(), 2);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, commands::kNoAreaTriangleMessage);
    // The degenerate triple's sides are not labelled either.
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"3.00", "4.00", "5.00"}));
}

TEST_F(GroupSelect, MessageOnlyWhenPickedLinesGiveNoSegment) {
    AddPolyline({{0, 0}}, false);  // one vertex, open: no segment
    AddCircle(5000, 5000, 500);
    SelectAllAndPress();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, commands::kNoSegmentMessage);
    EXPECT_EQ(desktop.messages[0].caption, commands::kGroupSelectCaption);
    ExpectNoSelectionSetLeft();
}

TEST_F(GroupSelect, QuietEnds) {
    AddCircle(5000, 5000, 500);
    AddText("7", 5000, 5000);
    AddLine(0, 0, 4000, 0);
    AddLine(4000, 0, 0, 3000);  // two segments: no triangle
    struct Case {
        const char* name;
        std::vector<minicad::Answer> answers;
    };
    const Case cases[] = {
        {"cancelled", {}},
        {"nothing under the pick", {Answer::MakePick(50000, 50000)}},
        {"circles and texts only", {Answer::MakeWindow(4400, 4400, 5600, 5600)}},
        {"fewer than three segments", {Answer::MakeAll()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t entities = doc().Entities().size();
        for (const minicad::Answer& a : c.answers) Answer(a);
        Press("Button13");
        EXPECT_EQ(doc().Entities().size(), entities);
        EXPECT_TRUE(desktop.messages.empty());
        ExpectNoSelectionSetLeft();
    }
    EXPECT_EQ(options().NextNumber(), 1);
}

}  // namespace
}  // namespace tarsel::testing
