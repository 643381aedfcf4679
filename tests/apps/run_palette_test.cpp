// The palette's commands as a user meets them: a drawing on disk, a job of button presses and
// answers through `tarsel run`, and the saved drawing read back with minicad's DXF reader.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "subcommands.h"

namespace tarsel::app {
namespace {

using minicad::Entity;
using minicad::Point3;

constexpr double kPi = 3.141592653589793;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
    minicad::Drawing drawing;  // the saved drawing

    std::vector<const minicad::TextData*> Texts(bool tagged) const {
        std::vector<const minicad::TextData*> found;
        for (const Entity& e : drawing.entities) {
            if (const auto* t = minicad::DataIf<minicad::TextData>(e.data)) {
                if (e.xdata.empty() != tagged) found.push_back(t);
            }
        }
        return found;
    }
    std::vector<std::string> Strings(bool tagged) const {
        std::vector<std::string> s;
        for (const auto* t : Texts(tagged)) s.push_back(t->text);
        return s;
    }
    template <typename T>
    std::vector<const Entity*> All() const {
        std::vector<const Entity*> found;
        for (const Entity& e : drawing.entities) {
            if (minicad::HoldsData<T>(e.data)) found.push_back(&e);
        }
        return found;
    }
    const Entity* TaggedText(const std::string& number) const {
        for (const Entity& e : drawing.entities) {
            const auto* t = minicad::DataIf<minicad::TextData>(e.data);
            if (t && t->text == number && !e.xdata.empty()) return &e;
        }
        return nullptr;
    }
};

class RunPalette : public ::testing::Test {
protected:
    RunPalette() {
        dir_ = std::filesystem::temp_directory_path() /
               ("tarsel-run-palette-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~RunPalette() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    void Line(Point3 a, Point3 b, std::string layer = "0") {
        Entity e;
        e.id = drawing_.nextId++;
        e.layer = std::move(layer);
        e.data = minicad::LineData{a, b};
        drawing_.entities.push_back(e);
    }
    void Outline(const std::vector<Point3>& corners) {
        for (std::size_t i = 0; i < corners.size(); ++i)
            Line(corners[i], corners[(i + 1) % corners.size()]);
    }
    void Add(minicad::EntityData data) {
        Entity e;
        e.id = drawing_.nextId++;
        e.data = std::move(data);
        drawing_.entities.push_back(e);
    }

    std::string PathText(const std::filesystem::path& p) const {
        const std::u8string t = p.u8string();
        return std::string(t.begin(), t.end());
    }

    Result Run(const std::string& job, std::vector<std::string> extra = {}) {
        minicad::WriteDxfFile(dir_ / "in.dxf", drawing_);
        std::ofstream(dir_ / "job.txt", std::ios::binary) << job;
        std::vector<std::string> args = {PathText(dir_ / "in.dxf"), PathText(dir_ / "job.txt"),
                                         "-o", PathText(dir_ / "out.dxf")};
        args.insert(args.end(), extra.begin(), extra.end());
        std::ostringstream out, err;
        Result r;
        r.exitCode = RunRun(args, out, err);
        r.out = out.str();
        r.err = err.str();
        if (r.exitCode == 0) r.drawing = minicad::ReadDxfFile(dir_ / "out.dxf");
        return r;
    }

    std::filesystem::path dir_;
    minicad::Drawing drawing_;
};

// --- 長さ記入 -------------------------------------------------------------------------------

TEST_F(RunPalette, LengthLabelOnALineAndNotTwice) {
    drawing_.layers.push_back({"H_TEXT"});
    Line({20000, 5000, 0}, {7655, 5000, 0});  // 12345 long, right to left
    const Result r =
        Run("set Syakudo 3\nset Keta1 2\nset Nagasa 1\n"
            "press 長さ記入\npick 15000,5000\npress Button11\npick 15000,5000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.Texts(false).size(), 1u);
    const minicad::TextData& t = *r.Texts(false)[0];
    EXPECT_EQ(t.text, "12.35");
    EXPECT_EQ(t.alignment, minicad::TextAlignment::BottomCenter);
    EXPECT_NEAR(t.alignmentPoint.x, 13827.5, 1e-9);
    EXPECT_NEAR(t.alignmentPoint.y, 5000, 1e-9);
    EXPECT_NEAR(t.rotation, 0, 1e-9);
    EXPECT_EQ(r.drawing.entities.back().layer, "H_TEXT");
    EXPECT_EQ(r.err, "");
}

TEST_F(RunPalette, LengthLabelWritesNothingForOtherEntitiesAndRestoresSettings) {
    drawing_.layers.push_back({"H_TEXT"});
    drawing_.variables.snapmode = 1;
    Add(minicad::CircleData{{50000, 50000, 0}, 1000});
    Add(minicad::PolylineData{{{0, 0, 0}, {8000, 0, 0}}, false, 0});
    Line({0, 20000, 0}, {6000, 20000, 0});
    for (int aunits : {2, 3}) {
        SCOPED_TRACE(aunits);
        drawing_.variables.aunits = aunits;
        const Result r =
            Run("press 長さ記入\npick 51000,50000\n"
                "press 長さ記入\npick 4000,0\n"
                "press 長さ記入\ncancel\n"
                "press 長さ記入\npick 3000,20000\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.Strings(false), (std::vector<std::string>{"6.00"}));
        EXPECT_EQ(r.drawing.variables.snapmode, 1);
        EXPECT_EQ(r.drawing.variables.aunits, aunits);
        EXPECT_EQ(r.out.find("message"), std::string::npos);
    }
}

TEST_F(RunPalette, LengthLabelWithoutItsLayerEndsQuietlyOnTheCurrentLayer) {
    Line({0, 0, 0}, {5000, 0, 0});
    const Result r = Run("press 長さ記入\npick 2500,0\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.Texts(false).size(), 1u);
    EXPECT_EQ(r.drawing.entities.back().layer, "0");
    EXPECT_EQ(r.out, "next-number 1\n");
}

// --- 文字回転 -------------------------------------------------------------------------------

TEST_F(RunPalette, TextRotationTwiceIsBackAndOtherEntitiesGetTheMessage) {
    minicad::TextData centred;
    centred.text = "12.35";
    centred.height = 300;
    centred.alignment = minicad::TextAlignment::BottomCenter;
    centred.insertion = {2600, 2000, 0};
    centred.alignmentPoint = {3000, 2000, 0};
    Add(centred);
    Add(minicad::CircleData{{0, 10000, 0}, 500});

    Result r = Run("press 文字回転\npick 3000,2000\npress 文字回転\npick 3000,2000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const minicad::TextData& back = *r.Texts(false)[0];
    EXPECT_NEAR(std::remainder(back.rotation, 2 * kPi), 0, 1e-9);
    EXPECT_NEAR(back.alignmentPoint.x, 3000, 1e-9);

    r = Run("set Kakudo 90\npress 文字回転\npick 3000,2000\npress 文字回転\npick 500,10000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const minicad::TextData& turned = *r.Texts(false)[0];
    EXPECT_NEAR(turned.rotation, kPi / 2, 1e-9);
    EXPECT_NEAR(turned.alignmentPoint.x, 3000, 1e-9);  // about its alignment point
    EXPECT_NEAR(turned.alignmentPoint.y, 2000, 1e-9);
    EXPECT_EQ(r.out, "message Tarsel: TEXTではありません．\nnext-number 1\n");
}

// --- 自動, 分割, １点指示 -------------------------------------------------------------------

const std::vector<Point3> kSquare = {{0, 0, 0}, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0}};
const std::vector<Point3> kTriangle = {{0, 0, 0}, {4000, 0, 0}, {0, 3000, 0}};

TEST_F(RunPalette, SplitOnlyDrawsOneDiagonalOnTheSidesLayer) {
    Outline(kSquare);
    const Result r = Run("set NextNumber 4\npress 分割\npoint 5000,5000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<const Entity*> onSides;
    for (const Entity* e : r.All<minicad::LineData>()) {
        if (e->layer == "H_HEN") onSides.push_back(e);
    }
    ASSERT_EQ(onSides.size(), 1u);
    const auto& l = minicad::DataOf<minicad::LineData>(onSides[0]->data);
    // The boundary runs counter-clockwise from its lowest vertex, so the square is split as
    // in the worked example: the corner at (0,0) is cut off first.
    EXPECT_EQ(l.start, (Point3{0, 10000, 0}));
    EXPECT_EQ(l.end, (Point3{10000, 0, 0}));
    EXPECT_TRUE(r.Texts(false).empty() && r.Texts(true).empty());
    EXPECT_TRUE(r.All<minicad::PolylineData>().empty());
    EXPECT_EQ(r.out, "area 100.0000 100.0000\nnext-number 4\n");
}

TEST_F(RunPalette, AutomaticOnATriangleUnderEitherMethod) {
    Outline(kTriangle);
    Result r = Run("press 自動\npoint 1000,1000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto lengths = r.Strings(false);
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(lengths, (std::vector<std::string>{"3.00", "4.00", "5.00"}));
    EXPECT_EQ(r.Strings(true), (std::vector<std::string>{"1"}));
    EXPECT_EQ(r.All<minicad::CircleData>().size(), 1u);
    EXPECT_EQ(r.All<minicad::LineData>().size(), 3u);  // no diagonal
    EXPECT_TRUE(r.All<minicad::PolylineData>().empty());
    EXPECT_EQ(r.out, "area 6.0000 6.0000\nnext-number 2\n");

    r = Run("set Kyuuseki 1\npress 自動\npoint 1000,1000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    lengths = r.Strings(false);
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(lengths, (std::vector<std::string>{"2.40", "5.00"}));
    std::size_t heightLines = 0;
    for (const Entity* e : r.All<minicad::LineData>()) heightLines += e->layer == "H_TAKASA";
    EXPECT_EQ(heightLines, 1u);
    EXPECT_EQ(r.Strings(true), (std::vector<std::string>{"1"}));
}

TEST_F(RunPalette, TagsHoldRawSidesInPointOrderOnBothRoads) {
    Outline(kSquare);
    for (const char* target : {"BricscadApp.AcadApplication", "PCAD.Application"}) {
        SCOPED_TRACE(target);
        const Result r =
            Run("set NextNumber 7\npress 自動\npoint 5000,5000\n", {"--target", target});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.Strings(true), (std::vector<std::string>{"7", "8"}));
        EXPECT_EQ(r.out, "area 100.0000 100.0000\nnext-number 9\n");
        EXPECT_TRUE(r.All<minicad::PolylineData>().empty());
        for (const char* number : {"7", "8"}) {
            const Entity* e = r.TaggedText(number);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->layer, "H_TEXT");
            ASSERT_EQ(e->xdata.size(), 1u);
            EXPECT_EQ(e->xdata[0].application, "LT_TARSEL");
            ASSERT_EQ(e->xdata[0].items.size(), 1u);
            EXPECT_EQ(e->xdata[0].items[0].code, 1010);
            const auto& sides = e->xdata[0].items[0].value.AsArray().items;
            std::vector<double> d;
            for (const auto& v : sides) d.push_back(v.AsDouble());
            std::sort(d.begin(), d.end());
            EXPECT_NEAR(d[0], 10000, 1e-9);
            EXPECT_NEAR(d[1], 10000, 1e-9);
            EXPECT_NEAR(d[2], 10000 * std::sqrt(2.0), 1e-9);
            const auto& t = minicad::DataOf<minicad::TextData>(e->data);
            EXPECT_EQ(t.alignment, minicad::TextAlignment::MiddleCenter);
            EXPECT_NEAR(t.rotation, 0, 1e-12);
        }
        // No fragment block is left behind.
        for (const auto& b : r.drawing.blocks) EXPECT_NE(b.name.rfind("TARSEL_", 0), 0u) << b.name;
    }
}

TEST_F(RunPalette, FragmentRoadGivesTheSameDrawingAsTheDirectRoad) {
    Outline({{0, 0, 0}, {12000, 0, 0}, {15000, 7000, 0}, {6000, 11000, 0}, {-2000, 6000, 0}});
    drawing_.variables.angbase = 90;  // the number texts turn: both roads must agree
    const Result direct = Run("press 自動\npoint 5000,5000\n");
    const Result fragment = Run("press 自動\npoint 5000,5000\n", {"--target", "XPCADApp.1"});
    ASSERT_EQ(direct.exitCode, 0) << direct.err;
    ASSERT_EQ(fragment.exitCode, 0) << fragment.err;
    EXPECT_EQ(direct.Strings(false), fragment.Strings(false));
    ASSERT_EQ(direct.Strings(true), fragment.Strings(true));
    for (const std::string& number : direct.Strings(true)) {
        const Entity* a = direct.TaggedText(number);
        const Entity* b = fragment.TaggedText(number);
        const auto& ta = minicad::DataOf<minicad::TextData>(a->data);
        const auto& tb = minicad::DataOf<minicad::TextData>(b->data);
        EXPECT_NEAR(ta.alignmentPoint.x, tb.alignmentPoint.x, 1e-6);
        EXPECT_NEAR(ta.alignmentPoint.y, tb.alignmentPoint.y, 1e-6);
        EXPECT_NEAR(std::remainder(ta.rotation - tb.rotation, 2 * kPi), 0, 1e-9);
        EXPECT_NEAR(ta.rotation, -kPi / 2, 1e-9);
        EXPECT_EQ(ta.height, tb.height);
        EXPECT_EQ(a->layer, b->layer);
        const auto& da = a->xdata[0].items[0].value.AsArray().items;
        const auto& db = b->xdata[0].items[0].value.AsArray().items;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(da[i].AsDouble(), db[i].AsDouble(), 1e-9 * da[i].AsDouble());
        }
    }
}

TEST_F(RunPalette, PointOutsideEveryRegionGivesTheMessageAndNothingElse) {
    Outline(kSquare);
    const Result r = Run("press 自動\npoint 50000,50000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "message Tarsel: 境界を作成できません．\nnext-number 1\n");
    EXPECT_EQ(r.drawing.entities.size(), 4u);
}

TEST_F(RunPalette, AunitsIsBackBeforeTheBoundaryAndAfterTheCommand) {
    Outline(kTriangle);
    drawing_.variables.aunits = 3;
    const Result r = Run("press 自動\npoint 1000,1000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.drawing.variables.aunits, 3);
    EXPECT_EQ(r.Strings(true), (std::vector<std::string>{"1"}));
}

TEST_F(RunPalette, LotWithANeighbourAndAnArcSide) {
    // An L-shaped lot sharing its east edge with a neighbour; its north-west corner rounded
    // by an arc, whose chord the split uses.
    Line({0, 0, 0}, {20000, 0, 0});
    Line({20000, 0, 0}, {20000, 10000, 0});
    Line({20000, 10000, 0}, {10000, 10000, 0});
    Line({10000, 10000, 0}, {10000, 20000, 0});
    Line({10000, 20000, 0}, {4000, 20000, 0});
    Add(minicad::ArcData{{4000, 16000, 0}, 4000, kPi / 2, kPi});
    Line({0, 16000, 0}, {0, 0, 0});
    Outline({{20000, 0, 0}, {30000, 0, 0}, {30000, 10000, 0}, {20000, 10000, 0}});
    const Result r = Run("press 自動\npoint 5000,5000\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("message"), std::string::npos) << r.out;
    // Seven boundary vertices (the arc's two ends included) give five triangles.
    EXPECT_EQ(r.Strings(true), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    double area = 0;
    for (const std::string& n : r.Strings(true)) {
        const auto& items = r.TaggedText(n)->xdata[0].items[0].value.AsArray().items;
        const double a = items[0].AsDouble(), b = items[1].AsDouble(), c = items[2].AsDouble();
        const double s = (a + b + c) / 2;
        area += std::sqrt(s * (s - a) * (s - b) * (s - c));
    }
    // The L without the arc's bulge: 20000 x 10000 + 10000 x 10000 - the corner cut by the chord.
    EXPECT_NEAR(area, 200e6 + 100e6 - 4000.0 * 4000 / 2, 1);
}

}  // namespace
}  // namespace tarsel::app
