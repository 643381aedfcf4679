// Reading the number texts of the area table (widths, heights, scale, side lengths) the same
// way on every machine: "." is the decimal separator whatever the user's locale says.
#pragma once

#include <optional>
#include <string_view>

namespace tarsel::areatable {

// Blanks (characters up to and including the space) around the text are ignored. A decimal
// number with an optional sign, fraction and exponent; nothing else, and never infinity or
// NaN. Empty or anything else: nullopt.
[[nodiscard]] std::optional<double> ParseNumberText(std::string_view text);

// The text with blanks (characters up to and including the space) removed at both ends.
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

}  // namespace tarsel::areatable
