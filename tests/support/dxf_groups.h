// Reading a DXF file back as tests look at it: the (code, value) pairs in order, numbers read
// by the program's own locale-free reader, and the first entity of a type with its groups.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/numbers.h"

namespace tarsel::testing {

struct DxfGroup {
    int code = 0;
    std::string value;  // without its line end
};

// Every group of an ASCII DXF file; a code that is not an integer fails the test.
inline std::vector<DxfGroup> ReadDxfGroups(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << file.string();
    std::vector<DxfGroup> groups;
    std::string code, value;
    while (std::getline(in, code) && std::getline(in, value)) {
        if (!value.empty() && value.back() == '\r') value.pop_back();
        const std::optional<std::int64_t> n = text::ParseInteger(code);
        EXPECT_TRUE(n.has_value()) << "group code \"" << code << "\" in " << file.string();
        if (!n) break;
        groups.push_back({static_cast<int>(*n), value});
    }
    return groups;
}

// The groups of the first entity of that type (after its "0" group, up to the next one);
// empty when there is none.
inline std::vector<DxfGroup> FirstEntity(const std::vector<DxfGroup>& groups,
                                         const std::string& type) {
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != 0 || groups[i].value != type) continue;
        std::vector<DxfGroup> entity;
        for (std::size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k) {
            entity.push_back(groups[k]);
        }
        return entity;
    }
    return {};
}

// A group value read as a number; fails the test when it is not one.
inline double GroupNumber(const DxfGroup& group) {
    const std::optional<double> value = text::ParseDecimal(group.value);
    EXPECT_TRUE(value.has_value()) << "group " << group.code << ": \"" << group.value << "\"";
    return value.value_or(0);
}

}  // namespace tarsel::testing
