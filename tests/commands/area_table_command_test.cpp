// "作成" and "最大" end to end against minicad: what the drawing holds afterwards.
#include "commands/area_table_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cadlink/automation.h"
#include "commands/maximum_number_command.h"
#include "commands/triangle_collection.h"
#include "support/minicad_fixture.h"

namespace tarsel::commands {
namespace {

using areatable::TriangleDataList;
using minicad::Answer;
using minicad::TextAlignment;

class AreaTableCommand : public testing::MinicadFixture {
protected:
    AreaTableCommand() {
        // Until minicad has its own insert command, one that answers the prompts the AutoLISP
        // call leaves open: block name, scale, rotation, then the user's insertion point.
        if (cad->commandLine().Find("-INSERT") == nullptr) {
            cad->commandLine().Register("-INSERT", [](minicad::CommandContext& c) {
                const std::string block = c.GetText("Enter block name: ");
                static constexpr std::string_view kOptions[] = {"Scale", "Rotate"};
                for (;;) {
                    const auto answer = c.GetPointOrKeyword("Specify insertion point: ", kOptions);
                    if (answer.point) {
                        minicad::Entity e;
                        e.data = minicad::InsertData{block, *answer.point};
                        c.document().AddEntity(std::move(e));
                        return;
                    }
                    if (!answer.keyword.empty()) (void)c.GetNumber("Value: ");
                }
            });
        }
    }

    // A triangle number as the labelling commands write it: a text tagged with three sides.
    std::int64_t AddTagged(std::string number, double a, double b, double c, double x = 0,
                           double y = 0) {
        minicad::TextData t;
        t.text = std::move(number);
        t.insertion = {x, y, 0};
        t.height = 400;
        minicad::Entity e;
        e.layer = "0";
        e.data = t;
        e.xdata.push_back({"LT_TARSEL", {{1010, cadlink::Variant::DoubleArray({a, b, c})}}});
        return doc().AddEntity(std::move(e));
    }

    // The texts the table added (model space, on the text layer), in drawing order.
    std::vector<const minicad::TextData*> TableTexts() {
        std::vector<const minicad::TextData*> out;
        for (const auto& e : doc().Entities()) {
            if (e.layer == "H_TEXT" && minicad::HoldsData<minicad::TextData>(e.data)) {
                out.push_back(&minicad::DataOf<minicad::TextData>(e.data));
            }
        }
        return out;
    }
    std::vector<std::string> TableTextStrings() {
        std::vector<std::string> out;
        for (const auto* t : TableTexts()) out.push_back(t->text);
        return out;
    }
    std::size_t TableLineCount() {
        return static_cast<std::size_t>(std::count_if(
            doc().Entities().begin(), doc().Entities().end(), [](const minicad::Entity& e) {
                return e.layer == "H_TEXT" && minicad::HoldsData<minicad::LineData>(e.data);
            }));
    }
    std::vector<std::string> BlockNames() {
        std::vector<std::string> names;
        for (const auto& b : doc().drawing().blocks) names.push_back(b.name);
        return names;
    }
    void ExpectNothingLeftBehind() {
        EXPECT_TRUE(BlockNames().empty());
        EXPECT_TRUE(doc().SelectionSets().empty() ||
                    std::all_of(doc().SelectionSets().begin(), doc().SelectionSets().end(),
                                [](const auto& s) { return s->deleted; }));
        EXPECT_EQ(std::count_if(doc().Entities().begin(), doc().Entities().end(),
                                [](const minicad::Entity& e) {
                                    return minicad::HoldsData<minicad::InsertData>(e.data);
                                }),
                  0);
    }
};

TEST_F(AreaTableCommand, CollectsTaggedTextsOnly) {
    AddTagged("7", 12.3456789012, 4000, 5000);
    AddText("untagged", 0, 0);
    AddLine(0, 0, 10, 10);
    AddTagged("A", 3000, 4000, 5000);
    const CollectedTriangles collected = CollectTriangleData(docObject(), true);
    EXPECT_EQ(collected.selected, 3);  // the line does not pass the TEXT filter
    EXPECT_EQ(collected.lines, (TriangleDataList{"7,12.34567890,4000.00000000,5000.00000000",
                                                 "A,3000.00000000,4000.00000000,5000.00000000"}));
    ExpectNothingLeftBehind();
}

TEST_F(AreaTableCommand, HeronTablePlacedAtThePickedPointAsPlainEntities) {
    AddTagged("10", 3000, 4000, 5000);
    AddTagged("9", 3000, 4000, 5000);
    AddTagged("3", 3000, 4000, 5000);
    AddTagged("A", 3000, 4000, 5000);
    AddTagged("3", 6000, 8000, 10000);
    Answer(Answer::MakePoint(100000, 50000));
    Press("作成");

    ExpectNothingLeftBehind();
    EXPECT_EQ(TableLineCount(), 9u + 6u);  // 5 rows + header + 2 summary rows; 6 column rules
    const std::vector<std::string> expected = {
        "No.",    "a",       "b",      "c",    "面積",    "A",      "3.00",   "4.00", "5.00",
        "6.0000", "3",       "3.00",   "4.00", "5.00",    "6.0000", "3",      "6.00", "8.00",
        "10.00",  "24.0000", "9",      "3.00", "4.00",    "5.00",   "6.0000", "10",   "3.00",
        "4.00",   "5.00",    "6.0000", "合計", "48.0000", "面積",   "48.00  "};
    EXPECT_EQ(TableTextStrings(), expected);

    // The block's origin (the table's upper-left corner) lands on the picked point.
    const auto texts = TableTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0]->alignment, TextAlignment::MiddleCenter);
    EXPECT_EQ(texts[0]->alignmentPoint, (minicad::Point3{100750, 49600, 0}));
    EXPECT_EQ(texts[0]->height, 400);
    EXPECT_EQ(texts.back()->alignment, TextAlignment::MiddleRight);
    EXPECT_EQ(texts.back()->alignmentPoint, (minicad::Point3{114600, 44000, 0}));
}

TEST_F(AreaTableCommand, BaseHeightTableFromTheSameTriangle) {
    options().SetKyuuseki(1);
    AddTagged("1", 3000, 4000, 5000);
    Answer(Answer::MakePoint(0, 0));
    Press("Button3");
    EXPECT_EQ(TableTextStrings(), (std::vector<std::string>{
                                      "No.", "底辺", "高さ", "面積", "1", "5.00", "2.40", "12.0000",
                                      "合計", "12.0000", "1/2", "6.0000", "面積", "6.00  "}));
    EXPECT_EQ(TableLineCount(), 6u + 5u);
    ExpectNothingLeftBehind();
}

TEST_F(AreaTableCommand, CancelledInsertLeavesNothing) {
    AddTagged("1", 3000, 4000, 5000);
    const std::size_t before = doc().Entities().size();
    Press("作成");  // nobody answers the insertion point
    EXPECT_EQ(doc().Entities().size(), before);
    ExpectNothingLeftBehind();
}

TEST_F(AreaTableCommand, BusyCadIsWaitedFor) {
    AddTagged("1", 3000, 4000, 5000);
    cad->SetBusyPolls(3);
    Answer(Answer::MakePoint(0, 0));
    Press("作成");
    EXPECT_EQ(cad->QuiescentPolls(), 4);
    EXPECT_EQ(TableTextStrings().size(), 5u + 5u + 4u);
    ExpectNothingLeftBehind();
}

TEST_F(AreaTableCommand, BadSettingsEndBeforeTheDrawingIsTouched) {
    AddTagged("1", 3000, 4000, 5000);
    const struct {
        const char* name;
        int method;
        const char* key;
        const char* value;
    } cases[] = {
        {"four widths for ヘロン", 0, "Haba1", "1500,3000,3000,4500"},
        {"five widths for 三斜", 1, "Haba2", "1500,3000,3000,3000,4500"},
        {"empty width", 0, "Haba1", "1500,,3000,3000,4500"},
        {"text height", 0, "M_Taka2", "abc"},
        {"row height", 0, "G_Taka", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        options::PaletteOptions fresh;
        options() = fresh;
        options().SetKyuuseki(c.method);
        ASSERT_FALSE(options().SetOption(c.key, c.value));
        const std::size_t entities = doc().Entities().size();
        Answer(Answer::MakePoint(0, 0));
        Press("作成");
        EXPECT_EQ(doc().Entities().size(), entities);
        EXPECT_TRUE(BlockNames().empty());
        EXPECT_EQ(cad->CallCount("SendCommand"), 0);
        input->Clear();
    }
}

TEST_F(AreaTableCommand, FailingCadCallRemovesTheUnfinishedBlock) {
    AddTagged("1", 3000, 4000, 5000);
    cad->FailCall("AddText", 3, cadlink::hresult::kFail, "out of memory");
    Answer(Answer::MakePoint(0, 0));
    Press("作成");
    EXPECT_TRUE(TableTextStrings().empty());
    EXPECT_EQ(cad->CallCount("SendCommand"), 0);
    ExpectNothingLeftBehind();
}

TEST_F(AreaTableCommand, BlockNumberFollowsTheLargestInAnyLetterCase) {
    doc().AddBlock("TARSEL_3", {});
    AddTagged("1", 3000, 4000, 5000);
    Answer(Answer::MakePoint(0, 0));
    Press("作成");
    bool sawInsert = false;
    for (const auto& entry : doc().CommandLog()) {
        if (entry.find(AreaTableInsertCommand("Tarsel_4").substr(0, 40)) != std::string::npos) {
            sawInsert = true;
        }
    }
    EXPECT_TRUE(sawInsert);
    EXPECT_EQ(BlockNames(), (std::vector<std::string>{"TARSEL_3"}));
    EXPECT_FALSE(TableTextStrings().empty());
}

TEST_F(AreaTableCommand, OnScreenSelection) {
    options().AllData = false;
    AddTagged("1", 3000, 4000, 5000, 100, 100);
    AddText("untagged", 1000, 1000);
    AddLine(2000, 2000, 2100, 2100);
    AddCircle(2050, 2050, 10);

    struct Case {
        const char* name;
        minicad::Answer selection;
        bool message;
        bool table;
    };
    const Case cases[] = {
        {"lines, circles and untagged texts", Answer::MakeWindow(900, 900, 2200, 2200), true,
         false},
        {"lines and circles only", Answer::MakeWindow(1900, 1900, 2200, 2200), false, false},
        {"nothing", Answer::MakeWindow(5000, 5000, 6000, 6000), false, false},
        {"the tagged number", Answer::MakeWindow(0, 0, 200, 200), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.messages.clear();
        Answer(c.selection);
        Answer(Answer::MakePoint(50000, 0));
        Press("作成");
        if (c.message) {
            ASSERT_EQ(desktop.messages.size(), 1u);
            EXPECT_EQ(desktop.messages[0].text, "求積データが見つかりません．");
            EXPECT_EQ(desktop.messages[0].caption, "Acad_Tarsel");
            EXPECT_EQ(desktop.foreground, cad->Hwnd());
        } else {
            EXPECT_TRUE(desktop.messages.empty());
        }
        EXPECT_EQ(!TableTextStrings().empty(), c.table);
        input->Clear();
    }
}

TEST(AreaTableInsertCommand, IsTheAutoLispInsertForm) {
    EXPECT_EQ(AreaTableInsertCommand("Tarsel_1"),
              "(command \"_-INSERT\" \"Tarsel_1\" \"S\" 1 \"R\" 0)(princ)\r");
}

TEST_F(AreaTableCommand, MaximumNumber) {
    const struct {
        const char* name;
        std::vector<std::string> numbers;
        int expected;
    } cases[] = {
        {"none", {}, 1},         {"1, 2, 10", {"1", "10", "2"}, 11},
        {"3, 3", {"3", "3"}, 4}, {"A", {"A"}, 1},
        {"999", {"999"}, 1000},  {"1000", {"1000"}, 1000},
        {"-5", {"-5"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doc().Reset(minicad::Drawing{});
        for (const auto& n : c.numbers) AddTagged(n, 3000, 4000, 5000);
        AddText("99", 0, 0);  // untagged: not a triangle number
        options().SetNextNumber(50);
        Press("最大");
        EXPECT_EQ(options().NextNumber(), c.expected);
        ExpectNothingLeftBehind();
    }
}

TEST_F(AreaTableCommand, MaximumNumberKeepsTheBaseLineRecord) {
    AddTagged("4", 3000, 4000, 5000);
    session().Button9Enabled = true;
    session().CreatedIds = {1, 2};
    Press("Button4");
    EXPECT_EQ(options().NextNumber(), 5);
    EXPECT_TRUE(session().Button9Enabled);
    EXPECT_EQ(session().CreatedIds.size(), 2u);
}

TEST_F(AreaTableCommand, MaximumNumberWithoutCadOnlyResetsTheField) {
    registry.Unregister(session().TargetProgID);
    AddTagged("4", 3000, 4000, 5000);
    options().SetNextNumber(50);
    Press("最大");
    EXPECT_EQ(options().NextNumber(), 1);
    EXPECT_TRUE(desktop.log.empty());
}

TEST_F(AreaTableCommand, MaximumNumberAfterAFailingCallKeepsOne) {
    AddTagged("4", 3000, 4000, 5000);
    options().SetNextNumber(50);
    cad->FailCall("GetXdata", 1, cadlink::hresult::kFail, "lost");
    Press("最大");
    EXPECT_EQ(options().NextNumber(), 1);
    ExpectNothingLeftBehind();
}

}  // namespace
}  // namespace tarsel::commands
