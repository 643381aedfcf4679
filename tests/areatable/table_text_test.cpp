#include "areatable/table_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tarsel::areatable {
namespace {

AreaTable Example(AreaMethod method, const TriangleDataList& records) {
    TableSettings settings;
    settings.method = method;
    if (method == AreaMethod::BaseHeight) settings.widths = "1500,3000,3000,4500";
    auto result = LayoutAreaTable(settings, records);
    EXPECT_TRUE(result.table) << result.error;
    return result.table ? *result.table : AreaTable{};
}

TEST(AreaTableText, AlignsColumnsByDisplayWidth) {
    const AreaTable heron = Example(
        AreaMethod::Heron,
        {MakeTriangleData("1", 3000, 4000, 5000), MakeTriangleData("12", 30000, 40000, 50000)});
    const std::string rule(34, '-');
    EXPECT_EQ(FormatAreaTableText(heron), "No.    a      b      c      面積  \n" + rule + "\n" +
                                              "  1   3.00   4.00   5.00    6.0000\n"
                                              " 12  30.00  40.00  50.00  600.0000\n" +
                                              rule + "\n" +
                                              "                    合計  606.0000\n"
                                              "                    面積  606.00  \n");

    const AreaTable baseHeight =
        Example(AreaMethod::BaseHeight, {MakeTriangleData("1", 3000, 4000, 5000)});
    EXPECT_EQ(FormatAreaTableText(baseHeight),
              "No.  底辺  高さ   面積  \n"
              "------------------------\n"
              "  1  5.00  2.40  12.0000\n"
              "------------------------\n"
              "           合計  12.0000\n"
              "            1/2   6.0000\n"
              "           面積   6.00  \n");
}

TEST(AreaTableText, ControlCharactersCannotReachTheTerminal) {
    const AreaTable table =
        Example(AreaMethod::Heron, {MakeTriangleData("\x1b[2J", 3000, 4000, 5000)});
    const std::string text = FormatAreaTableText(table);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_NE(text.find("?[2J"), std::string::npos);
}

TEST(AreaTableCsv, OneHeaderLineThenRowsThenSummary) {
    const AreaTable heron = Example(AreaMethod::Heron, {MakeTriangleData("1", 3000, 4000, 5000)});
    EXPECT_EQ(FormatAreaTableCsv(heron),
              "No.,a,b,c,面積\n"
              "1,3.00,4.00,5.00,6.0000\n"
              ",,,合計,6.0000\n"
              ",,,面積,6.00  \n");
    const AreaTable baseHeight =
        Example(AreaMethod::BaseHeight, {MakeTriangleData("1", 3000, 4000, 5000)});
    EXPECT_EQ(FormatAreaTableCsv(baseHeight),
              "No.,底辺,高さ,面積\n"
              "1,5.00,2.40,12.0000\n"
              ",,合計,12.0000\n"
              ",,1/2,6.0000\n"
              ",,面積,6.00  \n");
}

TEST(AreaTableCsv, HostileNumberTextsStayOneHarmlessField) {
    const AreaTable table = Example(
        AreaMethod::BaseHeight,
        {MakeTriangleData("a,b", 3000, 4000, 5000), MakeTriangleData("say \"7\"", 3000, 4000, 5000),
         MakeTriangleData("=HYPERLINK(\"x\")", 3000, 4000, 5000),
         MakeTriangleData("@SUM(A1)", 3000, 4000, 5000), MakeTriangleData("-3", 3000, 4000, 5000),
         MakeTriangleData("line\nbreak", 3000, 4000, 5000)});
    const std::string csv = FormatAreaTableCsv(table);
    const std::string rows = csv.substr(csv.find('\n') + 1);
    EXPECT_EQ(rows.substr(0, rows.find(",,合計")),
              "\"a,b\",5.00,2.40,12.0000\n"
              "\"say \"\"7\"\"\",5.00,2.40,12.0000\n"
              "\"'=HYPERLINK(\"\"x\"\")\",5.00,2.40,12.0000\n"
              "'@SUM(A1),5.00,2.40,12.0000\n"
              "-3,5.00,2.40,12.0000\n"
              "\"line\nbreak\",5.00,2.40,12.0000\n");
}

TEST(DisplayWidth, WideCharactersCountTwo) {
    EXPECT_EQ(DisplayWidth("No."), 3u);
    EXPECT_EQ(DisplayWidth("面積"), 4u);
    EXPECT_EQ(DisplayWidth("ｱｲ"), 2u);  // half-width katakana
    EXPECT_EQ(DisplayWidth("６"), 2u);
    EXPECT_EQ(DisplayWidth("\xff"), 1u);
}

}  // namespace
}  // namespace tarsel::areatable
