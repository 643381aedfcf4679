#include "text/rounding.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace tarsel::text {
namespace {

struct Case {
    double value;
    int decimals;
    int mode;
    const char* expected;
};

void CheckAll(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "value " << c.value << " decimals " << c.decimals << " mode " << c.mode);
        EXPECT_EQ(RoundedText(c.value, c.decimals, c.mode), c.expected);
    }
}

TEST(RoundedText, ZeroPrintsEveryDecimalInEveryMode) {
    CheckAll({
        {0, 2, rmTruncate, "0.00"},
        {0, 2, rmHalfUp, "0.00"},
        {0, 2, rmRoundUp, "0.00"},
        {0, 0, rmRoundUp, "0"},
        {0, 6, rmHalfUp, "0.000000"},
        {-0.0, 2, rmHalfUp, "0.00"},
    });
}

TEST(RoundedText, HalfUpDecidesOnThePrintedDigitNotOnTheDouble) {
    // 1.005, 2.675 and 0.005 are stored just below the tie; their scaled products print as
    // the tie, and the printed digit wins.
    CheckAll({
        {12.345, 2, rmHalfUp, "12.35"},
        {12.345, 2, rmTruncate, "12.34"},
        {1.005, 2, rmHalfUp, "1.01"},
        {1.005, 2, rmTruncate, "1.00"},
        {2.675, 2, rmHalfUp, "2.68"},
        {2.675, 2, rmTruncate, "2.67"},
        {0.005, 2, rmHalfUp, "0.01"},
        {0.004, 2, rmHalfUp, "0.00"},
        {12.3456, 3, rmHalfUp, "12.346"},
        {1.0049999, 2, rmHalfUp, "1.00"},
        {0.0000049, 5, rmHalfUp, "0.00000"},
        {0.000005, 5, rmHalfUp, "0.00001"},
    });
}

TEST(RoundedText, CarryRunsThroughEveryDigit) {
    CheckAll({
        {9.995, 2, rmHalfUp, "10.00"},
        {0.995, 2, rmHalfUp, "1.00"},
        {9.5, 0, rmHalfUp, "10"},
        {99.99991, 4, rmRoundUp, "100.0000"},
        {999999.9999999, 6, rmHalfUp, "1000000.000000"},
    });
}

TEST(RoundedText, RoundUpLooksAtTheFirstDroppedDigitOnly) {
    CheckAll({
        {1.2391, 2, rmRoundUp, "1.24"},
        {1.2301, 2, rmRoundUp, "1.23"},
        {7, 2, rmRoundUp, "7.00"},
        {0.001, 2, rmRoundUp, "0.01"},
        {0.0001, 2, rmRoundUp, "0.00"},
        {0.009, 2, rmRoundUp, "0.01"},
    });
}

TEST(RoundedText, ZeroDecimalsPrintNoPoint) {
    CheckAll({
        {2.5, 0, rmTruncate, "2"},
        {2.5, 0, rmHalfUp, "3"},
        {2.5, 0, rmRoundUp, "3"},
        {0.4, 0, rmRoundUp, "1"},
        {123456, 0, rmHalfUp, "123456"},
    });
}

TEST(RoundedText, ValuesWithNoDroppedDigitsAreUnchangedByAnyMode) {
    for (int mode : {rmTruncate, rmHalfUp, rmRoundUp}) {
        CheckAll(
            {{12.5678, 4, mode, "12.5678"}, {0.1, 1, mode, "0.1"}, {100, 6, mode, "100.000000"}});
    }
}

TEST(RoundedText, UnknownModesTruncate) {
    CheckAll({{2.675, 2, 3, "2.67"}, {2.675, 2, -1, "2.67"}, {1.2391, 2, 99, "1.23"}});
}

TEST(RoundedText, OutsideTheDomainStaysFixedAndSensible) {
    CheckAll({
        // Negative values round by their magnitude; a result of all zeros has no sign.
        {-12.345, 2, rmHalfUp, "-12.35"},
        {-12.345, 2, rmTruncate, "-12.34"},
        {-0.001, 2, rmRoundUp, "-0.01"},
        {-0.0001, 2, rmRoundUp, "0.00"},
        {-0.004, 2, rmHalfUp, "0.00"},
        // Products of 10^15 and more: 15 significant digits, then zeros, never an exponent.
        {1e15, 2, rmHalfUp, "1000000000000000.00"},
        {123456789012345678.0, 1, rmRoundUp, "123456789012346000.0"},
        // Positive products below 0.00001: the first dropped digit is 0.
        {1e-9, 2, rmRoundUp, "0.00"},
        {4e-7, 0, rmHalfUp, "0"},
        // Decimals beyond the offered range are clamped.
        {2.5, -3, rmHalfUp, "3"},
        {0.5, 99, rmHalfUp, "0.500000000000000"},
        // Not numbers at all print as such rather than as a figure.
        {std::numeric_limits<double>::quiet_NaN(), 2, rmHalfUp, "NaN"},
        {std::numeric_limits<double>::infinity(), 2, rmHalfUp, "INF"},
        {-std::numeric_limits<double>::infinity(), 2, rmHalfUp, "-INF"},
    });
    // The scaled product overflows near the top of the double range.
    const std::string top = RoundedText(DBL_MAX, 2, rmRoundUp);
    EXPECT_EQ(top.substr(0, 15), "179769313486232");
    EXPECT_EQ(top.size(), 309u + 3u);
    EXPECT_EQ(top.substr(top.size() - 3), ".00");
}

TEST(FormatGeneral15, FixedNotationWithFifteenSignificantDigits) {
    struct F {
        double value;
        const char* expected;
    };
    const F cases[] = {
        {1.005 * 1000, "1005"},  // stored as 1004.9999999999999
        {0.2301 * 1000, "230.1"},
        {0.005 * 1000, "5"},
        {0.1 + 0.2, "0.3"},
        {100, "100"},
        {1234.5, "1234.5"},
        {0.00001, "0.00001"},
        {0.0000001234, "0.0000001234"},
        {123456789012345.6, "123456789012346"},
        {1e15, "1000000000000000"},
        {123456789012345678.0, "123456789012346000"},
        {0.123456789012345678, "0.123456789012346"},
        {-2.5, "-2.5"},
        {-0.0, "0"},
        {0.0, "0"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const F& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FormatGeneral15(c.value), c.expected);
    }
}

// The rounding written out with the C library's number printing and parsing, step by step
// and with no shortcut; only valid where "%.15g" uses fixed notation (products from 1e-4 up
// to below 1e15).
std::string ReferenceRoundedText(double value, int decimals, int mode) {
    const double product = value * std::pow(10.0, decimals + 1);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", product);
    const std::string text = std::string("0") + buffer;
    const auto point = text.find('.');
    const auto decisivePos = (point == std::string::npos ? text.size() : point) - 1;
    const char decisive = text[decisivePos];
    double k = std::strtod(text.substr(0, decisivePos).c_str(), nullptr);
    if (mode == rmHalfUp && decisive >= '5') k += 1;
    if (mode == rmRoundUp && decisive > '0') k += 1;
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, k / std::pow(10.0, decimals));
    return buffer;
}

TEST(RoundedText, AgreesWithTheStepByStepReferenceOverASeededSweep) {
    std::mt19937_64 random(20250601);
    std::uniform_int_distribution<int> decimalsOf(0, 6);
    std::uniform_int_distribution<int> modeOf(0, 3);
    std::uniform_real_distribution<double> exponentOf(-2, 7);
    std::uniform_int_distribution<long long> digitsOf(0, 99999999);
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const int decimals = decimalsOf(random);
        const int mode = modeOf(random);
        // Half of the values are short decimals, whose doubles sit just beside a tie.
        const double value = (i % 2 == 0) ? std::pow(10.0, exponentOf(random))
                                          : static_cast<double>(digitsOf(random)) /
                                                std::pow(10.0, decimalsOf(random) + 1);
        const double product = value * std::pow(10.0, decimals + 1);
        if (product < 1e-4 || product >= 1e15) continue;
        ++checked;
        const std::string expected = ReferenceRoundedText(value, decimals, mode);
        const std::string actual = RoundedText(value, decimals, mode);
        if (actual != expected) {
            char exact[32];
            std::snprintf(exact, sizeof exact, "%.17g", value);
            ADD_FAILURE() << "value " << exact << " decimals " << decimals << " mode " << mode
                          << ": " << actual << " != " << expected;
            return;
        }
    }
    EXPECT_GT(checked, 150000);
}

}  // namespace
}  // namespace tarsel::text
