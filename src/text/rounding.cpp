#include "text/rounding.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tarsel::text {

namespace {

constexpr int kMaxDecimals = 15;

// Powers of ten up to 10^16 are exact doubles, so scaling multiplies by the exact factor.
constexpr std::array<double, kMaxDecimals + 2> kPowersOfTen = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};

std::string NonFiniteText(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-INF" : "INF";
}

// Adds one to a string of decimal digits.
void IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// Sets the point `decimals` places from the right of a whole number given as digits, keeping
// exactly one "0" before the point when the number is below one.
std::string PlacePoint(std::string digits, int decimals) {
    const auto firstNonZero = digits.find_first_not_of('0');
    digits.erase(0, std::min(firstNonZero, digits.size()));
    const auto width = static_cast<std::size_t>(decimals) + 1;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    if (decimals > 0) digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
    return digits;
}

}  // namespace

std::string FormatGeneral15(double value) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    if (value == 0) return "0";

    // Shortest correct source of 15 rounded significant digits: d.dddddddddddddde±x.
    char buffer[40];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::abs(value),
                                         std::chars_format::scientific, 14);
    const std::string_view text(buffer,
                                ec == std::errc{} ? static_cast<std::size_t>(end - buffer) : 0);
    const auto ePos = text.find('e');
    std::string digits;
    for (char c : text.substr(0, ePos)) {
        if (c != '.') digits.push_back(c);
    }
    int exponent = 0;
    const std::string_view expText = text.substr(ePos + 1);
    std::from_chars(expText.data() + (expText.front() == '+' ? 1 : 0),
                    expText.data() + expText.size(), exponent);
    digits.erase(digits.find_last_not_of('0') + 1);

    std::string out = value < 0 ? "-" : "";
    if (exponent >= 0) {
        const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            out += digits;
            out.append(integerDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, integerDigits);
            out += '.';
            out += digits.substr(integerDigits);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    }
    return out;
}

std::string RoundedText(double value, int decimals, int mode) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    const double magnitude = std::abs(value);

    std::string kept;
    char decisive = '0';
    const double product = magnitude * kPowersOfTen[static_cast<std::size_t>(decimals) + 1];
    if (std::isfinite(product)) {
        // The decision is taken on the printed text, not the double: 1.005 * 1000 is a hair
        // below 1005 but prints as 1005, and the user expects 1.01.
        // The leading "0" keeps the kept part from ever being empty (0.005 -> "05").
        const std::string text = "0" + FormatGeneral15(product);
        const auto point = text.find('.');
        const auto decisivePos = (point == std::string::npos ? text.size() : point) - 1;
        decisive = text[decisivePos];
        kept = text.substr(0, decisivePos);
    } else {
        // Only a value near the top of the double range overflows; it has no digits behind
        // its 15 significant ones, so the dropped digit is 0 and the result is the value.
        kept = FormatGeneral15(magnitude);
        kept.append(static_cast<std::size_t>(decimals), '0');
    }

    const bool up = (mode == rmHalfUp && decisive >= '5') || (mode == rmRoundUp && decisive > '0');
    if (up) IncrementDigits(kept);

    std::string result = PlacePoint(std::move(kept), decimals);
    const bool allZero = result.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !allZero) result.insert(result.begin(), '-');
    return result;
}

}  // namespace tarsel::text
