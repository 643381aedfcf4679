#include "areatable/triangle_data.h"

#include <array>
#include <charconv>
#include <system_error>
#include <utility>

namespace tarsel::areatable {
namespace {

void AppendFixed8(std::string& out, double value) {
    // Room for the longest fixed form of a double (309 integer digits), sign and decimals.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 8);
    out.append(buffer.data(), result.ptr);
}

}  // namespace

TTriangleData MakeTriangleData(std::string_view number, double a, double b, double c) {
    TTriangleData line(number);
    for (const double length : {a, b, c}) {
        line += ',';
        AppendFixed8(line, length);
    }
    return line;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> fields;
    for (;;) {
        const auto comma = text.find(',');
        if (comma == std::string_view::npos) {
            fields.emplace_back(text);
            return fields;
        }
        fields.emplace_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
}

namespace {

// Position of the comma that ends the number part, or npos for a line with fewer than four
// fields.
std::size_t NumberEnd(std::string_view line) {
    std::size_t end = line.size();
    for (int i = 0; i < 3; ++i) {
        if (end == 0) return std::string_view::npos;
        end = line.rfind(',', end - 1);
        if (end == std::string_view::npos) return std::string_view::npos;
    }
    return end;
}

}  // namespace

std::optional<TriangleDataFields> SplitTriangleData(std::string_view line) {
    const std::size_t numberEnd = NumberEnd(line);
    if (numberEnd == std::string_view::npos) return std::nullopt;
    const auto lengths = SplitCommaText(line.substr(numberEnd + 1));
    return TriangleDataFields{std::string(line.substr(0, numberEnd)), lengths[0], lengths[1],
                              lengths[2]};
}

std::string_view TriangleDataNumber(std::string_view line) {
    const std::size_t numberEnd = NumberEnd(line);
    if (numberEnd != std::string_view::npos) return line.substr(0, numberEnd);
    return line.substr(0, line.find(','));
}

std::int32_t TriangleNumberKey(std::string_view number) {
    std::string_view digits = number;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty()) return 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
    }
    // Parsed with the sign so that the most negative 32-bit value still fits.
    const char* first = number.front() == '+' ? number.data() + 1 : number.data();
    std::int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), value);
    if (ec != std::errc() || ptr != number.data() + number.size()) return 0;
    return value;
}

std::int32_t TriangleDataKey(std::string_view line) {
    return TriangleNumberKey(TriangleDataNumber(line));
}

void SortTriangleData(TriangleDataList& list) {
    const std::size_t n = list.size();
    if (n < 2) return;
    std::vector<std::int32_t> keys;
    keys.reserve(n);
    for (const auto& line : list) keys.push_back(TriangleDataKey(line));
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (keys[j] < keys[i]) {
                std::swap(keys[i], keys[j]);
                std::swap(list[i], list[j]);
            }
        }
    }
}

}  // namespace tarsel::areatable
