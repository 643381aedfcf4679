#include "geometry/outline_text.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "text/names.h"
#include "text/numbers.h"

namespace tarsel::geometry {

namespace {

constexpr std::size_t kQuotedLength = 40;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A token as it may appear in a message: cut short, and with control and non-ASCII bytes
// escaped so that a hostile file cannot write to the terminal.
std::string Quoted(std::string_view token) {
    std::string out = "'";
    for (std::size_t k = 0; k < token.size() && k < kQuotedLength; ++k) {
        const auto c = static_cast<unsigned char>(token[k]);
        if (c >= 0x20 && c < 0x7f && c != '\'') {
            out += static_cast<char>(c);
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        }
    }
    if (token.size() > kQuotedLength) out += "...";
    return out + "'";
}

// Splits a line into number fields separated by blanks or by one comma (blanks around it
// allowed). An empty field between commas, or a comma at either end, is an error.
bool SplitFields(std::string_view line, std::vector<std::string_view>& fields, std::string& error) {
    fields.clear();
    std::size_t pos = 0;
    bool afterComma = true;  // a comma before the first field is an empty field
    bool sawComma = false;
    while (true) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size()) break;
        if (line[pos] == ',') {
            if (afterComma) {
                error = "empty field before a comma";
                return false;
            }
            afterComma = true;
            sawComma = true;
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != ',') ++pos;
        fields.push_back(line.substr(start, pos - start));
        afterComma = false;
    }
    if (afterComma && sawComma) {
        error = "empty field after a comma";
        return false;
    }
    return true;
}

// "inf", "infinity" and "nan" (any letter case, one sign, "nan(...)"): words a number writer
// may have left for a value it could not print, told apart from plain garbage.
bool IsNonFiniteWord(std::string_view token) {
    if (!token.empty() && (token.front() == '+' || token.front() == '-')) token.remove_prefix(1);
    const std::string word = text::UpperAscii(token);
    return word == "INF" || word == "INFINITY" || word == "NAN" ||
           (word.starts_with("NAN(") && word.ends_with(")"));
}

std::optional<double> ParseNumber(std::string_view token, std::string& error) {
    text::NumberError why{};
    const std::optional<double> value = text::ParseDecimal(token, &why);
    if (value) return value;
    if (why == text::NumberError::kOutOfRange) {
        error = "number out of range: " + Quoted(token);
    } else if (IsNonFiniteWord(token)) {
        error = "not a finite number: " + Quoted(token);
    } else {
        error = "not a number: " + Quoted(token);
    }
    return std::nullopt;
}

}  // namespace

ParsedOutline ParseOutlineText(std::string_view text) {
    ParsedOutline result;
    // A byte order mark from an editor is not part of the first number.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    std::vector<std::string_view> fields;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }

        std::string error;
        if (!SplitFields(line, fields, error)) {
            return {{}, error, lineNumber};
        }
        if (fields.empty()) continue;
        if (fields.size() != 2 && fields.size() != 3) {
            return {{},
                    "expected \"x y\" or \"x,y\" with an optional z, found " +
                        std::to_string(fields.size()) + " fields",
                    lineNumber};
        }
        double numbers[3] = {0, 0, 0};
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const std::optional<double> number = ParseNumber(fields[k], error);
            if (!number) return {{}, error, lineNumber};
            numbers[k] = *number;
        }
        result.vertices.push_back({numbers[0], numbers[1], 0});
        if (newline == std::string_view::npos) break;
    }
    if (result.vertices.empty()) return {{}, "no vertex", 0};
    return result;
}

}  // namespace tarsel::geometry
