#include "options/palette_options.h"

#include <gtest/gtest.h>

namespace tarsel::options {
namespace {

TEST(PaletteOptions, DefaultsAreThePalettesOwn) {
    const PaletteOptions o;
    EXPECT_EQ(o.Kyuuseki(), 0);
    EXPECT_EQ(o.TabSheet2Caption(), "ヘロン");
    EXPECT_TRUE(o.Edit11Enabled());
    EXPECT_FALSE(o.Edit20Enabled());
    EXPECT_EQ(o.Rounding(), (text::FigureRounding{2, 4, 2, 1, 1, 1}));
    EXPECT_EQ(o.Edit8Text(), "1000");
    EXPECT_EQ(o.Edit17Text(), "1000");
    EXPECT_EQ(o.NextNumber(), 1);
    EXPECT_TRUE(o.Leader());
    EXPECT_TRUE(o.Edit14Enabled());
    EXPECT_EQ(o.M_Layer, "H_TEXT");
    EXPECT_EQ(o.Haba2, "1500,3000,3000,4500");
}

TEST(PaletteOptions, HandlersKeepDependentStateInStep) {
    PaletteOptions o;
    o.SetKyuuseki(1);
    EXPECT_EQ(o.TabSheet2Caption(), "三斜");
    EXPECT_FALSE(o.Edit11Enabled());
    EXPECT_TRUE(o.Edit20Enabled());
    o.SetKyuuseki(0);
    EXPECT_EQ(o.TabSheet2Caption(), "ヘロン");
    EXPECT_TRUE(o.Edit11Enabled());

    o.SetKeta1(5);
    o.SetKeta2(0);
    o.SetKeta3(6);
    o.SetNagasa(0);
    o.SetMenseki(2);
    o.SetGoukei(7);  // not a button of the group: the first one is checked
    EXPECT_EQ(o.Rounding(), (text::FigureRounding{5, 0, 6, 0, 2, 0}));
    EXPECT_EQ(o.Goukei(), 0);

    o.SetLeader(false);
    EXPECT_FALSE(o.Edit14Enabled());
}

TEST(PaletteOptions, UpDownsClampToTheirRange) {
    struct Case {
        int position;
        int scale;
        const char* scaleText;
        int digits;
        int next;
    };
    const Case cases[] = {
        {-5, 0, "1", 0, 1},   {0, 0, "1", 0, 1},    {2, 2, "100", 2, 2},
        {3, 3, "1000", 3, 3}, {7, 3, "1000", 6, 7}, {1001, 3, "1000", 6, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        PaletteOptions o;
        o.SetSyakudo(c.position);
        o.SetJouritu(c.position);
        o.SetKeta1(c.position);
        o.SetNextNumber(c.position);
        EXPECT_EQ(o.Syakudo(), c.scale);
        EXPECT_EQ(o.Edit8Text(), c.scaleText);
        EXPECT_EQ(o.Edit17Text(), c.scaleText);
        EXPECT_EQ(o.Keta1(), c.digits);
        EXPECT_EQ(o.Rounding().lengthDigits, c.digits);
        EXPECT_EQ(o.NextNumber(), c.next);
    }
}

TEST(PaletteOptions, CounterStopsAtItsMaximum) {
    PaletteOptions o;
    o.SetNextNumber(999);
    o.AdvanceNextNumber();
    EXPECT_EQ(o.NextNumber(), 1000);
    o.AdvanceNextNumber();
    EXPECT_EQ(o.NextNumber(), 1000);
    EXPECT_EQ(o.Edit16Text(), "1000");
}

TEST(PaletteOptions, SetOptionByKeyAppliesTheControlsRules) {
    PaletteOptions o;
    EXPECT_EQ(o.SetOption("Kyuuseki", "1"), std::nullopt);
    EXPECT_EQ(o.TabSheet2Caption(), "三斜");
    EXPECT_EQ(o.SetOption("Syakudo", "2"), std::nullopt);
    EXPECT_EQ(o.Edit8Text(), "100");
    EXPECT_EQ(o.SetOption("Keta1", "9"), std::nullopt);  // an up-down clamps
    EXPECT_EQ(o.Rounding().lengthDigits, 6);
    EXPECT_EQ(o.SetOption("Nagasa", "0"), std::nullopt);
    EXPECT_EQ(o.Rounding().lengthMode, 0);
    EXPECT_EQ(o.SetOption("Leader", "0"), std::nullopt);
    EXPECT_FALSE(o.Edit14Enabled());
    EXPECT_EQ(o.SetOption("M_Layer", "文字層"), std::nullopt);
    EXPECT_EQ(o.M_Layer, "文字層");
    EXPECT_EQ(o.SetOption("NextNumber", "12"), std::nullopt);
    EXPECT_EQ(o.NextNumber(), 12);
    EXPECT_EQ(o.GetOption("NextNumber"), "12");
    EXPECT_EQ(o.GetOption("Leader"), "0");

    // Refused values leave the option as it was and say why.
    const std::pair<const char*, const char*> refused[] = {
        {"Nagasa", "3"},    {"Kyuuseki", "2"},  {"Keta1", "two"},
        {"AllData", "yes"}, {"NoSuchKey", "1"}, {"NextNumber", ""},
    };
    for (const auto& [key, value] : refused) {
        SCOPED_TRACE(key);
        const PaletteOptions before = o;
        const auto error = o.SetOption(key, value);
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find(key), std::string::npos);
        for (const std::string& k : PaletteOptions::Keys())
            EXPECT_EQ(o.GetOption(k), before.GetOption(k));
    }
}

TEST(NumberFields, ParseLocaleFreeAndRefuseWhatDoesNotConvert) {
    const std::pair<const char*, double> good[] = {
        {"300", 300}, {" 8.0 ", 8}, {"+2.5", 2.5}, {"-1.5e2", -150}, {"1000", 1000},
    };
    for (const auto& [text, value] : good) EXPECT_EQ(ParseNumberField("f", text), value) << text;
    for (const char* text : {"", "  ", "1,5", "12a", "inf", "nan", "1e999", "--1", "+-1"}) {
        EXPECT_THROW((void)ParseNumberField("Edit3", text), NumberFieldError) << text;
    }
    try {
        (void)ParseNumberField("M_Taka1", "abc");
    } catch (const NumberFieldError& e) {
        EXPECT_EQ(e.field(), "M_Taka1");
        EXPECT_EQ(e.text(), "abc");
    }
}

}  // namespace
}  // namespace tarsel::options
