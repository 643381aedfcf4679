// "長さ記入" and "文字回転" end to end on minicad: scripted picks, the drawing afterwards, and
// the settings the commands must put back however they end.
#include <gtest/gtest.h>

#include <cmath>

#include "commands/length_label_command.h"
#include "commands/text_rotation_command.h"
#include "support/minicad_fixture.h"

namespace tarsel::testing {
namespace {

using minicad::Answer;
using minicad::TextAlignment;

constexpr double kPi = 3.141592653589793;

std::int32_t Sysvar(minicad::Document& d, const char* name) {
    return d.GetVariable(name)->AsInt();
}

class LengthLabel : public MinicadFixture {};

TEST_F(LengthLabel, WritesTheRoundedLengthBottomCentredOnTheMidpoint) {
    doc().AddLayer("H_TEXT");
    AddLine(20000, 5000, 7655, 5000);  // 12345 long, drawn right to left
    Answer(Answer::MakePick(15000, 5000));
    Press("長さ記入");

    ASSERT_EQ(Texts().size(), 1u);
    const minicad::Entity* e = Texts()[0];
    const minicad::TextData& t = TextOf(e);
    EXPECT_EQ(t.text, "12.35");
    EXPECT_EQ(e->layer, "H_TEXT");
    EXPECT_EQ(t.alignment, TextAlignment::BottomCenter);
    EXPECT_DOUBLE_EQ(t.alignmentPoint.x, 13827.5);
    EXPECT_DOUBLE_EQ(t.alignmentPoint.y, 5000);
    EXPECT_DOUBLE_EQ(t.height, 300);
    EXPECT_NEAR(t.rotation, 0, 1e-12);  // reads left to right
    EXPECT_EQ(input->Prompts().front(), commands::kLengthLabelPrompt);

    // Picking it again finds the first text in the probe band.
    Answer(Answer::MakePick(15000, 5000));
    Press("Button11");
    EXPECT_EQ(Texts().size(), 1u);
}

TEST_F(LengthLabel, TurnsWithAngleSettingsAndRestoresThem) {
    doc().AddLayer("H_TEXT");
    AddLine(0, 0, 0, 4000);  // straight up
    ASSERT_EQ(doc().SetVariable("AUNITS", cadlink::Variant(std::int32_t{2})),
              minicad::VariableError::None);
    ASSERT_EQ(doc().SetVariable("ANGBASE", cadlink::Variant(90.0)), minicad::VariableError::None);
    ASSERT_EQ(doc().SetVariable("ANGDIR", cadlink::Variant(std::int32_t{1})),
              minicad::VariableError::None);
    ASSERT_EQ(doc().SetVariable("SNAPMODE", cadlink::Variant(std::int32_t{1})),
              minicad::VariableError::None);
    Answer(Answer::MakePick(0, 2000));
    Press("長さ記入");

    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(TextOf(Texts()[0]).text, "4.00");
    EXPECT_NEAR(TextOf(Texts()[0]).rotation, 0, 1e-12);  // ANGBASE 90 - side at 90
    EXPECT_EQ(Sysvar(doc(), "AUNITS"), 2);
    EXPECT_EQ(Sysvar(doc(), "SNAPMODE"), 1);
}

TEST_F(LengthLabel, PolylineSegmentNearestThePick) {
    doc().AddLayer("H_TEXT");
    AddPolyline({{0, 0}, {10000, 0}, {10000, 6000}}, false);
    Answer(Answer::MakePick(10000, 3000));
    Press("長さ記入");
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(TextOf(Texts()[0]).text, "6.00");
    EXPECT_DOUBLE_EQ(TextOf(Texts()[0]).alignmentPoint.y, 3000);
    EXPECT_NEAR(TextOf(Texts()[0]).rotation, kPi / 2, 1e-12);
}

TEST_F(LengthLabel, NothingForOtherEntitiesAndSnapBackOnEveryEnd) {
    doc().AddLayer("H_TEXT");
    ASSERT_EQ(doc().SetVariable("SNAPMODE", cadlink::Variant(std::int32_t{1})),
              minicad::VariableError::None);
    AddCircle(50000, 50000, 1000);
    AddPolyline({{0, 0}, {8000, 0}}, false);
    AddLine(0, 20000, 5000, 20000);

    struct Case {
        const char* name;
        std::function<void()> setUp;
    };
    const Case cases[] = {
        {"circle", [&] { Answer(Answer::MakePick(51000, 50000)); }},
        {"two-vertex polyline", [&] { Answer(Answer::MakePick(4000, 0)); }},
        {"cancelled pick", [&] { Answer(Answer::MakeCancel()); }},
        {"nothing under the pick", [&] { Answer(Answer::MakePick(90000, 90000)); }},
        {"height field does not convert",
         [&] {
             options().M_Taka1 = "3OO";
             Answer(Answer::MakePick(2500, 20000));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        Press("長さ記入");
        EXPECT_TRUE(Texts().empty());
        EXPECT_TRUE(desktop.messages.empty());
        EXPECT_EQ(Sysvar(doc(), "SNAPMODE"), 1);
        EXPECT_EQ(doc().SelectionSets().size(), 0u);
    }
}

TEST_F(LengthLabel, MissingTextLayerEndsQuietlyWithTheTextOnTheCurrentLayer) {
    AddLine(0, 0, 5000, 0);
    Answer(Answer::MakePick(2500, 0));
    Press("長さ記入");
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->layer, "0");
    EXPECT_EQ(doc().FindLayer("H_TEXT"), nullptr);
    EXPECT_NE(controller->LastQuietEnd(), "");
}

class TextRotation : public MinicadFixture {};

TEST_F(TextRotation, TwiceByTheDefaultAngleIsBackWhereItWas) {
    AddText("12.35", 1000, 2000, TextAlignment::BottomCenter, 3000, 2000);
    const minicad::TextData before = TextOf(Texts()[0]);
    for (int i = 0; i < 2; ++i) {
        Answer(Answer::MakePick(3000, 2000));
        Press("文字回転");
        ASSERT_EQ(controller->LastQuietEnd(), "");
    }
    const minicad::TextData after = TextOf(Texts()[0]);
    EXPECT_NEAR(std::remainder(after.rotation - before.rotation, 2 * kPi), 0, 1e-9);
    EXPECT_NEAR(after.alignmentPoint.x, before.alignmentPoint.x, 1e-9);
    EXPECT_NEAR(after.alignmentPoint.y, before.alignmentPoint.y, 1e-9);
}

TEST_F(TextRotation, TurnsAboutTheAlignmentPointOrForLeftTextsTheInsertionPoint) {
    AddText("centred", 1000, 2000, TextAlignment::Middle, 3000, 2000);
    options().Kakudo = "90";
    Answer(Answer::MakePick(3000, 2000));
    Press("Button2");
    EXPECT_NEAR(TextOf(Texts()[0]).alignmentPoint.x, 3000, 1e-9);
    EXPECT_NEAR(TextOf(Texts()[0]).alignmentPoint.y, 2000, 1e-9);
    EXPECT_NEAR(TextOf(Texts()[0]).rotation, kPi / 2, 1e-12);

    doc().EraseEntity(Texts()[0]->id);
    AddText("left", 1000, 2000);
    Answer(Answer::MakePick(1100, 2100));
    Press("Button2");
    EXPECT_NEAR(TextOf(Texts()[0]).insertion.x, 1000, 1e-9);
    EXPECT_NEAR(TextOf(Texts()[0]).insertion.y, 2000, 1e-9);
    EXPECT_NEAR(TextOf(Texts()[0]).rotation, kPi / 2, 1e-12);
}

TEST_F(TextRotation, AnythingElseGetsTheMessageAndIsLeftAlone) {
    AddCircle(0, 0, 500);
    Answer(Answer::MakePick(500, 0));
    Press("文字回転");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0],
              (platform::RecordingDesktop::Message{"TEXTではありません．", "Tarsel"}));
    EXPECT_EQ(desktop.log.back(), "SetForegroundWindow " + std::to_string(cad->Hwnd()));
    EXPECT_DOUBLE_EQ(minicad::DataOf<minicad::CircleData>(doc().Entities()[0].data).center.x, 0);
}

TEST_F(TextRotation, AnAngleThatDoesNotConvertTurnsByNothing) {
    AddText("x", 1000, 2000);
    options().Kakudo = "180,0";
    ASSERT_EQ(doc().SetVariable("SNAPMODE", cadlink::Variant(std::int32_t{1})),
              minicad::VariableError::None);
    Answer(Answer::MakePick(1100, 2100));
    Press("文字回転");
    EXPECT_EQ(TextOf(Texts()[0]).rotation, 0);
    EXPECT_EQ(controller->LastQuietEnd(), "");
    EXPECT_EQ(cad->CallCount("Rotate"), 1);
    EXPECT_EQ(Sysvar(doc(), "SNAPMODE"), 1);
}

}  // namespace
}  // namespace tarsel::testing
