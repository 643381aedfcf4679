#include "text/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "text/names.h"
#include "text/paths.h"

using namespace std::string_view_literals;

namespace tarsel::text {
namespace {

// Every field, file and command line reads numbers through ParseDecimal, so a text is a number
// everywhere or nowhere: the cases here are the ones on which hand-written readers disagreed.
TEST(ParseDecimal, OneSignOneNumberBlanksAroundIt) {
    struct Case {
        std::string_view text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"1", 1},        {" 1", 1},    {"1 ", 1},     {"\t1.5\r\n", 1.5}, {"+1", 1},
        {"-1", -1},      {".5", 0.5},  {"-.5", -0.5}, {"1.", 1},          {"1e3", 1000},
        {"1E-3", 0.001}, {"-0", -0.0}, {"+-1", {}},   {"--1", {}},        {"-+1", {}},
        {"++1", {}},     {"1,5", {}},  {"1 5", {}},   {"12a", {}},        {"", {}},
        {"  ", {}},      {"+", {}},    {"-", {}},     {".", {}},          {"inf", {}},
        {"-inf", {}},    {"nan", {}},  {"0x10", {}},  {"e3", {}},         {"1e", {}},
        {"1e999", {}},   {"１", {}},   {"1\0"sv, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        const std::optional<double> got = ParseDecimal(c.text);
        ASSERT_EQ(got.has_value(), c.value.has_value());
        if (got) {
            EXPECT_EQ(*got, *c.value);
            EXPECT_EQ(std::signbit(*got), std::signbit(*c.value));
        }
    }
}

// Plain decimals of up to 15 digits take a shorter road than the others; every one must give
// the double the general parser gives, sign of zero included, on either side of that limit.
TEST(ParseDecimal, EveryPlainDecimalIsTheCorrectlyRoundedDouble) {
    std::mt19937_64 random(20261211);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text = random() % 2 ? "-" : "";
        const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 2)) - 1;
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        if (point == digits) text += '.';
        double expected = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(r.ec, std::errc()) << text;
        const std::optional<double> got = ParseDecimal(text);
        ASSERT_TRUE(got.has_value()) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(expected))
            << text;
    }
    struct Case {
        const char* text;
        double value;
    };
    for (const Case& c : {Case{"0.1", 0.1},
                          {"-0.0", -0.0},
                          {"123456789012345", 123456789012345.0},
                          {"1234567890123456", 1234567890123456.0},
                          {"0.000000000000001", 1e-15},
                          {"9007199254740993", 9007199254740992.0},
                          {"-52345.678901", -52345.678901}}) {
        SCOPED_TRACE(c.text);
        const std::optional<double> got = ParseDecimal(c.text);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(c.value));
    }
}

TEST(ParseDecimal, SaysWhyATextIsNotANumber) {
    NumberError why{};
    EXPECT_FALSE(ParseDecimal("1e999", &why));
    EXPECT_EQ(why, NumberError::kOutOfRange);
    EXPECT_FALSE(ParseDecimal("-1e999", &why));
    EXPECT_EQ(why, NumberError::kOutOfRange);
    EXPECT_FALSE(ParseDecimal("+-1", &why));
    EXPECT_EQ(why, NumberError::kNotANumber);
}

TEST(ParseInteger, DecimalDigitsOnlyAndTheWholeRange) {
    EXPECT_EQ(ParseInteger(" 42 "), 42);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ParseInteger("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    NumberError why{};
    EXPECT_FALSE(ParseInteger("9223372036854775808", &why));
    EXPECT_EQ(why, NumberError::kOutOfRange);
    for (std::string_view bad : {"1.0", "1e3", ".5", "+-1", "0x1F", "", "7 7"}) {
        SCOPED_TRACE(std::string(bad));
        EXPECT_FALSE(ParseInteger(bad));
    }
}

TEST(ShortestText, ReadsBackAsTheSameDouble) {
    for (double d : {0.1, 1.0 / 3, -0.0, 1e300, 30000.814, 5e-324}) {
        EXPECT_EQ(ParseDecimal(ShortestText(d)), d);
    }
    EXPECT_EQ(ShortestText(0.1), "0.1");
}

TEST(Names, BlanksAndAsciiCaseOnly) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(UpperAscii("abc-Zé層"), "ABC-Zé層");
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Layer1", "LAYER1"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("ａ", "Ａ"));  // full-width letters are not folded
    EXPECT_FALSE(EqualsIgnoringAsciiCase("a", "ab"));
}

TEST(Paths, Utf8RoundTrip) {
    const std::string name = "求積/表 1.dxf";
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(name)), name);
}

}  // namespace
}  // namespace tarsel::text
