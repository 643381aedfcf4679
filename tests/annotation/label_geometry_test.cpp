// The pure parts of the labels: where texts go, how they turn, what the tag and the DXF
// fragment hold.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "annotation/number_labels.h"
#include "annotation/side_labels.h"
#include "annotation/triangle_tag.h"
#include "platform/codepage.h"
#include "support/triangle_seven_fragment.h"

namespace tarsel::annotation {
namespace {

using geometry::kHalfPi;
using geometry::kPi;
using geometry::TAcadPoint;
using geometry::TAcadTriangle;

constexpr double kDeg = geometry::kDegToRad;

void ExpectNear(const TAcadPoint& actual, const TAcadPoint& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TEST(SideTextRotation, TextsReadUprightInEveryDirection) {
    struct Case {
        const char* name;
        double direction;  // of the side p1 -> p2
        double angBaseDeg;
        int angDir;
        double expected;  // radians
    };
    const Case cases[] = {
        {"0", 0, 0, 0, 0},
        {"pi/2 reads bottom to top", kHalfPi, 0, 0, kHalfPi},
        {"pi: right to left reads left to right", kPi, 0, 0, 0},
        {"3pi/2 also bottom to top", 3 * kHalfPi, 0, 0, kHalfPi},
        {"100 degrees", 100 * kDeg, 0, 0, -80 * kDeg},
        {"ANGBASE 90, ANGDIR 0 adds", 0, 90, 0, kHalfPi},
        {"ANGBASE 90, ANGDIR 1 subtracts", 30 * kDeg, 90, 1, 60 * kDeg},
        {"ANGBASE 90, ANGDIR 1, side at 0", 0, 90, 1, kHalfPi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TAcadPoint p1{100, 200, 0};
        const TAcadPoint p2{100 + 1000 * std::cos(c.direction), 200 + 1000 * std::sin(c.direction),
                            0};
        const double r = SideTextRotation(UprightAngle(p1, p2), c.angBaseDeg * kDeg, c.angDir);
        EXPECT_NEAR(r, c.expected, 1e-12);
    }
}

TEST(NumberTextRotation, OppositeSignToTheSideTexts) {
    EXPECT_EQ(NumberTextRotation(0, 0), 0);
    EXPECT_DOUBLE_EQ(NumberTextRotation(90 * kDeg, 0), -kHalfPi);
    EXPECT_DOUBLE_EQ(NumberTextRotation(90 * kDeg, 1), kHalfPi);
}

TEST(FindBaseAndFoot, LongestSideIsTheBaseTiesToTheEarlier) {
    const BaseAndFoot right = FindBaseAndFoot({{0, 0, 0}, {4000, 0, 0}, {0, 3000, 0}});
    ASSERT_TRUE(right.footFound);
    EXPECT_EQ(right.base1, (TAcadPoint{4000, 0, 0}));
    EXPECT_EQ(right.base2, (TAcadPoint{0, 3000, 0}));
    EXPECT_EQ(right.apex, (TAcadPoint{0, 0, 0}));
    ExpectNear(right.foot, {1440, 1920, 0});

    const double h = 1000 * std::sqrt(3.0);
    const BaseAndFoot equilateral = FindBaseAndFoot({{0, 0, 0}, {2000, 0, 0}, {1000, h, 0}});
    EXPECT_EQ(equilateral.base1, (TAcadPoint{0, 0, 0}));
    EXPECT_EQ(equilateral.apex, (TAcadPoint{1000, h, 0}));
    ExpectNear(equilateral.foot, {1000, 0, 0});

    const BaseAndFoot point = FindBaseAndFoot({{5, 5, 0}, {5, 5, 0}, {5, 5, 0}});
    EXPECT_FALSE(point.footFound);
}

TEST(NumberPoints, IncentreOrIncentreOfTheLargerHalf) {
    const TAcadTriangle t{{0, 0, 0}, {4000, 0, 0}, {0, 3000, 0}};
    ExpectNear(*TriangleNumberPoint(t), {1000, 1000, 0});
    ExpectNear(*BaseHeightNumberPoint(FindBaseAndFoot(t)), {1600, 800, 0});

    // Halves of equal area: the half at base2.
    const TAcadTriangle isosceles{{0, 0, 0}, {6000, 0, 0}, {3000, 4000, 0}};
    ExpectNear(*BaseHeightNumberPoint(FindBaseAndFoot(isosceles)), {4000, 1000, 0});

    // Without area there is no place for a number.
    const TAcadTriangle flat{{0, 0, 0}, {5000, 0, 0}, {10000, 0, 0}};
    EXPECT_EQ(TriangleNumberPoint(flat), std::nullopt);
    EXPECT_EQ(BaseHeightNumberPoint(FindBaseAndFoot(flat)), std::nullopt);
}

TEST(TriangleTag, SidesInPointOrderAndTheArrayShapesReadersExpect) {
    const TriangleTag tag = TagOf({{0, 0, 0}, {4000, 0, 0}, {0, 3000, 0}});
    EXPECT_EQ(tag, (TriangleTag{4000, 5000, 3000}));
    const TagXdata x = TriangleTagXdata(tag);
    EXPECT_EQ(cadlink::Describe(x.types),
              cadlink::Describe(cadlink::Variant::Int16Array({1001, 1010})));
    ASSERT_TRUE(x.values.IsArray());
    EXPECT_EQ(x.values.AsArray().kind, cadlink::ArrayKind::Variant);
    EXPECT_EQ(x.values.AsArray().items[0], cadlink::Variant("LT_TARSEL"));
    EXPECT_EQ(x.values.AsArray().items[1], cadlink::Variant::DoubleArray({4000, 5000, 3000}));
    EXPECT_EQ(ParseTriangleTag(x.types, x.values), tag);
    EXPECT_EQ(ParseTriangleTag(cadlink::Variant::DoubleArray({1001, 1010}), x.values),
              std::nullopt);
}

TEST(TriangleTag, FragmentRoadOnlyForPcadInCapitals) {
    EXPECT_FALSE(UsesFragmentRoad("BricscadApp.AcadApplication"));
    EXPECT_TRUE(UsesFragmentRoad("PCAD.Application"));
    EXPECT_TRUE(UsesFragmentRoad("XyzPCADApp.1"));
    EXPECT_FALSE(UsesFragmentRoad("pcad.Application"));
    EXPECT_FALSE(UsesFragmentRoad("Pcad.Application"));
}

TEST(TagFragment, TriangleSevenLineForLine) {
    // The triangle (0,0) (3000,0) (3000,4000): sides 3000, 4000, 5000, incentre (2000, 1000).
    const auto lines = BuildTagFragment("H_TEXT", {2000, 1000, 0}, 7, 400, 0, {3000, 4000, 5000});
    const std::vector<std::string> expected = testing::TriangleSevenFragment();
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines.size(), 74u);

    const std::string bytes = EncodeFragment(lines, platform::kCodePageShiftJis);
    EXPECT_EQ(bytes.substr(0, 14), "  0\r\nSECTION\r\n");
    EXPECT_TRUE(bytes.ends_with("  0\r\nEOF\r\n"));
    EXPECT_EQ(bytes.find('\n', 0), 4u);  // no byte-order mark before the first line
}

TEST(TagFragment, NumbersInFifteenDigitsAndRotationInDegrees) {
    const auto lines = BuildTagFragment("H_TEXT", {-123.456, 0.1 + 0.2, 0}, 12, 300, -90 * kDeg,
                                        {1.0 / 3.0, 5000, 12345.678901234567});
    EXPECT_EQ(lines[43], "-123.456");
    EXPECT_EQ(lines[45], "0.3");
    EXPECT_EQ(lines[51], "12");
    EXPECT_EQ(lines[57], "-90");
    EXPECT_EQ(lines[65], "0.333333333333333");
    EXPECT_EQ(lines[69], "12345.6789012346");
}

TEST(TagFragment, EncodingRefusesWhatTheCodePageCannotHoldOrAHiddenLineBreak) {
    const auto japanese = BuildTagFragment("文字", {0, 0, 0}, 1, 400, 0, {3, 4, 5});
    const std::string bytes = EncodeFragment(japanese, platform::kCodePageShiftJis);
    EXPECT_NE(bytes.find("\x95\xB6\x8E\x9A\r\n"), std::string::npos);  // 文字 in Shift-JIS

    const auto emoji = BuildTagFragment("\xF0\x9F\x98\x80", {0, 0, 0}, 1, 400, 0, {3, 4, 5});
    EXPECT_THROW((void)EncodeFragment(emoji, platform::kCodePageShiftJis), FragmentFileError);
    const auto broken = BuildTagFragment("A\r\n  0\r\nEOF", {0, 0, 0}, 1, 400, 0, {3, 4, 5});
    EXPECT_THROW((void)EncodeFragment(broken, platform::kCodePageShiftJis), FragmentFileError);
}

}  // namespace
}  // namespace tarsel::annotation
