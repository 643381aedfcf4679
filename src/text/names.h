// Names and words as the CAD and our files compare them: blanks trimmed, ASCII letters folded
// to upper case (the CAD's tables ignore letter case for ASCII only; "Ａ" and "a" stay apart).
#pragma once

#include <string>
#include <string_view>

namespace tarsel::text {

// ASCII white space: blank, tab, line feed, vertical tab, form feed, carriage return.
[[nodiscard]] constexpr bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The text without blanks at either end.
[[nodiscard]] std::string_view Trim(std::string_view text);

// The text with ASCII letters upper-cased; every other byte (UTF-8 included) as it is.
[[nodiscard]] std::string UpperAscii(std::string_view text);

// True when the texts are equal once ASCII letters are upper-cased.
[[nodiscard]] bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace tarsel::text
