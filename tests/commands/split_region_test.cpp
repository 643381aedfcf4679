// "自動", "分割" and "１点指示" on minicad. The CAD's boundary command is played here by a
// stand-in that adds the outline a test chooses, so the command's own steps (what it sends,
// reads, erases, draws, labels and says) are tested apart from boundary tracing.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "annotation/triangle_tag.h"
#include "commands/area_check.h"
#include "commands/split_region_command.h"
#include "minicad/dxf.h"
#include "support/minicad_fixture.h"

namespace tarsel::testing {
namespace {

using minicad::Answer;

class SplitRegion : public MinicadFixture {
protected:
    SplitRegion() {
        // The inside test casts a ray ten view heights long: the view must show the lot.
        doc().SetViewSize(20000);
        cad->commandLine().Register("-BOUNDARY", [this](minicad::CommandContext& c) {
            std::vector<std::string> options;
            for (int i = 0; i < 4; ++i) options.push_back(c.NextQueuedToken()->text);
            boundaryOptions = options;
            boundaryPoint = c.GetPoint("Pick internal point: ");
            (void)c.NextQueuedToken();  // the Enter that ends the command
            aunitsAtBoundary = doc().GetVariable("AUNITS")->AsInt();
            if (boundaryEntity) doc().AddEntity(*boundaryEntity);
        });
    }
    void Outline(const std::vector<std::pair<double, double>>& vertices) {
        minicad::PolylineData p;
        for (const auto& [x, y] : vertices) p.vertices.push_back({x, y, 0});
        p.closed = true;
        minicad::Entity e;
        e.data = p;
        boundaryEntity = e;
    }
    std::vector<const minicad::Entity*> Lines() { return All<minicad::LineData>(); }
    std::vector<std::string> NumberTexts() {
        std::vector<std::string> out;
        for (const auto* e : Texts()) {
            if (!e->xdata.empty()) out.push_back(TextOf(e).text);
        }
        return out;
    }

    std::optional<minicad::Entity> boundaryEntity;
    std::vector<std::string> boundaryOptions;
    std::optional<minicad::Point3> boundaryPoint;
    int aunitsAtBoundary = -1;
};

const std::vector<std::pair<double, double>> kSquare = {
    {0, 0}, {10000, 0}, {10000, 10000}, {0, 10000}};
const std::vector<std::pair<double, double>> kTriangle = {{0, 0}, {4000, 0}, {0, 3000}};

TEST(BoundaryCommandText, FourDecimalsLocaleFree) {
    EXPECT_EQ(commands::BoundaryCommandText({5000, 2500.12345, 0}),
              "_-BOUNDARY A O P \r5000.0000,2500.1235\r\r");
    EXPECT_EQ(commands::BoundaryCommandText({-0.5, 1e6, 0}),
              "_-BOUNDARY A O P \r-0.5000,1000000.0000\r\r");
}

TEST_F(SplitRegion, SplitOnlyDrawsTheDiagonalAndLeavesTheCounter) {
    Outline(kSquare);
    options().SetNextNumber(5);
    Answer(Answer::MakePoint(5000, 5000));
    Press("分割");

    EXPECT_EQ(boundaryOptions, (std::vector<std::string>{"A", "O", "P", ""}));
    ASSERT_TRUE(boundaryPoint.has_value());
    EXPECT_EQ(boundaryPoint->x, 5000);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0]->layer, "H_HEN");
    const auto& l = minicad::DataOf<minicad::LineData>(Lines()[0]->data);
    EXPECT_EQ(l.start, (minicad::Point3{0, 10000, 0}));
    EXPECT_EQ(l.end, (minicad::Point3{10000, 0, 0}));
    EXPECT_TRUE(Texts().empty());
    EXPECT_TRUE(All<minicad::PolylineData>().empty());  // the boundary is erased
    EXPECT_EQ(options().NextNumber(), 5);
    for (const char* layer : {"H_TEXT", "H_HEN", "H_TAKASA"})
        EXPECT_NE(doc().FindLayer(layer), nullptr);
    EXPECT_EQ(doc().GetVariable("CLAYER")->AsText(), "0");
    EXPECT_EQ(input->Prompts().front(), commands::kRegionPointPrompt);
    EXPECT_EQ(cad->CallCount("Regen"), 1);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SplitRegion, AutomaticLabelsATriangularRegionWithEitherMethod) {
    for (int method : {0, 1}) {
        SCOPED_TRACE(method);
        for (const auto& e : std::vector<minicad::Entity>(doc().Entities()))
            doc().EraseEntity(e.id);
        options().SetKyuuseki(method);
        options().SetNextNumber(1);
        Outline(kTriangle);
        Answer(Answer::MakePoint(1000, 1000));
        Press("自動");
        EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"1"}));
        EXPECT_EQ(options().NextNumber(), 2);
        if (method == 0) {
            EXPECT_EQ(TextStrings(), (std::vector<std::string>{"4.00", "5.00", "3.00", "1"}));
            EXPECT_TRUE(Lines().empty());
        } else {
            EXPECT_EQ(TextStrings(), (std::vector<std::string>{"5.00", "2.40", "1"}));
            ASSERT_EQ(Lines().size(), 1u);
            EXPECT_EQ(Lines()[0]->layer, "H_TAKASA");
        }
        EXPECT_EQ(All<minicad::CircleData>().size(), 1u);
    }
}

TEST_F(SplitRegion, OnePointBehavesLikeAutomatic) {
    Outline(kSquare);
    options().SetNextNumber(7);
    Answer(Answer::MakePoint(5000, 5000));
    Press("１点指示");
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"7", "8"}));
    EXPECT_EQ(Texts().size(), 5u + 2u);  // four sides and the diagonal once
    EXPECT_EQ(options().NextNumber(), 9);
}

TEST_F(SplitRegion, NoBoundaryGivesTheMessageAndNothingElse) {
    AddLine(0, 0, 1000, 0);
    const std::size_t before = doc().Entities().size();
    Answer(Answer::MakePoint(5000, 5000));
    Press("自動");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "境界を作成できません．");
    EXPECT_EQ(desktop.messages[0].caption, "Tarsel");
    EXPECT_EQ(doc().Entities().size(), before);
    EXPECT_EQ(cad->CallCount("Regen"), 1);
    EXPECT_EQ(options().NextNumber(), 1);
}

TEST_F(SplitRegion, SplitFailureKeepsItsLinesAndWritesNoLabels) {
    Outline({{0, 0}, {10000, 0}});  // two vertices: no cut is possible
    Answer(Answer::MakePoint(5000, 0));
    Press("自動");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "分割に失敗しました．");
    EXPECT_TRUE(Texts().empty());
    EXPECT_TRUE(All<minicad::PolylineData>().empty());
    EXPECT_EQ(options().NextNumber(), 1);
}

// Only outlines that no method can split still fail, before any line is drawn.
TEST_F(SplitRegion, OutlinesWithoutASoundSplitGiveTheFailureMessage) {
    const std::vector<std::vector<std::pair<double, double>>> outlines = {
        {{0, 0}, {10000, 10000}, {10000, 0}, {0, 10000}},      // edges that cross
        {{0, 0}, {5000, 0}, {10000, 0}, {5000, 0}},            // no area
        {{0, 0}, {10000, 0}, {0, 0}, {10000, 0}, {10000, 0}},  // two distinct vertices
    };
    for (const auto& outline : outlines) {
        SCOPED_TRACE(outline.size());
        desktop.messages.clear();
        Outline(outline);
        Answer(Answer::MakePoint(5000, 1000));
        Press("自動");
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, "分割に失敗しました．");
        EXPECT_TRUE(Lines().empty());
        EXPECT_TRUE(Texts().empty());
        EXPECT_EQ(options().NextNumber(), 1);
    }
}

TEST_F(SplitRegion, ALastEntityThatIsNoPolylineStaysAndNothingIsDrawn) {
    minicad::Entity circle;
    circle.data = minicad::CircleData{{5000, 5000, 0}, 100};
    boundaryEntity = circle;
    Answer(Answer::MakePoint(5000, 5000));
    Press("自動");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(doc().Entities().size(), 1u);
    EXPECT_TRUE(Texts().empty());
}

TEST_F(SplitRegion, CancelledPointEndsQuietlyWithoutRegen) {
    Outline(kSquare);
    Answer(Answer::MakeCancel());
    Press("自動");
    EXPECT_TRUE(doc().Entities().empty());
    EXPECT_EQ(cad->CallCount("Regen"), 0);
    EXPECT_FALSE(boundaryPoint.has_value());
    EXPECT_NE(controller->LastQuietEnd(), "");
}

TEST_F(SplitRegion, WaitsForABusyCadAndPutsAunitsBackBeforeTheBoundary) {
    Outline(kTriangle);
    cad->SetBusyPolls(3);
    ASSERT_EQ(doc().SetVariable("AUNITS", cadlink::Variant(std::int32_t{3})),
              minicad::VariableError::None);
    Answer(Answer::MakePoint(1000, 1000));
    Press("自動");
    EXPECT_EQ(aunitsAtBoundary, 3);
    EXPECT_GE(cad->QuiescentPolls(), 4);
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"1"}));
}

TEST_F(SplitRegion, FailureMidwayKeepsWhatWasWrittenAndTheCountSoFar) {
    Outline(kSquare);
    cad->FailCall("AddCircle", 2, cadlink::hresult::kFail, "disk full");
    Answer(Answer::MakePoint(5000, 5000));
    Press("自動");
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"1"}));
    EXPECT_EQ(options().NextNumber(), 2);
    EXPECT_NE(controller->LastQuietEnd().find("disk full"), std::string::npos);
}

TEST_F(SplitRegion, EverySplitWritesItsAreaCheckToTheCommandLine) {
    // A lot far from the origin that the 60-degree cuts give up on: the completed split still
    // adds up, at the scale divisor's square.
    const std::vector<std::pair<double, double>> flag = {
        {36939.844, 40000},     {39055.714, 40000}, {39055.714, 59958.541}, {49313.435, 59958.541},
        {49313.435, 71261.177}, {30000, 71261.177}, {30000, 59958.541},     {36939.844, 59958.541}};
    doc().SetViewSize(40000);
    for (const char* button : {"分割", "自動"}) {
        SCOPED_TRACE(button);
        for (const auto& e : std::vector<minicad::Entity>(doc().Entities()))
            doc().EraseEntity(e.id);
        Outline(flag);
        options().SetNextNumber(1);
        Answer(Answer::MakePoint(38000, 50000));
        Press(button);
        EXPECT_EQ(doc().CommandLog().back(), "座標面積 260.5224  三角形合計 260.5224  差 0.0000");
        EXPECT_TRUE(desktop.messages.empty());
        EXPECT_EQ(Lines().size(), 5u);
        EXPECT_EQ(options().NextNumber(), button == std::string("自動") ? 7 : 1);
    }
}

TEST(SplitAreaCheck, FiguresInTableUnitsAndAMismatchAboveOnePartInABillion) {
    using geometry::TAcadPoint;
    using geometry::TAcadTriangle;
    const std::vector<TAcadPoint> square = {
        {0, 0, 0}, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0}};
    const std::vector<TAcadTriangle> halves = {{square[3], square[0], square[1]},
                                               {square[1], square[2], square[3]}};
    commands::SplitAreaCheck check = commands::CheckSplitArea(square, halves, 1000);
    EXPECT_EQ(check.outlineArea, 100);
    EXPECT_EQ(check.trianglesArea, 100);
    EXPECT_FALSE(check.mismatch);
    EXPECT_EQ(commands::AreaCheckText(check), "座標面積 100.0000  三角形合計 100.0000  差 0.0000");

    // The split that reported success with a triangle outside: 14 against 2.
    const std::vector<TAcadPoint> four = {{2, 5, 0}, {4, 2, 0}, {2, 4, 0}, {0, 0, 0}};
    check = commands::CheckSplitArea(four,
                                     {{four[3], four[0], four[1]}, {four[1], four[2], four[3]}}, 1);
    EXPECT_TRUE(check.mismatch);
    EXPECT_EQ(commands::AreaCheckText(check), "座標面積 2.0000  三角形合計 14.0000  差 12.0000");

    // A lost triangle, and a sliver of a millionth too much on a lot far from the origin.
    EXPECT_TRUE(commands::CheckSplitArea(square, {halves[0]}, 1000).mismatch);
    const std::vector<TAcadPoint> far = {{30000, 40000, 0}, {40000, 40000, 0}, {40000, 50000, 0}};
    EXPECT_FALSE(commands::CheckSplitArea(far, {{far[0], far[1], far[2]}}, 1000).mismatch);
    EXPECT_TRUE(
        commands::CheckSplitArea(far, {{far[0], far[1], {40000, 50000.0001, 0}}}, 1000).mismatch);
    // Below the last printed digit a difference reads as none, whatever its sign.
    EXPECT_EQ(commands::AreaCheckText({1.00000001, 1.0, false}),
              "座標面積 1.0000  三角形合計 1.0000  差 0.0000");

    EXPECT_EQ(
        commands::AreaLineFromCommandLine("座標面積 277.8014  三角形合計 277.8014  差 0.0000"),
        "area 277.8014 277.8014");
    EXPECT_EQ(commands::AreaLineFromCommandLine("点が指示されました."), std::nullopt);
}

TEST_F(SplitRegion, AMismatchIsShownAsAMessage) {
    session().CadApp = cad->Object();
    const cadlink::ObjectRef document = cadlink::GetObject(cad->Object(), "ActiveDocument");
    EXPECT_TRUE(commands::ReportSplitArea(session(), document, {100, 100, false}));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(commands::ReportSplitArea(session(), document, {2, 14, true}));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, commands::kAreaMismatchMessage);
    EXPECT_EQ(desktop.messages[0].caption, "Tarsel");
    EXPECT_EQ(doc().CommandLog().back(), "座標面積 2.0000  三角形合計 14.0000  差 12.0000");
}

// The fragment road: the CAD's insert is played by a stand-in that reads the file with
// minicad's own DXF reader and adds its entities, as a CAD inserting "*file" does.
class SplitRegionFragment : public SplitRegion {
protected:
    SplitRegionFragment() {
        Target("PCAD.Application.1");
        cad->commandLine().Register("-INSERT", [this](minicad::CommandContext& c) {
            const std::string name = c.NextQueuedToken()->text;
            insertedPaths.push_back(name);
            for (int i = 0; i < 3; ++i) (void)c.NextQueuedToken();
            const std::filesystem::path path(name.substr(1));
            std::ifstream in(path, std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            fragments.push_back(bytes.str());
            const minicad::Drawing d = minicad::ReadDxfFile(path);
            doc().AddBlock(path.stem().string(), {});
            for (minicad::Entity e : d.entities) doc().AddEntity(std::move(e));
        });
    }
    std::vector<std::string> insertedPaths;
    std::vector<std::string> fragments;
};

TEST_F(SplitRegionFragment, TaggedTextsArriveFromTheFragmentFile) {
    Outline(kSquare);
    Answer(Answer::MakePoint(5000, 5000));
    Press("自動");

    ASSERT_EQ(insertedPaths.size(), 2u);
    EXPECT_EQ(insertedPaths[0], "*" + (folder / "TARSEL_1.dxf").string());
    EXPECT_EQ(insertedPaths[1], insertedPaths[0]);  // the block went, so the name comes again
    EXPECT_EQ(doc().FindBlock("TARSEL_1"), nullptr);
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(All<minicad::CircleData>().size(), 2u);
    const auto texts = Texts();
    const minicad::Entity* first = nullptr;
    for (const auto* e : texts) {
        if (TextOf(e).text == "1" && !e->xdata.empty()) first = e;
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->layer, "H_TEXT");
    EXPECT_EQ(TextOf(first).alignment, minicad::TextAlignment::MiddleCenter);
    ASSERT_EQ(first->xdata.size(), 1u);
    EXPECT_EQ(first->xdata[0].application, "LT_TARSEL");
    // Fifteen significant digits travel through the file.
    EXPECT_EQ(first->xdata[0].items[0].value,
              cadlink::Variant::DoubleArray({10000, 10000, 14142.135623731}));
    // The file beside the executable is the second triangle's.
    EXPECT_TRUE(std::filesystem::exists(folder / "TARSEL_1.dxf"));
    EXPECT_NE(fragments[1].find("  1\r\n2\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "TARSEL_1.dxf.tmp"));
}

TEST_F(SplitRegionFragment, NumbersBlocksPastExistingFragmentBlocks) {
    doc().AddBlock("TARSEL_1", {});
    doc().AddBlock("tarsel_4", {});
    Outline(kTriangle);
    Answer(Answer::MakePoint(1000, 1000));
    Press("自動");
    ASSERT_EQ(insertedPaths.size(), 1u);
    EXPECT_EQ(insertedPaths[0], "*" + (folder / "TARSEL_5.dxf").string());
}

}  // namespace
}  // namespace tarsel::testing
