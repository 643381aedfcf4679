// "２辺指示" on minicad: the corner from the two picked sides' lines, the third side and the
// labels of either method, the message for sides that do not meet, and the closing Escape.
#include <gtest/gtest.h>

#include <array>

#include "commands/two_side_command.h"
#include "labelled_triangles.h"

namespace tarsel::testing {
namespace {

using minicad::Answer;

class TwoSide : public LabelledTriangles {
protected:
    // The corner example: sides (0,0)-(4000,0) and (0,3000)-(0,0).
    void CornerSides() {
        AddLine(0, 0, 4000, 0);
        AddLine(0, 3000, 0, 0);
    }
    void PickBottomThenLeft() {
        Answer(Answer::MakePick(2000, 0));
        Answer(Answer::MakePick(0, 1500));
    }
    void ExpectMessageAndNothingDrawn(std::size_t entitiesBefore) {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, commands::kSidesNotConnectedMessage);
        EXPECT_EQ(desktop.messages[0].caption, commands::kTwoSideCaption);
        EXPECT_EQ(doc().Entities().size(), entitiesBefore);
        EXPECT_EQ(options().NextNumber(), 1);
    }
};

TEST_F(TwoSide, CornerUnderBothMethodsAndPickOrders) {
    struct Case {
        int method;
        bool bottomFirst;
        std::vector<std::string> lengths;
        minicad::Point3 numberAt;
        cadlink::Variant tag;
    };
    const Case cases[] = {
        {0, true, {"3.00", "4.00", "5.00"}, {1000, 1000, 0}, Tag(4000, 5000, 3000)},
        {0, false, {"3.00", "4.00", "5.00"}, {1000, 1000, 0}, Tag(3000, 5000, 4000)},
        {1, true, {"2.40", "5.00"}, {1600, 800, 0}, Tag(4000, 5000, 3000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "method " << c.method << " bottom first " << c.bottomFirst);
        doc().Reset({});
        desktop.keys.clear();
        options().SetKyuuseki(c.method);
        options().SetNextNumber(7);
        SetVariable("SNAPMODE", cadlink::Variant(std::int32_t{1}));
        CornerSides();
        if (c.bottomFirst) {
            PickBottomThenLeft();
        } else {
            Answer(Answer::MakePick(0, 1500));
            Answer(Answer::MakePick(2000, 0));
        }
        Press("２辺指示");

        EXPECT_EQ(controller->LastQuietEnd(), "");
        EXPECT_EQ(LengthTexts(), c.lengths);
        const auto sides = LinesOn("H_HEN");
        ASSERT_EQ(sides.size(), c.method == 0 ? 1u : 2u);
        EXPECT_TRUE(Joins(sides[0], {4000, 0, 0}, {0, 3000, 0}));
        if (c.method == 1) {
            EXPECT_TRUE(Joins(sides[1], {0, 0, 0}, {1440, 1920, 0}, 1e-9));
        }
        EXPECT_TRUE(LinesOn("H_TAKASA").empty());
        ASSERT_EQ(Numbers().size(), 1u);
        EXPECT_EQ(TextOf(Numbers()[0]).text, "7");
        EXPECT_EQ(Tag(Numbers()[0]), c.tag);
        ASSERT_EQ(Circles().size(), 1u);
        EXPECT_NEAR(Circles()[0]->center.x, c.numberAt.x, 1e-9);
        EXPECT_NEAR(Circles()[0]->center.y, c.numberAt.y, 1e-9);
        EXPECT_EQ(options().NextNumber(), 8);
        EXPECT_EQ(doc().GetVariable("SNAPMODE")->AsInt(), 1);
        EXPECT_EQ(EscapeStrokes(), 4u);  // the frame's and the closing one
    }
    EXPECT_EQ(input->Prompts().front(), commands::kFirstSidePrompt);
    EXPECT_EQ(input->Prompts().at(1), commands::kOtherSidePrompt);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(TwoSide, EndsThatMissByLessThanTheToleranceCloseAtTheLinesIntersection) {
    AddLine(0, 0, 4000, 0);
    AddLine(0, 3000, 0.005, 0.002);  // ends 0.005 from the corner
    PickBottomThenLeft();
    Press("Button8");
    ASSERT_EQ(Numbers().size(), 1u);
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"3.00", "4.00", "5.00"}));
    const auto sides = LinesOn("H_HEN");
    ASSERT_EQ(sides.size(), 1u);
    EXPECT_TRUE(Joins(sides[0], {4000, 0, 0}, {0, 3000, 0}));
    // The corner is where the lines meet, a hair right of the first side's start, and the
    // tag measures from there.
    ExpectTag(Numbers()[0], 3999.995, 5000, 3000, 1e-5);
}

TEST_F(TwoSide, SidesThatGiveNoCornerGetTheMessage) {
    struct Case {
        const char* name;
        std::vector<std::array<double, 4>> lines;
        std::pair<double, double> pick2;
    };
    const Case cases[] = {
        {"T junction", {{0, 0, 4000, 0}, {2000, 0, 2000, 3000}}, {2000, 1500}},
        {"parallel", {{0, 0, 4000, 0}, {0, 1000, 4000, 1000}}, {2000, 1000}},
        {"collinear, touching", {{0, 0, 4000, 0}, {4000, 0, 8000, 0}}, {6000, 0}},
        {"far apart", {{0, 0, 4000, 0}, {0, 3000, 0, 10}}, {0, 1500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc().Reset({});
        desktop.messages.clear();
        for (const auto& l : c.lines) AddLine(l[0], l[1], l[2], l[3]);
        Answer(Answer::MakePick(1000, 0));
        Answer(Answer::MakePick(c.pick2.first, c.pick2.second));
        Press("２辺指示");
        ExpectMessageAndNothingDrawn(c.lines.size());
        EXPECT_EQ(controller->LastQuietEnd(), "");
    }
}

TEST_F(TwoSide, QuietEndsRestoreSnapAndStillSendTheClosingEscape) {
    CornerSides();
    AddCircle(9000, 9000, 500);
    struct Case {
        const char* name;
        std::vector<minicad::Answer> answers;
        std::size_t promptsAsked;
    };
    const Case cases[] = {
        {"first pick cancelled", {}, 1},
        {"second pick cancelled", {Answer::MakePick(2000, 0)}, 2},
        {"a circle is no side", {Answer::MakePick(9500, 9000)}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetVariable("SNAPMODE", cadlink::Variant(std::int32_t{1}));
        desktop.keys.clear();
        const std::size_t before = input->Prompts().size();
        for (const minicad::Answer& a : c.answers) Answer(a);
        Press("２辺指示");
        EXPECT_EQ(input->Prompts().size() - before, c.promptsAsked);
        EXPECT_EQ(doc().Entities().size(), 3u);
        EXPECT_EQ(doc().GetVariable("SNAPMODE")->AsInt(), 1);
        EXPECT_EQ(EscapeStrokes(), 4u);
    }
    EXPECT_EQ(options().NextNumber(), 1);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(TwoSide, PolylineSegmentsAsSidesAndARerunWritesOnlyANumber) {
    AddPolyline({{0, 3000}, {0, 0}, {4000, 0}}, false);
    PickBottomThenLeft();
    Press("２辺指示");
    ASSERT_EQ(Numbers().size(), 1u);
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"3.00", "4.00", "5.00"}));
    EXPECT_EQ(LinesOn("H_HEN").size(), 1u);

    // Again on the same sides (picked clear of their texts): the third side and the texts
    // are there already.
    Answer(Answer::MakePick(3000, 0));
    Answer(Answer::MakePick(0, 2500));
    Press("２辺指示");
    EXPECT_EQ(LinesOn("H_HEN").size(), 1u);
    EXPECT_EQ(LengthTexts().size(), 3u);
    EXPECT_EQ(NumberStrings(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(options().NextNumber(), 3);
}

TEST_F(TwoSide, ABadNumberFieldEndsBeforeAnythingIsDrawn) {
    CornerSides();
    options().Hankei1 = "5OO";
    PickBottomThenLeft();
    Press("２辺指示");
    EXPECT_EQ(doc().Entities().size(), 2u);
    EXPECT_NE(controller->LastQuietEnd(), "");
    EXPECT_EQ(options().NextNumber(), 1);
}

}  // namespace
}  // namespace tarsel::testing
