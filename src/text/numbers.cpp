#include "text/numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "text/names.h"

namespace tarsel::text {
namespace {

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
