// The area table as text for `tarsel table`: the rows and summary rows of the drawn table,
// either aligned for a terminal or as CSV for a spreadsheet.
#pragma once

#include <string>
#include <string_view>

#include "areatable/table_layout.h"

namespace tarsel::areatable {

// Columns padded by display width (a Japanese character takes two), header texts centred and
// every other text right-aligned as in the drawing; the summary labels stand right-aligned
// over all columns but the last. Control characters are shown as "?".
[[nodiscard]] std::string FormatAreaTableText(const AreaTable& table);

// UTF-8, one header line, "\n" line ends. A summary row puts its label in the column left of
// its value. Fields are quoted as RFC 4180 says; a number text that a spreadsheet would take
// for a formula is prefixed with "'" so that opening the file never runs it.
[[nodiscard]] std::string FormatAreaTableCsv(const AreaTable& table);

// Columns a terminal gives the UTF-8 text (East Asian wide characters count two).
[[nodiscard]] std::size_t DisplayWidth(std::string_view text);

}  // namespace tarsel::areatable
