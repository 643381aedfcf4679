#include "text/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "text/names.h"

namespace tarsel::text {
namespace {

// The value of a plain decimal (digits and at most one point, no exponent) of at most 15
// digits, else nothing. Such a number's digits and the power of ten it is divided by are both
// exact doubles, so the one division rounds correctly: the very double from_chars gives, for
// the numbers drawings and fields are made of, at a fraction of the cost.
std::optional<double> ExactDecimal(std::string_view text) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t digitsValue = 0;
    int digits = 0;
    int fraction = -1;  // digits after the point; -1 before it
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (++digits > 15) return std::nullopt;
            digitsValue = digitsValue * 10 + static_cast<std::uint64_t>(c - '0');
            if (fraction >= 0) ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    return static_cast<double>(digitsValue) / kPowersOfTen[fraction < 0 ? 0 : fraction];
}

// The sign is taken here because from_chars takes no '+', and a second sign ("+-1", "--1")
// must not slip through as the first one's argument.
template <typename T>
std::optional<T> ParseSigned(std::string_view text, NumberError* error, bool integer) {
    const auto fail = [error](NumberError why) -> std::optional<T> {
        if (error) *error = why;
        return std::nullopt;
    };
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool startsWell = !text.empty() && ((text.front() >= '0' && text.front() <= '9') ||
                                              (!integer && text.front() == '.'));
    if (!startsWell) return fail(NumberError::kNotANumber);
    if constexpr (std::is_floating_point_v<T>) {
        if (const std::optional<double> exact = ExactDecimal(text))
            return negative ? -*exact : *exact;
    }
    // Parsing the magnitude with its minus sign (the character before it) keeps the integer
    // range exact at its lower end (INT64_MIN has no positive counterpart).
    const std::string_view digits =
        negative ? std::string_view(text.data() - 1, text.size() + 1) : text;
    T value{};
    const char* end = digits.data() + digits.size();
    std::from_chars_result r{};
    if constexpr (std::is_floating_point_v<T>) {
        r = std::from_chars(digits.data(), end, value, std::chars_format::general);
    } else {
        r = std::from_chars(digits.data(), end, value, 10);
    }
    if (r.ec == std::errc::result_out_of_range) return fail(NumberError::kOutOfRange);
    if (r.ec != std::errc() || r.ptr != end) return fail(NumberError::kNotANumber);
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) return fail(NumberError::kOutOfRange);
    }
    return value;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text, NumberError* error) {
    return ParseSigned<double>(text, error, false);
}

std::optional<std::int64_t> ParseInteger(std::string_view text, NumberError* error) {
    return ParseSigned<std::int64_t>(text, error, true);
}

std::string ShortestText(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace tarsel::text
