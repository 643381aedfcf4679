// The value codecs under DXF reading and writing: code pages, string escapes, numbers and
// angles. Each must give back exactly what went in, whatever the locale.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>

#include "minicad/dxf_groups.h"
#include "platform/codepage.h"

namespace tarsel {
namespace {

namespace dxf = minicad::dxf;

TEST(CodePage, ShiftJisAndWesternBothWays) {
    struct Case {
        unsigned codePage;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {932, "\x8A\x4F\x8E\xFC", "外周"},
        {932, "\x8B\x81\x90\xCF\x95\x5C", "求積表"},  // 表: its second byte is a backslash
        {932, "\x87\x40\x81\x60", "①～"},             // NEC and Microsoft additions
        {932, "\xB1\xB2", "ｱｲ"},                      // half-width katakana
        {932, "H_TEXT", "H_TEXT"},
        {1252, "caf\xE9 \x80", "café €"},
        {65001, "面積", "面積"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(platform::DecodeCodePage(c.bytes, c.codePage), c.utf8);
        EXPECT_EQ(platform::EncodeCodePage(c.utf8, c.codePage), c.bytes);
    }
}

TEST(CodePage, RefusesWhatItCannotConvertExactly) {
    EXPECT_EQ(platform::DecodeCodePage("\x81", 932), std::nullopt) << "a lead byte alone";
    EXPECT_EQ(platform::DecodeCodePage("\xC3\x28", 65001), std::nullopt);
    EXPECT_EQ(platform::EncodeCodePage("é", 932), std::nullopt) << "no best-fit 'e'";
    EXPECT_EQ(platform::EncodeCodePage("面積", 1252), std::nullopt);
    EXPECT_EQ(platform::EncodeCodePage("\xFF", 932), std::nullopt) << "not UTF-8 to begin with";
    EXPECT_FALSE(platform::IsValidUtf8("\xED\xA0\x80")) << "a surrogate";
    EXPECT_FALSE(platform::IsValidUtf8("\xC0\xAF")) << "overlong";
    EXPECT_TRUE(platform::IsValidUtf8("😀"));
}

TEST(DxfText, EscapesReadBackAsWritten) {
    const std::string samples[] = {
        "",
        "plain",
        "面積 6.00  ",
        "line1\nline2\r\ttab\x01",
        "^ caret ^J literal ^",
        "\\U+0041 \\M+18140 \\P \\",
        "😀 and 𠮷",
        "\\U+6C42",
    };
    for (const std::string& s : samples) {
        SCOPED_TRACE(s);
        for (bool asciiOnly : {true, false}) {
            const std::string encoded = dxf::EncodeText(s, asciiOnly);
            EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
            EXPECT_EQ(dxf::DecodeText(encoded, true), s);
        }
    }
    EXPECT_EQ(dxf::EncodeText("面", true), "\\U+9762");
    EXPECT_EQ(dxf::EncodeText("a\nb^", true), "a^Jb^ ");
    EXPECT_EQ(dxf::EncodeText("\xFF", false), "\xEF\xBF\xBD") << "broken UTF-8 becomes U+FFFD";
}

TEST(DxfText, DecodesWhatOtherWritersSpell) {
    EXPECT_EQ(dxf::DecodeText("\\U+9762\\u+7a4d", true), "面\\u+7a4d")
        << "only the upper-case form";
    EXPECT_EQ(dxf::DecodeText("\\U+D842\\U+DFB7", true), "𠮷");
    EXPECT_EQ(dxf::DecodeText("\\U+D842x", true), "\xEF\xBF\xBDx") << "a lone surrogate";
    EXPECT_EQ(dxf::DecodeText("\\M+18A4F\\M+18EFC", true), "外周");
    EXPECT_EQ(dxf::DecodeText("\\U+12", true), "\\U+12") << "too short to be an escape";
    EXPECT_EQ(dxf::DecodeText("2^3 ^", true), "2^3 ^");
}

TEST(DxfNumbers, RealsReadBackBitForBit) {
    std::mt19937_64 random(20250101);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  300.0,
                                  0.1,
                                  1.0 / 3,
                                  123.456,
                                  1e-300,
                                  1e300,
                                  5e-324,
                                  -2.5,
                                  9.995,
                                  12000.005,
                                  4.9406564584124654e-324};
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(d)) values.push_back(d);
        values.push_back(std::uniform_real_distribution<double>(-1e7, 1e7)(random));
    }
    for (double v : values) {
        const std::string text = dxf::FormatReal(v);
        double back = 0;
        const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_TRUE(ec == std::errc() && p == text.data() + text.size()) << text;
        ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
        ASSERT_NE(text.find_first_of(".e"), std::string::npos)
            << text << " would read as an integer";
    }
    EXPECT_EQ(dxf::FormatReal(300), "300.0");
    EXPECT_EQ(dxf::FormatReal(123.456), "123.456");
}

TEST(DxfNumbers, AnglesSurviveTheTripThroughDegrees) {
    auto parse = [](const std::string& s) {
        double d = 0;
        std::from_chars(s.data(), s.data() + s.size(), d);
        return d;
    };
    // Degrees from a file come back as the same short text.
    for (int deg = -720; deg <= 720; ++deg) {
        const double rad = dxf::RadiansFromDegrees(deg);
        ASSERT_EQ(parse(dxf::DegreesText(rad)), deg) << dxf::DegreesText(rad);
    }
    EXPECT_EQ(dxf::DegreesText(dxf::RadiansFromDegrees(30)), "30.0");
    // Decimal degrees as other programs write them come back as the same text.
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double deg = std::uniform_int_distribution<int>(-3600000, 3600000)(random) / 10000.0;
        const std::string text = dxf::FormatReal(deg);
        ASSERT_EQ(dxf::DegreesText(dxf::RadiansFromDegrees(deg)), text);
    }
    // Radians computed in the program come back as the same double, or, for the few that no
    // double number of degrees reaches, as its neighbour.
    std::uniform_real_distribution<double> angle(-20, 20);
    int exact = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const double r = angle(random);
        const double back = dxf::RadiansFromDegrees(parse(dxf::DegreesText(r)));
        ASSERT_LE(std::fabs(back - r), std::nextafter(std::fabs(r), 100.0) - std::fabs(r)) << r;
        exact += back == r ? 1 : 0;
    }
    EXPECT_GT(exact, n * 9 / 10);
}

}  // namespace
}  // namespace tarsel
