#include "areatable/table_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "text/names.h"
#include "text/numbers.h"
#include "text/rounding.h"

namespace tarsel::areatable {
namespace {

using geometry::TAcadPoint;

constexpr int kMaxDigits = 6;

// RoundedText works on 15 significant digits of value x 10^(digits+1); from 1e15 on, digits
// of the figure itself would be lost.
constexpr double kLargestScaled = 1e15;

double PowerOfTen(int exponent) {
    double p = 1;
    for (int i = 0; i < exponent; ++i) p *= 10;
    return p;
}

// RoundedText for a figure of the table; nullopt for a value it cannot print faithfully
// (negative, not finite, or too large for its decimals).
std::optional<std::string> Figure(double value, int digits, int mode) {
    if (!std::isfinite(value) || value < 0) return std::nullopt;
    const double scaled = value * PowerOfTen(digits + 1);
    if (scaled >= kLargestScaled) return std::nullopt;
    return text::RoundedText(value, digits, mode);
}

// A printed figure read back as the number it shows.
double ReadBack(const std::string& figure) {
    return text::ParseDecimal(figure).value_or(0);
}

// Control characters would garble a message on a terminal; show them as \xNN.
std::string Quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string MethodName(AreaMethod method) {
    return method == AreaMethod::Heron ? "ヘロン" : "三斜";
}

std::optional<double> PositiveSetting(std::string_view text) {
    const auto value = text::ParseDecimal(text);
    if (!value || *value <= 0) return std::nullopt;
    return value;
}

AreaTableResult Failure(std::string message, std::string field = {}, std::string text = {}) {
    return {std::nullopt, std::move(message), std::move(field), std::move(text)};
}

AreaTableResult RecordFailure(std::size_t index, std::string_view line, const std::string& why) {
    return Failure(
        "triangle data line " + std::to_string(index + 1) + " " + Quoted(line) + ": " + why, {},
        std::string(line));
}

std::string WidthsKey(AreaMethod method) {
    return method == AreaMethod::Heron ? "Haba1" : "Haba2";
}

}  // namespace

std::string_view HeaderText(AreaMethod method) {
    return method == AreaMethod::Heron ? "No.,a,b,c,面積" : "No.,底辺,高さ,面積";
}

std::optional<BaseAndHeight> BaseAndHeightTexts(std::string_view aText, std::string_view bText,
                                                std::string_view cText, double scale,
                                                int lengthDigits, int lengthMode) {
    double sides[3] = {};
    const std::string_view texts[3] = {aText, bText, cText};
    for (int i = 0; i < 3; ++i) {
        const std::string_view trimmed = text::Trim(texts[i]);
        if (trimmed.empty()) continue;
        const auto value = text::ParseDecimal(trimmed);
        if (!value) return std::nullopt;
        sides[i] = *value;
    }
    const double base = std::max({sides[0], sides[1], sides[2]});
    const bool allPositive = sides[0] > 0 && sides[1] > 0 && sides[2] > 0;
    const double height =
        allPositive ? 2 * geometry::AreaFromSides(sides[0], sides[1], sides[2]) / base : 0.0;
    auto baseText = Figure(base / scale, lengthDigits, lengthMode);
    auto heightText = Figure(height / scale, lengthDigits, lengthMode);
    if (!baseText || !heightText) return std::nullopt;
    return BaseAndHeight{std::move(*baseText), std::move(*heightText)};
}

AreaTableResult LayoutAreaTable(const TableSettings& settings, const TriangleDataList& records) {
    const text::FigureRounding& rd = settings.rounding;
    for (const int digits : {rd.lengthDigits, rd.areaDigits, rd.totalDigits}) {
        if (digits < 0 || digits > kMaxDigits) {
            return Failure("decimals must lie between 0 and 6, not " + std::to_string(digits),
                           "Keta", std::to_string(digits));
        }
    }
    const auto textHeight = PositiveSetting(settings.textHeight);
    if (!textHeight) {
        return Failure("text height " + Quoted(settings.textHeight) + " is not a positive number",
                       "M_Taka2", settings.textHeight);
    }
    const auto rowHeightValue = PositiveSetting(settings.rowHeight);
    if (!rowHeightValue) {
        return Failure("row height " + Quoted(settings.rowHeight) + " is not a positive number",
                       "G_Taka", settings.rowHeight);
    }
    const auto scaleValue = PositiveSetting(settings.scale);
    if (!scaleValue) {
        return Failure("scale " + Quoted(settings.scale) + " is not a positive number", "Syakudo",
                       settings.scale);
    }
    const double H = *rowHeightValue;
    const double scale = *scaleValue;

    AreaTable table;
    table.method = settings.method;
    table.textHeight = *textHeight;
    table.headers = SplitCommaText(HeaderText(settings.method));
    const std::size_t n = table.headers.size();

    const auto widthFields = SplitCommaText(settings.widths);
    if (widthFields.size() != n) {
        return Failure("column widths " + Quoted(settings.widths) + " must hold " +
                           std::to_string(n) + " entries for " + MethodName(settings.method) +
                           ", not " + std::to_string(widthFields.size()),
                       WidthsKey(settings.method), settings.widths);
    }
    std::vector<double> widths;
    for (const auto& field : widthFields) {
        const auto width = PositiveSetting(field);
        if (!width) {
            return Failure("column width " + Quoted(field) + " in " + Quoted(settings.widths) +
                               " is not a positive number",
                           WidthsKey(settings.method), settings.widths);
        }
        widths.push_back(*width);
    }

    // Every area is computed from the texts printed in its own row, and the totals from the
    // printed row areas, so that the table adds up as a reader checks it by hand.
    double areaSum = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const auto fields = SplitTriangleData(records[k]);
        if (!fields) return RecordFailure(k, records[k], "expected number,a,b,c");
        std::vector<std::string> row{fields->number};
        if (settings.method == AreaMethod::Heron) {
            double printed[3] = {};
            const std::string* texts[3] = {&fields->a, &fields->b, &fields->c};
            for (int i = 0; i < 3; ++i) {
                const auto side = text::ParseDecimal(*texts[i]);
                if (!side) {
                    return RecordFailure(k, records[k],
                                         "side length " + Quoted(*texts[i]) + " is not a number");
                }
                auto text = Figure(*side / scale, rd.lengthDigits, rd.lengthMode);
                if (!text) {
                    return RecordFailure(k, records[k],
                                         "side length " + Quoted(*texts[i]) + " cannot be printed");
                }
                printed[i] = ReadBack(*text);
                row.push_back(std::move(*text));
            }
            auto area = Figure(geometry::AreaFromSides(printed[0], printed[1], printed[2]),
                               rd.areaDigits, rd.areaMode);
            if (!area) return RecordFailure(k, records[k], "area cannot be printed");
            areaSum += ReadBack(*area);
            row.push_back(std::move(*area));
        } else {
            auto baseHeight = BaseAndHeightTexts(fields->a, fields->b, fields->c, scale,
                                                 rd.lengthDigits, rd.lengthMode);
            if (!baseHeight) {
                return RecordFailure(k, records[k],
                                     "side lengths are not numbers that can be printed");
            }
            auto doubled = Figure(ReadBack(baseHeight->base) * ReadBack(baseHeight->height),
                                  rd.areaDigits, rd.areaMode);
            if (!doubled) return RecordFailure(k, records[k], "area cannot be printed");
            areaSum += ReadBack(*doubled);
            row.push_back(std::move(baseHeight->base));
            row.push_back(std::move(baseHeight->height));
            row.push_back(std::move(*doubled));
        }
        table.rows.push_back(std::move(row));
    }

    // The final figure is padded so that its digits line up with the area column above it.
    const std::string padding(static_cast<std::size_t>(std::max(0, rd.areaDigits - rd.totalDigits)),
                              ' ');
    const auto total = Figure(areaSum, rd.areaDigits, rd.areaMode);
    if (!total) return Failure("the total area cannot be printed");
    table.summary.push_back({"合計", *total});
    if (settings.method == AreaMethod::Heron) {
        const auto final = Figure(areaSum, rd.totalDigits, rd.totalMode);
        if (!final) return Failure("the total area cannot be printed");
        table.summary.push_back({"面積", *final + padding});
    } else {
        // The final figure halves the unrounded sum, not the printed half.
        const auto half = Figure(areaSum / 2, rd.areaDigits, rd.areaMode);
        const auto final = Figure(areaSum / 2, rd.totalDigits, rd.totalMode);
        if (!half || !final) return Failure("the total area cannot be printed");
        table.summary.push_back({"1/2", *half});
        table.summary.push_back({"面積", *final + padding});
    }

    const std::size_t m = table.rows.size();
    const std::size_t rowCount = m + 1 + table.summary.size();
    std::vector<double> x{0.0};  // left edge of each column; x[n] is the table width
    for (const double w : widths) x.push_back(x.back() + w);
    // 0.0 - v rather than -v: the top rule lies at +0, never at -0.
    const auto ruleY = [H](std::size_t r) { return 0.0 - static_cast<double>(r) * H; };
    const auto textY = [H](std::size_t r) { return 0.0 - (static_cast<double>(r) + 0.5) * H; };

    auto& items = table.items;
    for (std::size_t r = 0; r <= rowCount; ++r) {
        items.emplace_back(TableLine{{0, ruleY(r), 0}, {x[n], ruleY(r), 0}});
    }
    // The inner rules stop below the last data row: each summary row has one wide label cell.
    for (std::size_t i = 0; i <= n; ++i) {
        const bool full = i == 0 || i + 1 >= n;
        items.emplace_back(TableLine{{x[i], 0, 0}, {x[i], ruleY(full ? rowCount : m + 1), 0}});
    }
    for (std::size_t i = 0; i < n; ++i) {
        items.emplace_back(
            TableText{table.headers[i], {x[i] + widths[i] / 2, textY(0), 0}, kAlignMiddleCenter});
    }
    for (std::size_t k = 0; k < m; ++k) {
        for (std::size_t j = 0; j < n; ++j) {
            items.emplace_back(TableText{
                table.rows[k][j], {x[j + 1] - H / 2, textY(k + 1), 0}, kAlignMiddleRight});
        }
    }
    for (std::size_t s = 0; s < table.summary.size(); ++s) {
        const double y = textY(m + 1 + s);
        items.emplace_back(
            TableText{table.summary[s].label, {x[n - 1] - H / 2, y, 0}, kAlignMiddleRight});
        items.emplace_back(
            TableText{table.summary[s].value, {x[n] - H / 2, y, 0}, kAlignMiddleRight});
    }
    return {std::move(table), {}, {}, {}};
}

}  // namespace tarsel::areatable
