#include "areatable/table_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarsel::areatable {
namespace {

TableSettings HeronSettings() {
    return TableSettings{};
}

TableSettings BaseHeightSettings() {
    TableSettings s;
    s.method = AreaMethod::BaseHeight;
    s.widths = "1500,3000,3000,4500";
    return s;
}

AreaTable Layout(const TableSettings& settings, const TriangleDataList& records) {
    auto result = LayoutAreaTable(settings, records);
    EXPECT_TRUE(result.table) << result.error;
    return result.table ? *result.table : AreaTable{};
}

TableItem L(double x1, double y1, double x2, double y2) {
    return TableLine{{x1, y1, 0}, {x2, y2, 0}};
}
TableItem C(std::string text, double x, double y) {
    return TableText{std::move(text), {x, y, 0}, kAlignMiddleCenter};
}
TableItem R(std::string text, double x, double y) {
    return TableText{std::move(text), {x, y, 0}, kAlignMiddleRight};
}

std::string Show(const TableItem& item) {
    if (const auto* line = std::get_if<TableLine>(&item)) {
        return "line (" + std::to_string(line->start.x) + ", " + std::to_string(line->start.y) +
               ") - (" + std::to_string(line->end.x) + ", " + std::to_string(line->end.y) + ")";
    }
    const auto& text = std::get<TableText>(item);
    return "text \"" + text.text + "\" at (" + std::to_string(text.point.x) + ", " +
           std::to_string(text.point.y) + ") align " + std::to_string(text.alignment);
}

// The one-triangle tables of both methods, item by item in drawing order.
TEST(AreaTableLayout, EveryItemInDrawingOrder) {
    const TriangleDataList records = {MakeTriangleData("1", 3000, 4000, 5000)};
    const struct {
        const char* name;
        TableSettings settings;
        std::vector<TableItem> items;
    } cases[] = {
        {"ヘロン",
         HeronSettings(),
         {
             L(0, 0, 15000, 0),         L(0, -800, 15000, -800),   L(0, -1600, 15000, -1600),
             L(0, -2400, 15000, -2400), L(0, -3200, 15000, -3200), L(0, 0, 0, -3200),
             L(1500, 0, 1500, -1600),   L(4500, 0, 4500, -1600),   L(7500, 0, 7500, -1600),
             L(10500, 0, 10500, -3200), L(15000, 0, 15000, -3200), C("No.", 750, -400),
             C("a", 3000, -400),        C("b", 6000, -400),        C("c", 9000, -400),
             C("面積", 12750, -400),    R("1", 1100, -1200),       R("3.00", 4100, -1200),
             R("4.00", 7100, -1200),    R("5.00", 10100, -1200),   R("6.0000", 14600, -1200),
             R("合計", 10100, -2000),   R("6.0000", 14600, -2000), R("面積", 10100, -2800),
             R("6.00  ", 14600, -2800),
         }},
        {"三斜",
         BaseHeightSettings(),
         {
             L(0, 0, 12000, 0),          L(0, -800, 12000, -800),   L(0, -1600, 12000, -1600),
             L(0, -2400, 12000, -2400),  L(0, -3200, 12000, -3200), L(0, -4000, 12000, -4000),
             L(0, 0, 0, -4000),          L(1500, 0, 1500, -1600),   L(4500, 0, 4500, -1600),
             L(7500, 0, 7500, -4000),    L(12000, 0, 12000, -4000), C("No.", 750, -400),
             C("底辺", 3000, -400),      C("高さ", 6000, -400),     C("面積", 9750, -400),
             R("1", 1100, -1200),        R("5.00", 4100, -1200),    R("2.40", 7100, -1200),
             R("12.0000", 11600, -1200), R("合計", 7100, -2000),    R("12.0000", 11600, -2000),
             R("1/2", 7100, -2800),      R("6.0000", 11600, -2800), R("面積", 7100, -3600),
             R("6.00  ", 11600, -3600),
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AreaTable table = Layout(c.settings, records);
        ASSERT_EQ(table.items.size(), c.items.size());
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(table.items[i], c.items[i]) << "item " << i << ": " << Show(table.items[i])
                                                  << ", expected " << Show(c.items[i]);
        }
        EXPECT_EQ(table.textHeight, 400);
    }
}

TEST(AreaTableLayout, FiveRecordsRulesWithDefaultWidths) {
    TriangleDataList records;
    for (int i = 1; i <= 5; ++i)
        records.push_back(MakeTriangleData(std::to_string(i), 3000, 4000, 5000));
    const AreaTable table = Layout(HeronSettings(), records);

    std::vector<TableLine> horizontal, vertical;
    for (const auto& item : table.items) {
        if (const auto* line = std::get_if<TableLine>(&item)) {
            (line->start.y == line->end.y ? horizontal : vertical).push_back(*line);
        }
    }
    ASSERT_EQ(horizontal.size(), 9u);  // 8 rows
    for (std::size_t r = 0; r < horizontal.size(); ++r) {
        EXPECT_EQ(horizontal[r], (TableLine{{0, -800.0 * r, 0}, {15000, -800.0 * r, 0}}));
    }
    const struct {
        double x;
        double length;
    } verticals[] = {{0, 6400},    {1500, 4800},  {4500, 4800},
                     {7500, 4800}, {10500, 6400}, {15000, 6400}};
    ASSERT_EQ(vertical.size(), std::size(verticals));
    for (std::size_t i = 0; i < vertical.size(); ++i) {
        EXPECT_EQ(vertical[i],
                  (TableLine{{verticals[i].x, 0, 0}, {verticals[i].x, -verticals[i].length, 0}}));
    }
    ASSERT_EQ(table.rows.size(), 5u);
    EXPECT_EQ(table.summary[0].value, "30.0000");
    EXPECT_EQ(table.summary[1].value, "30.00  ");
}

// Two triangles whose figures differ under each mode; expected texts worked by hand from the
// rounding rule. Rows are rounded from the sides, areas from the printed sides, totals from
// the printed areas.
TEST(AreaTableLayout, RowsAndTotalsFollowTheirOwnRounding) {
    const TriangleDataList records = {MakeTriangleData("1", 3004.5, 4004.5, 5004.5),
                                      MakeTriangleData("2", 1234.56, 2345.67, 3003.33)};
    struct Case {
        const char* name;
        AreaMethod method;
        text::FigureRounding rounding;
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> summary;
    };
    const auto modes = [](int length, int area, int final) {
        text::FigureRounding r;
        r.lengthMode = length;
        r.areaMode = area;
        r.totalMode = final;
        return r;
    };
    const Case cases[] = {
        {"ヘロン 切捨",
         AreaMethod::Heron,
         modes(0, 0, 0),
         {{"1", "3.00", "4.00", "5.00", "6.0000"}, {"2", "1.23", "2.34", "3.00", "1.3483"}},
         {"7.3483", "7.34  "}},
        {"ヘロン 四捨",
         AreaMethod::Heron,
         modes(1, 1, 1),
         {{"1", "3.00", "4.00", "5.00", "6.0000"}, {"2", "1.23", "2.35", "3.00", "1.3592"}},
         {"7.3592", "7.36  "}},
        {"ヘロン 切上",
         AreaMethod::Heron,
         modes(2, 2, 2),
         {{"1", "3.01", "4.01", "5.01", "6.0351"}, {"2", "1.24", "2.35", "3.01", "1.3686"}},
         {"7.4037", "7.41  "}},
        {"ヘロン 切捨/切上/四捨",
         AreaMethod::Heron,
         modes(0, 2, 1),
         {{"1", "3.00", "4.00", "5.00", "6.0000"}, {"2", "1.23", "2.34", "3.00", "1.3484"}},
         {"7.3484", "7.35  "}},
        {"三斜 切捨",
         AreaMethod::BaseHeight,
         modes(0, 0, 0),
         {{"1", "5.00", "2.40", "12.0000"}, {"2", "3.00", "0.90", "2.7000"}},
         {"14.7000", "7.3500", "7.35  "}},
        {"三斜 四捨",
         AreaMethod::BaseHeight,
         modes(1, 1, 1),
         {{"1", "5.00", "2.40", "12.0000"}, {"2", "3.00", "0.91", "2.7300"}},
         {"14.7300", "7.3650", "7.37  "}},
        {"三斜 切上",
         AreaMethod::BaseHeight,
         modes(2, 2, 2),
         {{"1", "5.01", "2.41", "12.0741"}, {"2", "3.01", "0.91", "2.7391"}},
         {"14.8132", "7.4066", "7.41  "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TableSettings settings =
            c.method == AreaMethod::Heron ? HeronSettings() : BaseHeightSettings();
        settings.rounding = c.rounding;
        const AreaTable table = Layout(settings, records);
        EXPECT_EQ(table.rows, c.rows);
        std::vector<std::string> summary;
        for (const auto& s : table.summary) summary.push_back(s.value);
        EXPECT_EQ(summary, c.summary);
    }
}

TEST(AreaTableLayout, FinalFigureHalvesTheUnroundedSum) {
    // Base 1990, height 1010: the doubled area prints 2.0099, so half is 1.00495. The printed
    // "1/2" rounds up to 1.0050, but the final figure comes from 1.00495 itself.
    const TriangleDataList records = {MakeTriangleData("1", 1990, 1417.78877129, 1417.78877129)};
    const AreaTable table = Layout(BaseHeightSettings(), records);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0], (std::vector<std::string>{"1", "1.99", "1.01", "2.0099"}));
    ASSERT_EQ(table.summary.size(), 3u);
    EXPECT_EQ(table.summary[1].value, "1.0050");
    EXPECT_EQ(table.summary[2].value, "1.00  ");
}

TEST(AreaTableLayout, DegenerateTriangleHasZeroAreaAndHeight) {
    const TriangleDataList records = {MakeTriangleData("1", 1000, 2000, 3000)};
    EXPECT_EQ(Layout(HeronSettings(), records).rows[0],
              (std::vector<std::string>{"1", "1.00", "2.00", "3.00", "0.0000"}));
    EXPECT_EQ(Layout(BaseHeightSettings(), records).rows[0],
              (std::vector<std::string>{"1", "3.00", "0.00", "0.0000"}));
}

TEST(AreaTableLayout, FinalFigureIsPaddedToTheAreaDigits) {
    const TriangleDataList records = {MakeTriangleData("1", 3000, 4000, 5000)};
    const struct {
        int areaDigits;
        int finalDigits;
        std::string total;
        std::string final;
    } cases[] = {
        {4, 4, "6.0000", "6.0000"},
        {4, 5, "6.0000", "6.00000"},
        {4, 0, "6.0000", "6    "},
        {0, 2, "6", "6.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.areaDigits) + "/" + std::to_string(c.finalDigits));
        TableSettings settings = HeronSettings();
        settings.rounding.areaDigits = c.areaDigits;
        settings.rounding.totalDigits = c.finalDigits;
        const AreaTable table = Layout(settings, records);
        EXPECT_EQ(table.summary[0].value, c.total);
        EXPECT_EQ(table.summary[1].value, c.final);
    }
}

TEST(AreaTableLayout, NumbersAreShownAsCollected) {
    const TriangleDataList records = {"A,3000,4000,5000", " 2 ,3000,4000,5000",
                                      "1,5,3000.00000000,4000.00000000,5000.00000000"};
    const AreaTable table = Layout(HeronSettings(), records);
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(table.rows[0][0], "A");
    EXPECT_EQ(table.rows[1][0], " 2 ");
    EXPECT_EQ(table.rows[2], (std::vector<std::string>{"1,5", "3.00", "4.00", "5.00", "6.0000"}));
    EXPECT_EQ(table.summary[0].value, "18.0000");
}

TEST(AreaTableLayout, NoRecordsGiveHeaderAndZeroTotals) {
    const AreaTable table = Layout(HeronSettings(), {});
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(table.summary[0].value, "0.0000");
    EXPECT_EQ(table.summary[1].value, "0.00  ");
}

TEST(AreaTableLayout, SettingsAreReadLocaleFree) {
    TableSettings settings = HeronSettings();
    settings.widths = " 1500.5 ,3000,3e3,3000,4500";
    settings.rowHeight = " 8e2 ";
    settings.scale = "1000.0";
    const AreaTable table = Layout(settings, {MakeTriangleData("1", 3000, 4000, 5000)});
    EXPECT_EQ(std::get<TableLine>(table.items[0]), (TableLine{{0, 0, 0}, {15000.5, 0, 0}}));
    EXPECT_EQ(table.rows[0][4], "6.0000");
}

TEST(AreaTableLayout, BadSettingsOrRecordsGiveNoTable) {
    const TriangleDataList good = {MakeTriangleData("1", 3000, 4000, 5000)};
    const auto with = [](TableSettings s, auto change) {
        change(s);
        return s;
    };
    const TableSettings heron = HeronSettings();
    const TableSettings baseHeight = BaseHeightSettings();
    // The field names the option to blame; empty when a record is at fault.
    const struct {
        const char* name;
        TableSettings settings;
        TriangleDataList records;
        const char* field;
    } cases[] = {
        {"four widths for ヘロン", with(heron, [](auto& s) { s.widths = "1500,3000,3000,4500"; }),
         good, "Haba1"},
        {"five widths for 三斜",
         with(baseHeight, [](auto& s) { s.widths = "1500,3000,3000,3000,4500"; }), good, "Haba2"},
        {"trailing comma", with(heron, [](auto& s) { s.widths += ","; }), good, "Haba1"},
        {"empty width", with(heron, [](auto& s) { s.widths = "1500,,3000,3000,4500"; }), good,
         "Haba1"},
        {"non-numeric width", with(heron, [](auto& s) { s.widths = "1500,3000,3000,3000,abc"; }),
         good, "Haba1"},
        {"negative width", with(heron, [](auto& s) { s.widths = "1500,-3000,3000,3000,4500"; }),
         good, "Haba1"},
        {"empty text height", with(heron, [](auto& s) { s.textHeight = ""; }), good, "M_Taka2"},
        {"non-numeric row height", with(heron, [](auto& s) { s.rowHeight = "８００"; }), good,
         "G_Taka"},
        {"zero row height", with(heron, [](auto& s) { s.rowHeight = "0"; }), good, "G_Taka"},
        {"empty scale", with(heron, [](auto& s) { s.scale = ""; }), good, "Syakudo"},
        {"infinite scale", with(heron, [](auto& s) { s.scale = "inf"; }), good, "Syakudo"},
        {"zero scale", with(heron, [](auto& s) { s.scale = "0"; }), good, "Syakudo"},
        {"seven decimals", with(heron, [](auto& s) { s.rounding.lengthDigits = 7; }), good, "Keta"},
        {"line too short", heron, {"1,3000,4000"}, ""},
        {"side not a number", heron, {"1,nan,4000.00000000,5000.00000000"}, ""},
        {"empty side", heron, {"1,,4000.00000000,5000.00000000"}, ""},
        {"negative side", heron, {MakeTriangleData("1", -3000, 4000, 5000)}, ""},
        {"side too large to print", heron, {MakeTriangleData("1", 1e300, 1e300, 1e300)}, ""},
        {"三斜 side not a number", baseHeight, {"1,x,4000.00000000,5000.00000000"}, ""},
        {"三斜 side too large", baseHeight, {MakeTriangleData("1", 1e300, 1, 1)}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = LayoutAreaTable(c.settings, c.records);
        EXPECT_FALSE(result.table);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.field, c.field);
    }
}

TEST(BaseAndHeightTexts, TrimsAndCountsEmptyAsZero) {
    const auto normal = BaseAndHeightTexts(" 3000 ", "5000", "4000\t", 1000, 2, 1);
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->base, "5.00");
    EXPECT_EQ(normal->height, "2.40");

    const auto empty = BaseAndHeightTexts("3000", "", "4000", 1000, 2, 1);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->base, "4.00");
    EXPECT_EQ(empty->height, "0.00");

    EXPECT_FALSE(BaseAndHeightTexts("3000", "4000", "5000x", 1000, 2, 1));
}

}  // namespace
}  // namespace tarsel::areatable
