// "基準線" and "a-b反転" on minicad: the apex from a, b and the picked end, the flip back and
// forth with the counter kept, the record a full-form command ends, and flips after a delete
// that fails.
#include <gtest/gtest.h>

#include "commands/base_line_command.h"
#include "labelled_triangles.h"

namespace tarsel::testing {
namespace {

using minicad::Answer;

class BaseLine : public LabelledTriangles {
protected:
    BaseLine() {
        AddLine(0, 0, 5000, 0);
        options().A_Hen = "3.0";
        options().B_Hen = "4.0";
    }
    // Builds on the base picked at x, the side pointed above it.
    void Build(double pickX = 1000) {
        Answer(Answer::MakePick(pickX, 0));
        Answer(Answer::MakePoint(2500, 1000));
        Press("基準線");
    }
    // The apex as the two new side lines show it (both must end there).
    std::optional<minicad::Point3> Apex() {
        const auto sides = LinesOn("H_HEN");
        if (sides.size() != 2) return std::nullopt;
        return LineOf(sides[0]).end;
    }
    void ExpectApex(double x, double y) {
        const auto apex = Apex();
        ASSERT_TRUE(apex.has_value());
        EXPECT_NEAR(apex->x, x, 1e-9);
        EXPECT_NEAR(apex->y, y, 1e-9);
        const auto sides = LinesOn("H_HEN");
        EXPECT_TRUE(Joins(sides[0], {0, 0, 0}, {x, y, 0}, 1e-9));
        EXPECT_TRUE(Joins(sides[1], {5000, 0, 0}, {x, y, 0}, 1e-9));
    }
};

TEST_F(BaseLine, BuildsFlipsAndFlipsBackWithTheSameNumber) {
    options().SetNextNumber(3);
    Build();
    EXPECT_EQ(controller->LastQuietEnd(), "");
    ExpectApex(1800, 2400);
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"3.00", "4.00", "5.00"}));
    ASSERT_EQ(Numbers().size(), 1u);
    EXPECT_EQ(TextOf(Numbers()[0]).text, "3");
    EXPECT_EQ(Tag(Numbers()[0]), Tag(5000, 4000, 3000));  // |AB|, |BC|, |CA|
    // The drawing had no text layer: every text is on it all the same.
    for (const auto* t : Texts()) EXPECT_EQ(t->layer, "H_TEXT");
    EXPECT_EQ(options().NextNumber(), 4);
    EXPECT_TRUE(controller->Button9Enabled());
    EXPECT_EQ(session().CreatedIds.size(), 7u);  // two sides, three texts, circle, number
    EXPECT_EQ(input->Prompts(),
              (std::vector<std::string>{commands::kBaseLinePrompt, commands::kTriangleSidePrompt}));

    const double flips[][2] = {{3200, 2400}, {1800, 2400}, {3200, 2400}};
    for (const auto& apex : flips) {
        SCOPED_TRACE(apex[0]);
        Press("a-b反転");
        EXPECT_EQ(controller->LastQuietEnd(), "");
        ExpectApex(apex[0], apex[1]);
        EXPECT_EQ(doc().Entities().size(), 8u);  // the base and one triangle's seven
        EXPECT_EQ(NumberStrings(), (std::vector<std::string>{"3"}));
        EXPECT_EQ(options().NextNumber(), 4);
        EXPECT_EQ(session().CreatedIds.size(), 7u);
    }
    ExpectTag(Numbers()[0], 5000, 3000, 4000);
}

TEST_F(BaseLine, SideAStartsAtTheEndNearerThePick) {
    Build(4000);
    ExpectApex(3200, 2400);
}

TEST_F(BaseLine, BaseAndHeightPutTheHeightLineOnItsOwnLayer) {
    options().SetKyuuseki(1);
    Build();
    ExpectApex(1800, 2400);
    const auto heights = LinesOn("H_TAKASA");
    ASSERT_EQ(heights.size(), 1u);
    EXPECT_TRUE(Joins(heights[0], {1800, 2400, 0}, {1800, 0, 0}, 1e-9));
    EXPECT_EQ(LengthTexts(), (std::vector<std::string>{"2.40", "5.00"}));
    EXPECT_EQ(Numbers().size(), 1u);
    EXPECT_EQ(session().CreatedIds.size(), 7u);  // two sides, two texts, height, circle, number
    Press("a-b反転");
    EXPECT_EQ(doc().Entities().size(), 8u);
    EXPECT_EQ(LinesOn("H_TAKASA").size(), 1u);
}

TEST_F(BaseLine, SidesThatMakeNoTriangleGetTheMessageBeforeTheSideIsAsked) {
    Build();  // a flippable triangle first
    const std::size_t entities = doc().Entities().size();
    const std::vector<std::int64_t> ids = session().CreatedIds;
    const std::pair<const char*, const char*> cases[] = {
        {"1.0", "4.0"}, {"3.0", "8.0"}, {"8.0", "3.0"}, {"0", "5.0"}};
    for (const auto& [a, b] : cases) {
        SCOPED_TRACE(std::string(a) + " " + b);
        desktop.messages.clear();
        const std::size_t prompts = input->Prompts().size();
        options().A_Hen = a;
        options().B_Hen = b;
        Answer(Answer::MakePick(1000, 0));
        Press("基準線");
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, commands::kNoTriangleMessage);
        EXPECT_EQ(desktop.messages[0].caption, "Tarsel");
        EXPECT_EQ(input->Prompts().size(), prompts + 1);  // the base only
        EXPECT_EQ(doc().Entities().size(), entities);
        EXPECT_EQ(session().CreatedIds, ids);
        EXPECT_TRUE(controller->Button9Enabled());
    }
}

TEST_F(BaseLine, QuietEndsKeepThePreviousTriangleFlippable) {
    Build();
    const std::vector<std::int64_t> ids = session().CreatedIds;
    const std::size_t entities = doc().Entities().size();
    AddCircle(9000, 9000, 100);
    AddPolyline({{0, 9000}, {5000, 9000}}, false);  // two vertices: no segment to pick
    struct Case {
        const char* name;
        std::vector<minicad::Answer> answers;
    };
    const Case cases[] = {
        {"base pick cancelled", {}},
        {"side pick cancelled", {Answer::MakePick(1000, 0)}},
        {"a circle is no base", {Answer::MakePick(9100, 9000)}},
        {"two-vertex polyline", {Answer::MakePick(2500, 9000)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const minicad::Answer& a : c.answers) Answer(a);
        Press("Button1");
        EXPECT_EQ(doc().Entities().size(), entities + 2);
        EXPECT_EQ(session().CreatedIds, ids);
        EXPECT_TRUE(controller->Button9Enabled());
    }
    options().B_Hen = "four";
    Answer(Answer::MakePick(1000, 0));
    Press("基準線");
    EXPECT_EQ(session().CreatedIds, ids);
    EXPECT_EQ(input->Unused(), 0u);
    EXPECT_TRUE(desktop.messages.empty());

    Press("a-b反転");
    ExpectApex(3200, 2400);
}

TEST_F(BaseLine, AFullFormCommandEndsTheFlipAndMaximumDoesNot) {
    Build();
    Press("最大");
    EXPECT_TRUE(controller->Button9Enabled());
    EXPECT_EQ(session().CreatedIds.size(), 7u);

    Press("長さ記入");  // cancelled at its pick, after the frame
    EXPECT_FALSE(controller->Button9Enabled());
    EXPECT_TRUE(session().CreatedIds.empty());
    EXPECT_FALSE(session().RecordCreatedIds);

    // The disabled button takes no click: nothing is redrawn.
    const std::size_t entities = doc().Entities().size();
    const std::size_t keys = desktop.keys.size();
    Press("a-b反転");
    EXPECT_EQ(doc().Entities().size(), entities);
    EXPECT_EQ(desktop.keys.size(), keys);
    ExpectApex(1800, 2400);
}

TEST_F(BaseLine, AFailedDeleteLeavesThatEntityAndTheNextFlipStillCleansUp) {
    Build();
    // The user erased the first side line by hand: its delete fails during the flip.
    const std::int64_t erased = session().CreatedIds.front();
    ASSERT_TRUE(doc().EraseEntity(erased));

    Press("a-b反転");
    EXPECT_EQ(controller->LastQuietEnd(), "");
    ExpectApex(3200, 2400);
    EXPECT_EQ(doc().Entities().size(), 8u);
    EXPECT_TRUE(session().RecordCreatedIds);
    EXPECT_EQ(session().CreatedIds.size(), 7u);

    // Back again: the rebuild goes, and there is still one numbered triangle.
    Press("a-b反転");
    ExpectApex(1800, 2400);
    EXPECT_EQ(NumberStrings(), (std::vector<std::string>{"1"}));
    EXPECT_EQ(doc().Entities().size(), 8u);
}

TEST_F(BaseLine, EnterInTheSideFieldsMovesTheFocusOn) {
    EXPECT_FALSE(controller->Edit1KeyPress('8'));
    EXPECT_EQ(controller->FocusedControl(), "");
    EXPECT_TRUE(controller->Edit1KeyPress(13));
    EXPECT_EQ(controller->FocusedControl(), "Edit2");
    EXPECT_FALSE(controller->Edit2KeyPress('\t'));
    EXPECT_EQ(controller->FocusedControl(), "Edit2");
    EXPECT_TRUE(controller->Edit2KeyPress(13));
    EXPECT_EQ(controller->FocusedControl(), "Button1");
}

}  // namespace
}  // namespace tarsel::testing
