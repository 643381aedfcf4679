// "作成" and "最大" through tarsel run: jobs on drawings on disk, the resulting tables read back
// from the saved DXF and compared with what tarsel table prints for the same drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "subcommand_harness.h"
#include "subcommands.h"

namespace tarsel::app {
namespace {

// The table lies left of x = -1000; the drawings' own entities lie right of it.
constexpr double kTableLeft = -30000;
constexpr double kTableTop = 20000;

class TableJob : public ScratchDirTest {
protected:
    void Add(minicad::EntityData data) {
        minicad::Entity e;
        e.id = drawing_.nextId++;
        e.data = std::move(data);
        drawing_.entities.push_back(std::move(e));
    }
    void AddTagged(std::string number, double a, double b, double c) {
        minicad::TextData t;
        t.text = std::move(number);
        minicad::Entity e;
        e.id = drawing_.nextId++;
        e.data = t;
        e.xdata.push_back({"LT_TARSEL", {{1010, cadlink::Variant::DoubleArray({a, b, c})}}});
        drawing_.entities.push_back(std::move(e));
        if (std::find(drawing_.appIds.begin(), drawing_.appIds.end(), "LT_TARSEL") ==
            drawing_.appIds.end()) {
            drawing_.appIds.push_back("LT_TARSEL");
        }
    }

    // Runs the job on the drawing built so far; returns the saved drawing's path.
    std::string RunJob(const std::string& job, Outcome* outcome = nullptr) {
        minicad::WriteDxfFile(dir_ / "in.dxf", drawing_);
        std::ofstream(dir_ / "job.txt", std::ios::binary) << job;
        const Outcome run =
            Invoke<RunRun>({Path("in.dxf"), Path("job.txt"), "-o", Path("out.dxf")});
        EXPECT_EQ(run.exitCode, kExitOk) << run.err;
        if (outcome) *outcome = run;
        return Path("out.dxf");
    }

    static std::string PlaceTable() {
        return "press 作成\npoint " + std::to_string(static_cast<int>(kTableLeft)) + "," +
               std::to_string(static_cast<int>(kTableTop)) + "\n";
    }

    // The drawn table's texts, in drawing order, from the saved file.
    static std::vector<std::string> TableTexts(const minicad::Drawing& saved) {
        std::vector<std::string> texts;
        for (const auto& e : saved.entities) {
            const auto* t = minicad::DataIf<minicad::TextData>(e.data);
            if (t && t->alignmentPoint.x < -1000) {
                EXPECT_EQ(e.layer, "H_TEXT");
                texts.push_back(t->text);
            }
        }
        return texts;
    }

    // What tarsel table prints as CSV, cell by cell, without the empty summary cells.
    std::vector<std::string> PrintedCells(const std::string& file,
                                          const std::vector<std::string>& options = {}) {
        std::vector<std::string> args = {file, "--csv"};
        for (const auto& o : options) {
            args.push_back("--set");
            args.push_back(o);
        }
        const Outcome printed = Invoke<RunTable>(args);
        EXPECT_EQ(printed.exitCode, kExitOk) << printed.err;
        std::vector<std::string> cells;
        std::istringstream lines(printed.out);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, ',');) {
                if (!field.empty()) cells.push_back(field);
            }
        }
        return cells;
    }

    minicad::Drawing drawing_;
};

// The 3-4-5 triangle at scale 1000: the figures of both methods, drawn and printed alike.
TEST_F(TableJob, RightTriangleUnderBothMethods) {
    Add(minicad::LineData{{0, 0, 0}, {4000, 0, 0}});
    Add(minicad::LineData{{4000, 0, 0}, {4000, 3000, 0}});
    Add(minicad::LineData{{4000, 3000, 0}, {0, 0, 0}});
    const struct {
        const char* method;
        std::vector<std::string> lengths;  // in any order: the split decides which side is a
        std::vector<std::string> rest;
    } cases[] = {
        {"0", {"3.00", "4.00", "5.00"}, {"6.0000", "合計", "6.0000", "面積", "6.00  "}},
        {"1", {"5.00", "2.40"}, {"12.0000", "合計", "12.0000", "1/2", "6.0000", "面積", "6.00  "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        const std::string out = RunJob(std::string("set Kyuuseki ") + c.method +
                                       "\npress 自動\npoint 3000,1000\n" + PlaceTable());
        const minicad::Drawing saved =
            minicad::ReadDxfFile(std::filesystem::path(dir_ / "out.dxf"));
        EXPECT_TRUE(saved.blocks.empty());
        for (const auto& e : saved.entities) {
            EXPECT_FALSE(minicad::HoldsData<minicad::InsertData>(e.data));
        }

        const std::vector<std::string> drawn = TableTexts(saved);
        const std::size_t headers = c.method == std::string("0") ? 5 : 4;
        ASSERT_EQ(drawn.size(), headers + 1 + c.lengths.size() + c.rest.size());
        EXPECT_EQ(drawn[headers], "1");
        std::vector<std::string> lengths(drawn.begin() + headers + 1,
                                         drawn.begin() + headers + 1 + c.lengths.size());
        if (c.method == std::string("0")) std::sort(lengths.begin(), lengths.end());
        EXPECT_EQ(lengths, c.lengths);
        EXPECT_EQ(std::vector<std::string>(drawn.end() - c.rest.size(), drawn.end()), c.rest);

        // tarsel table prints the very same texts from the same drawing.
        std::vector<std::string> printed = PrintedCells(out, {std::string("Kyuuseki=") + c.method});
        EXPECT_EQ(printed, drawn);
    }
}

// "自動" in a flag lot far from the origin, which the 60-degree cuts alone give up on: every
// triangle gets the next number, the area check is printed, and the table built from the
// numbers totals the lot's coordinate area to the table's rounding (with sides printed to the
// centimetre, as by default, the table's own Heron areas differ by some hundredths of a m²).
TEST_F(TableJob, FlagLotIsNumberedThroughAndTotalsItsCoordinateArea) {
    const std::vector<std::pair<double, double>> lot = {
        {36939.844, 40000},     {39055.714, 40000}, {39055.714, 59958.541}, {49313.435, 59958.541},
        {49313.435, 71261.177}, {30000, 71261.177}, {30000, 59958.541},     {36939.844, 59958.541}};
    double twice = 0;
    for (std::size_t k = 0; k < lot.size(); ++k) {
        const auto& [x1, y1] = lot[k];
        const auto& [x2, y2] = lot[(k + 1) % lot.size()];
        Add(minicad::LineData{{x1, y1, 0}, {x2, y2, 0}});
        twice +=
            (x1 - lot[0].first) * (y2 - lot[0].second) - (x2 - lot[0].first) * (y1 - lot[0].second);
    }
    const double area = std::abs(twice) / 2 / 1e6;  // square metres at the default scale

    Outcome run;
    const std::string out =
        RunJob("set Kyuuseki 0\nset Keta1 6\npress 自動\npoint 38000,50000\n" + PlaceTable(), &run);
    EXPECT_EQ(run.out, "area 260.5224 260.5224\nnext-number 7\n");
    const minicad::Drawing saved = minicad::ReadDxfFile(std::filesystem::path(dir_ / "out.dxf"));
    std::vector<int> numbers;
    for (const auto& e : saved.entities) {
        if (!e.xdata.empty())
            numbers.push_back(std::stoi(minicad::DataOf<minicad::TextData>(e.data).text));
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // The table computes each area from the printed sides (here to the micrometre) and rounds
    // it to four decimals before the total: six roundings of a ten-thousandth at most.
    const std::vector<std::string> drawn = TableTexts(saved);
    const auto total = std::find(drawn.begin(), drawn.end(), "合計");
    ASSERT_NE(total, drawn.end());
    ASSERT_NE(total + 1, drawn.end());
    EXPECT_NEAR(std::stod(*(total + 1)), area, 6 * 0.0001);
}

TEST_F(TableJob, CancelledInsertLeavesNothing) {
    AddTagged("1", 3000, 4000, 5000);
    RunJob("press 作成\ncancel\n");
    const minicad::Drawing saved = minicad::ReadDxfFile(std::filesystem::path(dir_ / "out.dxf"));
    EXPECT_TRUE(saved.blocks.empty());
    EXPECT_EQ(saved.entities.size(), 1u);
}

TEST_F(TableJob, NumbersSortAndMaximumFollows) {
    for (const char* number : {"10", "9", "A", "3", "3"}) AddTagged(number, 3000, 4000, 5000);
    Outcome run;
    const std::string out = RunJob("press 最大\n" + PlaceTable(), &run);
    EXPECT_NE(run.out.find("next-number 11"), std::string::npos) << run.out;

    const minicad::Drawing saved = minicad::ReadDxfFile(std::filesystem::path(dir_ / "out.dxf"));
    const std::vector<std::string> drawn = TableTexts(saved);
    std::vector<std::string> numbers;
    for (std::size_t row = 0; row < 5; ++row) numbers.push_back(drawn.at(5 + row * 5));
    EXPECT_EQ(numbers, (std::vector<std::string>{"A", "3", "3", "9", "10"}));
    EXPECT_EQ(PrintedCells(out), drawn);

    // Five rows with the default widths: 8 rows of 800, the inner rules stop above the totals.
    std::vector<double> horizontal, vertical;
    for (const auto& e : saved.entities) {
        const auto* line = minicad::DataIf<minicad::LineData>(e.data);
        if (!line || line->start.x >= -1000) continue;
        EXPECT_EQ(e.layer, "H_TEXT");
        if (line->start.y == line->end.y) {
            horizontal.push_back(std::abs(line->end.x - line->start.x));
        } else {
            vertical.push_back(std::abs(line->end.y - line->start.y));
        }
    }
    EXPECT_EQ(horizontal, std::vector<double>(9, 15000));
    EXPECT_EQ(vertical, (std::vector<double>{6400, 4800, 4800, 4800, 6400, 6400}));
}

TEST_F(TableJob, MaximumOnADrawingWithoutNumbersIsOne) {
    minicad::TextData untagged;
    untagged.text = "12";
    Add(untagged);
    Outcome run;
    RunJob("set NextNumber 40\npress 最大\n", &run);
    EXPECT_NE(run.out.find("next-number 1\n"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tarsel::app
