// One way to read and write a number, locale-free, for every field, file and command line of
// the program: a user's locale never changes a figure, and no two readers disagree on a text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarsel::text {

// Why a text is not a number.
enum class NumberError {
    kNotANumber,  // empty, a second sign, a decimal comma, letters, "inf", "nan", hexadecimal
    kOutOfRange,  // a decimal number too large for a double (or an integer type)
};

// A decimal number: blanks (ASCII white space) around it are ignored; one optional sign, then
// a digit or a decimal point; fraction and exponent optional. The value is finite. Anything
// else gives nullopt and, when error is given, the reason.
[[nodiscard]] std::optional<double> ParseDecimal(std::string_view text,
                                                 NumberError* error = nullptr);

// A decimal integer by the same rules (no fraction, no exponent).
[[nodiscard]] std::optional<std::int64_t> ParseInteger(std::string_view text,
                                                       NumberError* error = nullptr);

// The shortest text that reads back as exactly the same double ("0.1", "1e+300", "-0").
[[nodiscard]] std::string ShortestText(double value);

}  // namespace tarsel::text
