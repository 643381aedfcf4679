#include "areatable/table_text.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/names.h"
#include "text/numbers.h"

namespace tarsel::areatable {
namespace {

// Decodes one code point at text[pos]; a malformed sequence yields U+FFFD for one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char c = byte(pos + static_cast<std::size_t>(i));
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

bool IsWide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

// The text as a terminal may show it: control characters and broken bytes become "?".
std::string Printable(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(text, pos);
        if (IsControl(cp) || (cp == 0xFFFD && pos - start == 1)) {
            out += '?';
        } else {
            out.append(text.substr(start, pos - start));
        }
    }
    return out;
}

enum class Align { Left, Centre, Right };

std::string Pad(const std::string& text, std::size_t width, Align align) {
    const std::size_t have = DisplayWidth(text);
    const std::size_t gap = width > have ? width - have : 0;
    const std::size_t left = align == Align::Right ? gap : align == Align::Centre ? gap / 2 : 0;
    return std::string(left, ' ') + text + std::string(gap - left, ' ');
}

constexpr std::string_view kColumnGap = "  ";

std::string CsvField(std::string_view text) {
    std::string field(text);
    const bool looksLikeFormula =
        !field.empty() &&
        std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos &&
        !text::ParseDecimal(field);
    if (looksLikeFormula) field.insert(0, "'");
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void AppendCsvLine(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out += ',';
        out += CsvField(cells[i]);
    }
    out += '\n';
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    std::size_t pos = 0;
    while (pos < text.size()) width += IsWide(NextCodePoint(text, pos)) ? 2 : 1;
    return width;
}

std::string FormatAreaTableText(const AreaTable& table) {
    const std::size_t n = table.headers.size();
    std::vector<std::string> headers;
    for (const auto& h : table.headers) headers.push_back(Printable(h));
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : table.rows) {
        std::vector<std::string> cells;
        for (const auto& cell : row) cells.push_back(Printable(cell));
        rows.push_back(std::move(cells));
    }

    std::vector<std::size_t> widths(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        widths[i] = DisplayWidth(headers[i]);
        for (const auto& row : rows) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
    std::size_t labelWidth = 0;
    for (const auto& s : table.summary) {
        widths[n - 1] = std::max(widths[n - 1], DisplayWidth(s.value));
        labelWidth = std::max(labelWidth, DisplayWidth(s.label));
    }
    // The label cell spans every column but the last; widen the first column if it must grow.
    std::size_t spanned = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) spanned += widths[i] + (i > 0 ? kColumnGap.size() : 0);
    if (labelWidth > spanned) {
        widths[0] += labelWidth - spanned;
        spanned = labelWidth;
    }
    const std::size_t total = spanned + kColumnGap.size() + widths[n - 1];

    std::string out;
    const auto appendRow = [&](const std::vector<std::string>& cells, Align align) {
        for (std::size_t i = 0; i < n; ++i) {
            if (i > 0) out += kColumnGap;
            out += Pad(cells[i], widths[i], align);
        }
        out += '\n';
    };
    const std::string rule(total, '-');
    appendRow(headers, Align::Centre);
    out += rule + '\n';
    for (const auto& row : rows) appendRow(row, Align::Right);
    out += rule + '\n';
    for (const auto& s : table.summary) {
        out += Pad(Printable(s.label), spanned, Align::Right);
        out += kColumnGap;
        out += Pad(Printable(s.value), widths[n - 1], Align::Right);
        out += '\n';
    }
    return out;
}

std::string FormatAreaTableCsv(const AreaTable& table) {
    std::string out;
    AppendCsvLine(out, table.headers);
    for (const auto& row : table.rows) AppendCsvLine(out, row);
    const std::size_t n = table.headers.size();
    for (const auto& s : table.summary) {
        std::vector<std::string> cells(n);
        cells[n - 2] = s.label;
        cells[n - 1] = s.value;
        AppendCsvLine(out, cells);
    }
    return out;
}

}  // namespace tarsel::areatable
