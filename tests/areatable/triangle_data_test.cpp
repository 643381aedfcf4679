#include "areatable/triangle_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarsel::areatable {
namespace {

TEST(TriangleDataLine, PrintsNumberAsStoredAndEightDecimals) {
    EXPECT_EQ(MakeTriangleData("7", 3000, 4000, 5000),
              "7,3000.00000000,4000.00000000,5000.00000000");
    EXPECT_EQ(MakeTriangleData(" 12 ", 12.3456789012, 0.000000004, 1234567.123456789),
              " 12 ,12.34567890,0.00000000,1234567.12345679");
    EXPECT_EQ(MakeTriangleData("", 0.5, 1e15, 2.5e-9),
              ",0.50000000,1000000000000000.00000000,0.00000000");
}

TEST(SplitCommaText, KeepsEveryFieldUntrimmed) {
    const struct {
        std::string text;
        std::vector<std::string> fields;
    } cases[] = {
        {"", {""}},
        {"1500", {"1500"}},
        {",,", {"", "", ""}},
        {"1500,3000,", {"1500", "3000", ""}},
        {" 1500 , 3000", {" 1500 ", " 3000"}},
        {"No.,a,b,c,面積", {"No.", "a", "b", "c", "面積"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SplitCommaText(c.text), c.fields);
    }
}

TEST(SplitTriangleData, LastThreeFieldsAreTheLengths) {
    const auto plain = SplitTriangleData("7,1.5,2.5,3.5");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->number, "7");
    EXPECT_EQ(plain->a, "1.5");
    EXPECT_EQ(plain->b, "2.5");
    EXPECT_EQ(plain->c, "3.5");

    // A number text that holds commas stays whole instead of shifting the lengths.
    const auto commas = SplitTriangleData("1,2,3,1.5,2.5,3.5");
    ASSERT_TRUE(commas);
    EXPECT_EQ(commas->number, "1,2,3");
    EXPECT_EQ(commas->a, "1.5");
    EXPECT_EQ(commas->c, "3.5");

    const auto empty = SplitTriangleData(",1,2,3");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->number, "");

    EXPECT_FALSE(SplitTriangleData("7,1.5,2.5"));
    EXPECT_FALSE(SplitTriangleData(""));
}

TEST(TriangleDataKey, OnlyPlainDecimalIntegersCount) {
    const struct {
        std::string line;
        std::int32_t key;
    } cases[] = {
        {"9,1,2,3", 9},
        {"10,1,2,3", 10},
        {"A,1,2,3", 0},
        {",1,2,3", 0},
        {"12a,1,2,3", 0},
        {" 7,1,2,3", 0},
        {"7 ,1,2,3", 0},
        {"1.5,1,2,3", 0},
        {"-3,1,2,3", -3},
        {"+4,1,2,3", 4},
        {"-,1,2,3", 0},
        {"2147483647,1,2,3", 2147483647},
        {"2147483648,1,2,3", 0},
        {"-2147483648,1,2,3", -2147483647 - 1},
        {"1,2,1,2,3", 0},  // the number is "1,2"
        {"5", 5},          // too short to hold lengths: the text before the first comma
        {"5,x", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(TriangleDataKey(c.line), c.key);
    }
}

std::vector<std::string> Numbers(const TriangleDataList& list) {
    std::vector<std::string> numbers;
    for (const auto& line : list) numbers.emplace_back(TriangleDataNumber(line));
    return numbers;
}

TEST(SortTriangleData, AscendingByKey) {
    const struct {
        std::vector<std::string> in;
        std::vector<std::string> out;
    } cases[] = {
        {{}, {}},
        {{"10"}, {"10"}},
        {{"10", "9"}, {"9", "10"}},
        {{"10", "2", "A", "1"}, {"A", "1", "2", "10"}},
        {{"3", "1", "3", "2"}, {"1", "2", "3", "3"}},
    };
    for (const auto& c : cases) {
        TriangleDataList list;
        for (const auto& number : c.in) list.push_back(MakeTriangleData(number, 1, 2, 3));
        SortTriangleData(list);
        EXPECT_EQ(Numbers(list), c.out);
    }
}

TEST(SortTriangleData, DuplicatesEndWhereTheExchangeSortPutsThem) {
    // A stable sort would keep "first" ahead of "second"; the exchange sort swaps "first" with
    // the 1 and so moves it behind its twin. Both lines stay.
    TriangleDataList list = {"2,first,0,0", "2,second,0,0", "1,x,0,0"};
    SortTriangleData(list);
    EXPECT_EQ(list, (TriangleDataList{"1,x,0,0", "2,second,0,0", "2,first,0,0"}));
}

}  // namespace
}  // namespace tarsel::areatable
