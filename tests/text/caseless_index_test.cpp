#include "text/caseless_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/names.h"

namespace tarsel::text {
namespace {

struct Names {
    std::vector<std::string> list;
    CaselessIndex index;

    // What the index asks for: the name at a position of the list.
    struct NameAt {
        const std::vector<std::string>* list;
        std::string_view operator()(std::size_t i) const { return (*list)[i]; }
    };

    // The position the name stands at: a new one is appended, as the readers do.
    std::size_t Add(const std::string& name) {
        const std::size_t at = index.Insert(name, list.size(), NameAt{&list});
        if (at == list.size()) list.push_back(name);
        return at;
    }
    std::size_t Find(std::string_view name) const { return index.Find(name, NameAt{&list}); }
};

TEST(CaselessIndex, NamesMatchAsTheCadTablesDo) {
    Names n;
    EXPECT_EQ(n.Find("0"), CaselessIndex::kNone);  // an empty index finds nothing
    ASSERT_EQ(n.Add("0"), 0u);
    ASSERT_EQ(n.Add("Walls"), 1u);
    ASSERT_EQ(n.Add("境界"), 2u);
    ASSERT_EQ(n.Add("ａｂ"), 3u);
    ASSERT_EQ(n.Add(""), 4u);
    struct Case {
        const char* name;
        std::size_t expected;
    };
    for (const Case& c : {Case{"WALLS", 1},
                          {"walls", 1},
                          {"wALLs", 1},
                          {"Walls ", CaselessIndex::kNone},
                          {"Wall", CaselessIndex::kNone},
                          {"境界", 2},
                          {"ａｂ", 3},
                          // Only ASCII letters fold: full-width letters and the bytes of UTF-8
                          // that differ from an ASCII letter by 0x20 stay apart.
                          {"ＡＢ", CaselessIndex::kNone},
                          {"", 4},
                          {"0", 0},
                          {"O", CaselessIndex::kNone},
                          // '@' and '`', '[' and '{' differ by 0x20 but are not letters.
                          {"@", CaselessIndex::kNone}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(n.Find(c.name), c.expected);
    }
    Names punctuation;
    punctuation.Add("[`]");
    EXPECT_EQ(punctuation.Find("{@}"), CaselessIndex::kNone);
    EXPECT_EQ(punctuation.Find("[`]"), 0u);
}

TEST(CaselessIndex, ANameAddedAgainKeepsItsFirstPlace) {
    Names n;
    n.Add("Survey");
    n.Add("Road");
    EXPECT_EQ(n.Add("SURVEY"), 0u);
    EXPECT_EQ(n.Add("road"), 1u);
    EXPECT_EQ(n.list.size(), 2u);
    EXPECT_EQ(n.index.size(), 2u);
}

// Many names, long and short, alike but for case or one letter far in: every one is found at
// its place after the index has grown many times, and none of its other spellings adds one.
TEST(CaselessIndex, StaysRightAsItGrows) {
    Names n;
    const std::string prefix(37, 'x');
    for (int i = 0; i < 50000; ++i) {
        const std::string name =
            (i % 2 ? prefix : std::string()) + "Layer-" + std::to_string(i) + (i % 3 ? "a" : "");
        ASSERT_EQ(n.Add(name), static_cast<std::size_t>(i));
    }
    for (int i = 0; i < 50000; ++i) {
        const std::string upper = UpperAscii(n.list[static_cast<std::size_t>(i)]);
        ASSERT_EQ(n.Find(upper), static_cast<std::size_t>(i)) << upper;
        ASSERT_EQ(n.Add(upper), static_cast<std::size_t>(i));
    }
    EXPECT_EQ(n.list.size(), 50000u);
    EXPECT_EQ(n.Find("Layer-50000"), CaselessIndex::kNone);

    // Room asked for ahead changes nothing that is found.
    Names reserved;
    reserved.index.Reserve(3000);
    for (int i = 0; i < 3000; ++i) reserved.Add("N" + std::to_string(i));
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(reserved.Find("n" + std::to_string(i)), static_cast<std::size_t>(i));
}

TEST(CaselessIndex, HashFoldsOnlyAsciiLetters) {
    EXPECT_EQ(CaselessHash("Continuous-Line"), CaselessHash("CONTINUOUS-LINE"));
    EXPECT_EQ(CaselessHash("abcdefghijklmnopqrstuvwxyz"),
              CaselessHash("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    EXPECT_NE(CaselessHash("a"), CaselessHash("a "));  // the length counts
    EXPECT_NE(CaselessHash("@[`{"), CaselessHash("`{@["));
}

}  // namespace
}  // namespace tarsel::text
