#include "geometry/outline_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarsel::geometry {
namespace {

using Points = std::vector<TAcadPoint>;

TEST(ParseOutlineText, AcceptsTheUsualWaysOfWritingAVertex) {
    struct Case {
        const char* name;
        std::string text;
        Points expected;
    };
    const Points square = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    const Case cases[] = {
        {"blanks", "0 0\n10 0\n10 10\n0 10\n", square},
        {"commas, no final newline", "0,0\n10,0\n10,10\n0,10", square},
        {"comma and blanks, tabs", "0 , 0\n10,\t0\n\t10 ,10\n0\t10\n", square},
        {"z ignored", "0 0 5\n10,0,5\n10 10 -3.5\n0 10 0\n", square},
        {"comments and blank lines",
         "# parcel 12-3\n\n0 0   # corner A\n10 0\n   \n10 10\n#\n0 10\n# end\n", square},
        {"CRLF and a byte order mark",
         "\xEF\xBB\xBF"
         "0 0\r\n10 0\r\n10 10\r\n0 10\r\n",
         square},
        {"signs, exponents, decimals",
         "+1.5 -2\n1e3 .25\n-0.125E+2 1.\n",
         {{1.5, -2, 0}, {1000, 0.25, 0}, {-12.5, 1, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedOutline parsed = ParseOutlineText(c.text);
        EXPECT_TRUE(parsed.Ok()) << parsed.error;
        EXPECT_EQ(parsed.vertices, c.expected);
    }
}

TEST(ParseOutlineText, NamesTheFirstBadLineAndKeepsNothing) {
    struct Case {
        std::string text;
        int line;
        const char* messageStart;
    };
    const Case cases[] = {
        {"0 0\n1 1\nabc 2\n", 3, "not a number: 'abc'"},
        {"0 0\n1 x1\n", 2, "not a number: 'x1'"},
        {"0 0\n1.5.2 1\n", 2, "not a number"},
        {"0 0\n1 2a\n", 2, "not a number"},
        {"0 0\n+-1 2\n", 2, "not a number"},
        {"0 0\n0x10 2\n", 2, "not a number"},
        {"# header\nnan 1\n", 2, "not a finite number: 'nan'"},
        {"0 0\n1 inf\n", 2, "not a finite number"},
        {"0 0\n1 -Infinity\n", 2, "not a finite number"},
        {"0 0\n1 2 NaN\n", 2, "not a finite number"},  // z must still be a number
        {"0 0\n1e999 2\n", 2, "number out of range"},
        {"0 0\n5\n", 2, "expected \"x y\""},
        {"0 0\n1 2 3 4\n", 2, "expected \"x y\""},
        {"1,5 2,5\n", 1, "expected \"x y\""},  // decimal commas are not decimal points
        {"0 0\n,1 2\n", 2, "empty field"},
        {"0 0\n1 2,\n", 2, "empty field"},
        {"0 0\n1,,2\n", 2, "empty field"},
        {"0 0\n\x01\x1b[2J 1\n", 2, "not a number: '\\x01\\x1b[2J'"},
        {"", 0, "no vertex"},
        {"\n\n   \n", 0, "no vertex"},
        {"# only a comment\n", 0, "no vertex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ParsedOutline parsed = ParseOutlineText(c.text);
        EXPECT_FALSE(parsed.Ok());
        EXPECT_EQ(parsed.errorLine, c.line);
        EXPECT_TRUE(parsed.error.starts_with(c.messageStart)) << parsed.error;
        EXPECT_TRUE(parsed.vertices.empty());
    }
}

TEST(ParseOutlineText, LongTokensAreCutShortInMessages) {
    const ParsedOutline parsed = ParseOutlineText("0 0\n" + std::string(5000, 'z') + " 1\n");
    ASSERT_FALSE(parsed.Ok());
    EXPECT_LT(parsed.error.size(), 80u);
    EXPECT_NE(parsed.error.find("..."), std::string::npos);
}

}  // namespace
}  // namespace tarsel::geometry
