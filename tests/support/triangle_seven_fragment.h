// The tag fragment of triangle 7, line for line (without line ends): the triangle with sides
// 3000, 4000, 5000, its number on H_TEXT at (x, y), height 400, rotation 0. The default place
// is the incentre (2000, 1000) of (0,0) (3000,0) (3000,4000). One copy for every test that
// writes, reads or inserts such a fragment.
#pragma once

#include <string>
#include <vector>

namespace tarsel::testing {

// clang-format off
inline std::vector<std::string> TriangleSevenFragment(const std::string& x = "2000",
                                                      const std::string& y = "1000") {
    return {
        "  0",  "SECTION", "  2",  "HEADER",  "  9",  "$ACADVER",  "  1",  "AC1009",
        "  0",  "ENDSEC",  "  0",  "SECTION", "  2",  "TABLES",    "  0",  "TABLE",
        "  2",  "APPID",   "  0",  "APPID",   "  2",  "LT_TARSEL", " 70",  "0",
        "  0",  "ENDTAB",  "  0",  "ENDSEC",  "  0",  "SECTION",   "  2",  "ENTITIES",
        "  0",  "TEXT",    "  8",  "H_TEXT",  "  6",  "BYLAYER",   " 62",  "256",
        " 48",  "1.0",     " 10",  x,         " 20",  y,           " 11",  x,
        " 21",  y,         "  1",  "7",       " 40",  "400",       " 41",  "1.0",
        " 50",  "0",       " 72",  "1",       " 73",  "2",         "1001", "LT_TARSEL",
        "1010", "3000",    "1020", "4000",    "1030", "5000",      "  0",  "ENDSEC",
        "  0",  "EOF"};
}
// clang-format on

}  // namespace tarsel::testing
