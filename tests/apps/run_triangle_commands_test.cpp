// ２辺指示, 基準線 / a-b反転, 群選択 and 番号と円移動 as a user meets them: a drawing on disk, a
// job through `tarsel run`, and the saved drawing read back with minicad's DXF reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "subcommands.h"
#include "support/dxf_groups.h"
#include "support/scratch_folder.h"

namespace tarsel::app {
namespace {

using minicad::Entity;
using minicad::Point3;

struct Saved {
    int exitCode = -1;
    std::string out;
    std::string err;
    minicad::Drawing drawing;

    template <typename T>
    std::vector<const Entity*> All() const {
        std::vector<const Entity*> found;
        for (const Entity& e : drawing.entities)
            if (minicad::HoldsData<T>(e.data)) found.push_back(&e);
        return found;
    }
    std::vector<std::string> LengthTexts() const {
        std::vector<std::string> s;
        for (const Entity* e : All<minicad::TextData>())
            if (e->xdata.empty()) s.push_back(minicad::DataOf<minicad::TextData>(e->data).text);
        std::sort(s.begin(), s.end());
        return s;
    }
    std::vector<const Entity*> Numbers() const {
        std::vector<const Entity*> found;
        for (const Entity* e : All<minicad::TextData>())
            if (!e->xdata.empty()) found.push_back(e);
        return found;
    }
    std::vector<const minicad::LineData*> LinesOn(const std::string& layer) const {
        std::vector<const minicad::LineData*> found;
        for (const Entity* e : All<minicad::LineData>())
            if (e->layer == layer) found.push_back(&minicad::DataOf<minicad::LineData>(e->data));
        return found;
    }
    static std::vector<double> Tag(const Entity* number) {
        std::vector<double> d;
        for (const auto& v : number->xdata.at(0).items.at(0).value.AsArray().items)
            d.push_back(v.AsDouble());
        return d;
    }
};

void ExpectNear(const Point3& p, double x, double y, double tolerance = 1e-6) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
}
void ExpectSides(const std::vector<double>& tag, std::vector<double> expected) {
    ASSERT_EQ(tag.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(tag[i], expected[i], 1e-6) << i;
}

// The corners (groups 10 to 13) of the first SOLID in a DXF file; empty when it has none.
std::vector<Point3> SolidCorners(const std::filesystem::path& file) {
    const std::vector<testing::DxfGroup> solid =
        testing::FirstEntity(testing::ReadDxfGroups(file), "SOLID");
    if (solid.empty()) return {};
    std::vector<Point3> corners(4);
    for (const testing::DxfGroup& g : solid) {
        if (g.code >= 10 && g.code <= 13) corners[g.code - 10].x = testing::GroupNumber(g);
        if (g.code >= 20 && g.code <= 23) corners[g.code - 20].y = testing::GroupNumber(g);
    }
    return corners;
}

class RunTriangleCommands : public ::testing::Test {
protected:
    void Add(minicad::EntityData data) {
        Entity e;
        e.id = drawing_.nextId++;
        e.data = std::move(data);
        drawing_.entities.push_back(std::move(e));
    }
    void Line(double x1, double y1, double x2, double y2) {
        Add(minicad::LineData{{x1, y1, 0}, {x2, y2, 0}});
    }
    static std::string PathText(const std::filesystem::path& p) {
        const std::u8string t = p.u8string();
        return std::string(t.begin(), t.end());
    }

    Saved Run(const std::string& job, const std::vector<std::string>& extra = {}) {
        minicad::WriteDxfFile(dir_ / "in.dxf", drawing_);
        std::ofstream(dir_ / "job.txt", std::ios::binary) << job;
        std::ostringstream out, err;
        Saved s;
        std::vector<std::string> args = {PathText(dir_ / "in.dxf"), PathText(dir_ / "job.txt"),
                                         "-o", PathText(dir_ / "out.dxf")};
        args.insert(args.end(), extra.begin(), extra.end());
        s.exitCode = RunRun(args, out, err);
        s.out = out.str();
        s.err = err.str();
        if (s.exitCode == 0) s.drawing = minicad::ReadDxfFile(dir_ / "out.dxf");
        return s;
    }

    testing::ScratchFolder scratch_{"tarsel-run-triangles"};
    const std::filesystem::path& dir_ = scratch_.path();
    minicad::Drawing drawing_;
};

TEST_F(RunTriangleCommands, TwoSidesCornerUnderBothMethodsAndPickOrders) {
    Line(0, 0, 4000, 0);
    Line(0, 3000, 0, 0);
    struct Case {
        const char* job;
        std::vector<std::string> lengths;
        double numberX, numberY;
        std::vector<double> tag;
    };
    const Case cases[] = {
        {"set Kyuuseki 0\npress ２辺指示\npick 2000,0\npick 0,1500\n",
         {"3.00", "4.00", "5.00"},
         1000,
         1000,
         {4000, 5000, 3000}},
        {"set Kyuuseki 0\npress Button8\npick 0,1500\npick 2000,0\n",
         {"3.00", "4.00", "5.00"},
         1000,
         1000,
         {3000, 5000, 4000}},
        {"set Kyuuseki 1\npress ２辺指示\npick 2000,0\npick 0,1500\n",
         {"2.40", "5.00"},
         1600,
         800,
         {4000, 5000, 3000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.job);
        const Saved s = Run(c.job);
        ASSERT_EQ(s.exitCode, 0) << s.err;
        EXPECT_EQ(s.out, "next-number 2\n");
        EXPECT_EQ(s.LengthTexts(), c.lengths);
        const auto sides = s.LinesOn("H_HEN");
        ASSERT_FALSE(sides.empty());
        // The third side runs from the first picked side's far end to the second's.
        const bool bottomFirst = c.tag[0] == 4000;
        ExpectNear(sides[0]->start, bottomFirst ? 4000 : 0, bottomFirst ? 0 : 3000);
        ExpectNear(sides[0]->end, bottomFirst ? 0 : 4000, bottomFirst ? 3000 : 0);
        const auto circles = s.All<minicad::CircleData>();
        ASSERT_EQ(circles.size(), 1u);
        ExpectNear(minicad::DataOf<minicad::CircleData>(circles[0]->data).center, c.numberX,
                   c.numberY);
        ASSERT_EQ(s.Numbers().size(), 1u);
        ExpectSides(Saved::Tag(s.Numbers()[0]), c.tag);
    }
}

TEST_F(RunTriangleCommands, BaseLineFlipsAndWhatEndsTheFlip) {
    Line(0, 0, 5000, 0);
    const std::string build =
        "set A_Hen 3.0\nset B_Hen 4.0\nset Jouritu 3\npress 基準線\npick 1000,0\npoint 2500,1000\n";
    struct Case {
        std::string afterBuild;
        double apexX;
    };
    const Case cases[] = {
        {"", 1800},
        {"press a-b反転\n", 3200},
        {"press a-b反転\npress Button9\n", 1800},
        {"press 最大\npress a-b反転\n", 3200},              // a keep-form command
        {"press 文字回転\ncancel\npress a-b反転\n", 1800},  // a full-form command
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.afterBuild);
        const Saved s = Run(build + c.afterBuild);
        ASSERT_EQ(s.exitCode, 0) << s.err;
        EXPECT_EQ(s.out, "next-number 2\n");  // a flip keeps the counter
        const auto sides = s.LinesOn("H_HEN");
        ASSERT_EQ(sides.size(), 2u);
        ExpectNear(sides[0]->start, 0, 0);
        ExpectNear(sides[0]->end, c.apexX, 2400);
        ExpectNear(sides[1]->start, 5000, 0);
        ExpectNear(sides[1]->end, c.apexX, 2400);
        ASSERT_EQ(s.Numbers().size(), 1u);
        EXPECT_EQ(minicad::DataOf<minicad::TextData>(s.Numbers()[0]->data).text, "1");
        EXPECT_EQ(s.LengthTexts(), (std::vector<std::string>{"3.00", "4.00", "5.00"}));
    }
}

TEST_F(RunTriangleCommands, GroupSelectOfASquareWithOneDiagonal) {
    Line(0, 0, 4000, 0);
    Line(4000, 0, 4000, 4000);
    Line(4000, 4000, 0, 4000);
    Line(0, 4000, 0, 0);
    Line(0, 0, 4000, 4000);
    const Saved s = Run("set NextNumber 3\npress 群選択\nselect all\n");
    ASSERT_EQ(s.exitCode, 0) << s.err;
    EXPECT_EQ(s.out, "next-number 5\n");
    EXPECT_EQ(s.LengthTexts(), (std::vector<std::string>{"4.00", "4.00", "4.00", "4.00", "5.66"}));
    ASSERT_EQ(s.Numbers().size(), 2u);
    EXPECT_EQ(minicad::DataOf<minicad::TextData>(s.Numbers()[0]->data).text, "3");
    EXPECT_EQ(minicad::DataOf<minicad::TextData>(s.Numbers()[1]->data).text, "4");
}

TEST_F(RunTriangleCommands, NumberMoveWithALeaderOrAPlainLine) {
    drawing_.layers.push_back({"H_TEXT"});
    minicad::TextData number;
    number.text = "7";
    number.insertion = number.alignmentPoint = {1000, 1000, 0};
    number.alignment = minicad::TextAlignment::MiddleCenter;
    number.height = 400;
    Add(number);
    Add(minicad::CircleData{{1000, 1000, 0}, 500});
    drawing_.variables.dimasz = 2.5;
    drawing_.variables.dimscale = 2;
    const std::string move = "press 番号と円移動\nselect 400,400 1600,1600\npoint 4000,5000\n";

    // Saved in the drawing's own version (R2018), the leader stays a leader.
    const Saved native = Run("set Leader 1\nset Yajirusi 400\n" + move);
    ASSERT_EQ(native.exitCode, 0) << native.err;
    const auto leaders = native.All<minicad::LeaderData>();
    ASSERT_EQ(leaders.size(), 1u);
    const auto& drawn = minicad::DataOf<minicad::LeaderData>(leaders[0]->data);
    ASSERT_EQ(drawn.vertices.size(), 2u);
    ExpectNear(drawn.vertices[0], 1000, 1000);
    ExpectNear(drawn.vertices[1], 3700, 4600);
    EXPECT_NEAR(drawn.arrowSize, 400, 1e-9);

    const Saved leader = Run("set Leader 1\nset Yajirusi 400\n" + move, {"--dxf-version", "R12"});
    ASSERT_EQ(leader.exitCode, 0) << leader.err;
    const auto circles = leader.All<minicad::CircleData>();
    ASSERT_EQ(circles.size(), 1u);
    ExpectNear(minicad::DataOf<minicad::CircleData>(circles[0]->data).center, 4000, 5000);
    // Saved as R12, which has no leader: its path is an open polyline and its arrowhead a
    // filled triangle whose length is the arrow size.
    const auto paths = leader.All<minicad::PolylineData>();
    ASSERT_EQ(paths.size(), 1u);
    const auto& path = minicad::DataOf<minicad::PolylineData>(paths[0]->data);
    ASSERT_EQ(path.vertices.size(), 2u);
    EXPECT_FALSE(path.closed);
    EXPECT_NEAR(path.vertices[0].x, 1000, 1e-6);
    EXPECT_NEAR(path.vertices[0].y, 1000, 1e-6);
    EXPECT_NEAR(path.vertices[1].x, 3700, 1e-6);
    EXPECT_NEAR(path.vertices[1].y, 4600, 1e-6);
    const std::vector<Point3> arrow = SolidCorners(dir_ / "out.dxf");
    ASSERT_EQ(arrow.size(), 4u);
    ExpectNear(arrow[0], 1000, 1000);  // the tip at the old centre
    const Point3 back{(arrow[1].x + arrow[2].x) / 2, (arrow[1].y + arrow[2].y) / 2, 0};
    // DIMASZ 200 at DIMSCALE 2 while it was drawn: 400 drawing units.
    EXPECT_NEAR(std::hypot(back.x - 1000, back.y - 1000), 400, 1e-6);
    EXPECT_EQ(leader.drawing.variables.dimasz, 2.5);
    EXPECT_EQ(leader.drawing.variables.dimscale, 2);
    EXPECT_TRUE(leader.All<minicad::LineData>().empty());

    const Saved plain = Run("set Leader 0\n" + move);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_TRUE(plain.All<minicad::PolylineData>().empty());
    EXPECT_TRUE(SolidCorners(dir_ / "out.dxf").empty());
    const auto lines = plain.All<minicad::LineData>();
    ASSERT_EQ(lines.size(), 1u);
    const auto& line = minicad::DataOf<minicad::LineData>(lines[0]->data);
    ExpectNear(line.start, 1000, 1000);
    ExpectNear(line.end, 3700, 4600);
    EXPECT_EQ(plain.drawing.variables.dimasz, 2.5);
}

}  // namespace
}  // namespace tarsel::app
