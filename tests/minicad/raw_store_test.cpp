// The store of a file's groups as read: whatever the sizes and codes, every group comes back
// as it was added, by index and walking, and a value's view stays where Add put it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {
namespace {

static_assert(sizeof(RawGroups) == 24,
              "a view of groups per entity and table entry: keep it small");

constexpr std::size_t kPage = std::size_t{1} << 20;  // the store's page
// The size of the value whose record (the code's byte, the size in 7-bit groups, the value)
// takes that many bytes.
constexpr std::size_t Filling(std::size_t record) {
    for (std::size_t header = 2;; ++header) {
        const std::size_t size = record - header;
        std::size_t bytes = 1;
        for (std::size_t rest = size >> 7; rest != 0; rest >>= 7) ++bytes;
        if (1 + bytes == header) return size;
    }
}

struct Added {
    int code;
    std::string value;
};

// Bytes of every kind, the header's special ones among them, different for each group.
std::string Bytes(std::size_t size, std::size_t seed) {
    std::string s(size, '\0');
    for (std::size_t k = 0; k < size; ++k) s[k] = static_cast<char>((seed * 31 + k) & 0xFF);
    return s;
}

std::vector<Added> OfSizes(const std::vector<std::size_t>& sizes) {
    std::vector<Added> groups;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        groups.push_back({static_cast<int>(i % 7) * 10, Bytes(sizes[i], i)});
    return groups;
}

// Adds the groups to a store of their own and reads them back every way there is.
void ExpectKept(const std::vector<Added>& groups) {
    auto store = std::make_shared<RawStore>();
    store->Reserve(groups.size());
    std::vector<std::string_view> views;
    for (const Added& g : groups) views.push_back(store->Add(g.code, g.value));

    ASSERT_EQ(store->size(), groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) {
        SCOPED_TRACE("group " + std::to_string(i));
        ASSERT_EQ(store->code(i), groups[i].code);
        ASSERT_EQ(store->value(i), groups[i].value);
        ASSERT_EQ(views[i], groups[i].value) << "a view from Add moved or was overwritten";
        ASSERT_EQ(store->value(i).data(), views[i].data());
    }

    const RawGroups all(store, 0, groups.size());
    std::size_t i = 0;
    for (const auto& [code, value] : all) {
        ASSERT_LT(i, groups.size());
        ASSERT_EQ(code, groups[i].code) << "walking, group " << i;
        ASSERT_EQ(value, groups[i].value) << "walking, group " << i;
        ++i;
    }
    EXPECT_EQ(i, groups.size());

    // A walk may start anywhere between two checkpoints and must stop at its end.
    for (std::size_t begin = 0; begin < groups.size(); ++begin) {
        const std::size_t end = std::min(groups.size(), begin + 3);
        std::size_t k = begin;
        for (const auto& [code, value] : all.Slice(begin, end)) {
            ASSERT_EQ(code, groups[k].code) << "walking from " << begin << ", group " << k;
            ASSERT_EQ(value, groups[k].value) << "walking from " << begin << ", group " << k;
            ++k;
        }
        ASSERT_EQ(k, end);
    }
}

TEST(RawStore, KeepsEveryGroupWhereverItFallsInThePages) {
    struct Case {
        const char* name;
        std::vector<std::size_t> sizes;
    };
    const Case cases[] = {
        {"empty values around others", {0, 0, 5, 0, 0}},
        {"sizes at the ends of one, two and three size bytes", {127, 128, 16383, 16384, 0, 1}},
        {"a page filled exactly: the next record on the next page without a marker",
         {Filling(kPage), 0, 3}},
        {"one byte left: room for the marker only", {Filling(kPage - 1), 1, 2}},
        {"a record that just does not fit the rest", {Filling(kPage - 100), 99, 7}},
        {"a record that fills the rest exactly", {Filling(kPage - 100), 98, 7}},
        {"two bytes left: an empty value fits", {Filling(kPage - 2), 0, 7}},
        {"a value of exactly a page: pages of its own, the next on a fresh page",
         {5, kPage, 5, kPage, 0}},
        {"values over a page, one ending on a page's end",
         {1, 2 * kPage + 7, 3, Filling(2 * kPage), 3}},
        {"pages handed out from blocks of many, values over a page between them",
         [] {
             std::vector<std::size_t> sizes(40, kPage / 2 + 1);  // a page each
             sizes[5] = sizes[13] = 2 * kPage + 7;
             sizes[22] = kPage;
             return sizes;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectKept(OfSizes(c.sizes));
    }
}

TEST(RawStore, RandomAccessMatchesAfterManyPages) {
    // Sizes that leave the page ends at every kind of place, and many checkpoints.
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < 40000; ++i) sizes.push_back(i * 7919 % 300);
    ExpectKept(OfSizes(sizes));
}

TEST(RawStore, CodesOutsideTheDictionaryAndNegativeOnesComeBack) {
    // More distinct codes than one header byte can name, the int16 ends among them, each
    // seen twice so that the dictionary is both filled and used.
    std::vector<Added> groups;
    for (int round = 0; round < 2; ++round) {
        for (int code = -300; code < 300; ++code)
            groups.push_back(
                {code, Bytes(static_cast<std::size_t>(code + 300) % 5, groups.size())});
        groups.push_back({-32768, "min"});
        groups.push_back({32767, "max"});
        groups.push_back({1071, ""});
    }
    ExpectKept(groups);
}

TEST(RawGroups, EmptyViewsWalkNothing) {
    const RawGroups none;
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(none.begin() == none.end());
    EXPECT_EQ(none.Find(0), "");

    auto store = std::make_shared<RawStore>();
    store->Add(0, "LINE");
    store->Add(8, "0");
    const RawGroups line(store, 0, 2);
    EXPECT_EQ(line.Find(8), "0");
    EXPECT_EQ(line.Find(10), "");
    EXPECT_TRUE(line.Slice(2, 2).begin() == line.Slice(2, 2).end());
    EXPECT_THROW(RawGroups(store, 0, std::size_t{1} << 32), std::length_error);
}

}  // namespace
}  // namespace tarsel::minicad
