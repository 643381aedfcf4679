// The area table as pure data: every figure, rule and text of the table for a list of
// collected triangles and the palette's settings. The drawn table and `tarsel table` both
// come from LayoutAreaTable, so what is printed can never differ from what is drawn.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "areatable/triangle_data.h"
#include "geometry/primitives.h"
#include "text/rounding.h"

namespace tarsel::areatable {

enum class AreaMethod : int {
    Heron = 0,       // "ヘロン": three sides, Hero's formula
    BaseHeight = 1,  // "三斜": base and height, the area column holds base x height
};

// The settings as the palette holds them: texts, read when the table is made.
struct TableSettings {
    AreaMethod method = AreaMethod::Heron;
    std::string widths = "1500,3000,3000,3000,4500";  // the method's own list, drawing units
    std::string textHeight = "400";                   // drawing units
    std::string rowHeight = "800";                    // drawing units
    std::string scale = "1000";                       // side lengths are divided by it
    text::FigureRounding rounding;
};

// AcAlignment codes the table's texts use.
inline constexpr int kAlignMiddleCenter = 10;
inline constexpr int kAlignMiddleRight = 11;

// Block coordinates: the table's upper-left corner at the origin, rows going down (-y).
struct TableLine {
    geometry::TAcadPoint start;
    geometry::TAcadPoint end;
    friend bool operator==(const TableLine&, const TableLine&) = default;
};
struct TableText {
    std::string text;
    geometry::TAcadPoint point;  // insertion and alignment point alike
    int alignment = kAlignMiddleRight;
    friend bool operator==(const TableText&, const TableText&) = default;
};
using TableItem = std::variant<TableLine, TableText>;

struct TableSummaryRow {
    std::string label;  // "合計", "1/2" or "面積"
    std::string value;
};

struct AreaTable {
    AreaMethod method = AreaMethod::Heron;
    double textHeight = 0;
    std::vector<std::string> headers;
    // One row per record: the number text as collected, then the method's figure columns.
    std::vector<std::vector<std::string>> rows;
    std::vector<TableSummaryRow> summary;
    // In drawing order: horizontal rules top to bottom, vertical rules left to right, headers,
    // data rows left to right, summary rows label before value.
    std::vector<TableItem> items;
};

struct AreaTableResult {
    std::optional<AreaTable> table;
    std::string error;  // why there is no table: bad settings or a record that cannot be read
    // The settings key of the offending option ("Haba1", "M_Taka2", ...), empty when a record
    // is at fault; and the offending text (the option's or the record's line).
    std::string field;
    std::string text;
};

// The whole table, or an error before anything is drawn.
[[nodiscard]] AreaTableResult LayoutAreaTable(const TableSettings& settings,
                                              const TriangleDataList& records);

// Header comma text of a method: "No.,a,b,c,面積" or "No.,底辺,高さ,面積".
[[nodiscard]] std::string_view HeaderText(AreaMethod method);

struct BaseAndHeight {
    std::string base;
    std::string height;
};
// The "三斜" row's base and height texts from the three side length texts (drawing units):
// each trimmed, an empty one counting as 0. The base is the longest side, the height follows
// from the unrounded sides. nullopt when a text is not a number or a figure cannot be printed
// (negative, or too large for its decimals).
[[nodiscard]] std::optional<BaseAndHeight> BaseAndHeightTexts(std::string_view aText,
                                                              std::string_view bText,
                                                              std::string_view cText, double scale,
                                                              int lengthDigits, int lengthMode);

}  // namespace tarsel::areatable
