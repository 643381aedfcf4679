// One collected triangle as the text line the area table is built from (number and the three
// side lengths of its tag), the order of those lines, and the way a line is taken apart again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::areatable {

// "number,a,b,c": the number text exactly as the drawing holds it, then the tag's three side
// lengths in drawing units with exactly eight decimals.
using TTriangleData = std::string;
using TriangleDataList = std::vector<TTriangleData>;

// Formats as "%s,%.8f,%.8f,%.8f" would in the C locale.
[[nodiscard]] TTriangleData MakeTriangleData(std::string_view number, double a, double b, double c);

// Every field between commas, nothing trimmed and no quoting: "" gives one empty field and
// ",," three.
[[nodiscard]] std::vector<std::string> SplitCommaText(std::string_view text);

// A line taken apart. A number text may itself hold commas, so the last three fields are the
// lengths and everything before them is the number.
struct TriangleDataFields {
    std::string number;
    std::string a;
    std::string b;
    std::string c;
};
// nullopt when the line has fewer than four fields.
[[nodiscard]] std::optional<TriangleDataFields> SplitTriangleData(std::string_view line);

// The number part of a line (see SplitTriangleData); for a line too short to hold three
// lengths, the text before its first comma.
[[nodiscard]] std::string_view TriangleDataNumber(std::string_view line);

// A plain decimal integer (optional sign, digits only, within 32 bits) gives its value;
// anything else ("", "12a", "A", " 7") gives 0, so such numbers sort first.
[[nodiscard]] std::int32_t TriangleNumberKey(std::string_view number);
[[nodiscard]] std::int32_t TriangleDataKey(std::string_view line);

// Ascending by key with the exchange sort the table has always used: lines with equal keys
// are never swapped with each other directly, but they may change their relative order when
// one of them is swapped with a third line. The resulting order of duplicates is part of what
// the user sees, so this is deliberately not std::sort or std::stable_sort.
void SortTriangleData(TriangleDataList& list);

}  // namespace tarsel::areatable
