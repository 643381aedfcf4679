#include "minicad/dxf_groups.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "geometry/primitives.h"
#include "minicad/dxf.h"
#include "platform/codepage.h"
#include "text/names.h"
#include "text/numbers.h"
#include "text/utf8.h"

namespace tarsel::minicad {

namespace {
std::string Compose(const std::string& source, int line, const std::string& message) {
    std::string s = source;
    if (line > 0) s += ":" + std::to_string(line);
    return s + ": " + message;
}
}  // namespace

DxfError::DxfError(std::string source, int line, std::string message)
    : std::runtime_error(Compose(source, line, message)),
      source_(std::move(source)),
      line_(line),
      message_(std::move(message)) {}

namespace dxf {
namespace {

constexpr double kRadiansPerDegree = geometry::kDegToRad;

// A value quoted in a message: short, and with anything unprintable shown as '?', so a
// binary file cannot fill a message box with garbage.
std::string Quote(std::string_view raw) {
    constexpr std::size_t kMax = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < raw.size() && i < kMax; ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (raw.size() > kMax) out += "...";
    return out + "'";
}

// Numbers of a group: the locale-free reader every file of the program uses.
bool ParseReal(std::string_view text, double& out) {
    const std::optional<double> v = text::ParseDecimal(text);
    if (v) out = *v;
    return v.has_value();
}

bool ParseInteger(std::string_view text, std::int64_t& out) {
    const std::optional<std::int64_t> v = text::ParseInteger(text);
    if (v) out = *v;
    return v.has_value();
}

// Next code point of possibly broken UTF-8; a byte that starts no valid sequence is U+FFFD.
std::uint32_t NextCodePoint(std::string_view s, std::size_t& i, bool& broken) {
    constexpr std::uint32_t kReplacement = 0xFFFD;
    broken = false;
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80                   ? 1
                      : (c >= 0xC2 && c <= 0xDF) ? 2
                      : (c >= 0xE0 && c <= 0xEF) ? 3
                      : (c >= 0xF0 && c <= 0xF4) ? 4
                                                 : 0;
    if (len == 0 || i + len > s.size() || !platform::IsValidUtf8(s.substr(i, len))) {
        ++i;
        broken = true;
        return kReplacement;
    }
    std::uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    return cp;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at s[i..i+4), or -1.
int Hex4(std::string_view s, std::size_t i) {
    if (i + 4 > s.size()) return -1;
    int v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const int h = HexValue(s[i + k]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

// The code page of \M+n: the Asian code pages of old multibyte AutoCAD releases.
unsigned MifCodePage(char n) {
    switch (n) {
        case '1': return 932;   // Japanese
        case '2': return 950;   // Traditional Chinese
        case '3': return 949;   // Korean (Wansung)
        case '4': return 1361;  // Korean (Johab)
        case '5': return 936;   // Simplified Chinese
        default: return 0;
    }
}

}  // namespace

std::optional<ValueKind> KindOfCode(int code) {
    struct Range {
        int first, last;
        ValueKind kind;
    };
    // Reals and integers by the ranges of the DXF reference; every other code up to 1071 is
    // text (names, handles, and the ranges nobody assigns, which readers pass over).
    static constexpr Range kRanges[] = {
        {10, 59, ValueKind::Real},      {60, 79, ValueKind::Integer},
        {90, 99, ValueKind::Integer},   {110, 149, ValueKind::Real},
        {160, 179, ValueKind::Integer}, {210, 239, ValueKind::Real},
        {270, 299, ValueKind::Integer}, {370, 389, ValueKind::Integer},
        {400, 409, ValueKind::Integer}, {420, 429, ValueKind::Integer},
        {440, 459, ValueKind::Integer}, {460, 469, ValueKind::Real},
        {1010, 1059, ValueKind::Real},  {1060, 1071, ValueKind::Integer},
    };
    if (code < 0 || code > 1071) return std::nullopt;
    for (const Range& r : kRanges)
        if (code >= r.first && code <= r.last) return r.kind;
    return ValueKind::Text;
}

std::vector<Group> Lex(std::string_view content, const std::string& sourceName) {
    if (content.substr(0, 18) == "AutoCAD Binary DXF")
        throw DxfError(sourceName, 1, "binary DXF is not supported; save the drawing as ASCII DXF");
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);

    std::vector<Group> groups;
    std::size_t pos = 0;
    int lineNo = 0;
    auto nextLine = [&](std::string_view& line) {
        if (pos >= content.size()) return false;
        std::size_t end = content.find('\n', pos);
        if (end == std::string_view::npos) end = content.size();
        line = content.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        ++lineNo;
        return true;
    };

    std::string_view codeLine;
    while (nextLine(codeLine)) {
        Group g;
        g.line = lineNo;
        std::int64_t code = 0;
        if (!ParseInteger(codeLine, code) || code < std::numeric_limits<int>::min() ||
            code > std::numeric_limits<int>::max())
            throw DxfError(sourceName, lineNo, "expected a group code, found " + Quote(codeLine));
        const auto kind = KindOfCode(static_cast<int>(code));
        if (!kind && code != 999)
            throw DxfError(sourceName, lineNo, std::to_string(code) + " is not a DXF group code");
        g.code = static_cast<int>(code);
        if (!nextLine(g.raw))
            throw DxfError(sourceName, lineNo,
                           "the file ends after group code " + std::to_string(code) +
                               " without its value (truncated?)");
        if (code == 999) continue;
        if (*kind == ValueKind::Real && !ParseReal(g.raw, g.real))
            throw DxfError(
                sourceName, lineNo,
                "group " + std::to_string(code) + " needs a finite number, found " + Quote(g.raw));
        if (*kind == ValueKind::Integer && !ParseInteger(g.raw, g.integer))
            throw DxfError(
                sourceName, lineNo,
                "group " + std::to_string(code) + " needs an integer, found " + Quote(g.raw));
        const bool eof = g.code == 0 && text::Trim(g.raw) == "EOF";
        groups.push_back(g);
        if (eof) break;  // whatever follows the end marker is not part of the drawing
    }
    if (groups.empty()) throw DxfError(sourceName, 0, "the file holds no DXF data");
    return groups;
}

const Group& Cursor::Current() const {
    if (AtEnd()) Fail("the file ends in the middle of the drawing (truncated?)");
    return groups_[pos_];
}

bool Cursor::Is(int code, std::string_view value) const {
    return !AtEnd() && groups_[pos_].code == code && text::Trim(groups_[pos_].raw) == value;
}

int Cursor::Line() const {
    if (groups_.empty()) return 0;
    return AtEnd() ? groups_.back().line : groups_[pos_].line;
}

std::span<const Group> Cursor::TakeRecord() {
    const std::size_t first = pos_ + 1;
    std::size_t end = first;
    while (end < groups_.size() && groups_[end].code != 0) ++end;
    pos_ = end;
    if (first >= end) return {};
    return std::span<const Group>(groups_.data() + first, end - first);
}

void Cursor::Fail(const std::string& message) const {
    throw DxfError(source_, Line(), message);
}

void Cursor::FailAt(int line, const std::string& message) const {
    throw DxfError(source_, line, message);
}

std::string FormatReal(double value) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, ec == std::errc() ? p : buf);
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

double RadiansFromDegrees(double degrees) {
    return degrees * kRadiansPerDegree;
}

std::string DegreesText(double radians) {
    const double guess = radians / kRadiansPerDegree;
    // The quotient may miss by an ulp or two; search its neighbours for the degree values
    // that convert back exactly and keep the shortest text ("30.0", not "29.999999999999996").
    // Not every double is the product of a double and the constant, so some radians have no
    // exact degree value at all; they get the nearest one, an ulp away.
    std::string best;
    double nearest = guess;
    auto consider = [&](double d) {
        const double back = RadiansFromDegrees(d);
        if (std::fabs(back - radians) < std::fabs(RadiansFromDegrees(nearest) - radians))
            nearest = d;
        if (back != radians) return;
        std::string s = FormatReal(d);
        if (best.empty() || s.size() < best.size()) best = std::move(s);
    };
    consider(guess);
    double down = guess, up = guess;
    for (int i = 0; i < 8; ++i) {
        down = std::nextafter(down, -std::numeric_limits<double>::infinity());
        up = std::nextafter(up, std::numeric_limits<double>::infinity());
        consider(down);
        consider(up);
    }
    return best.empty() ? FormatReal(nearest) : best;
}

std::optional<std::string> DecodeText(std::string_view s, bool unicodeEscapes) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '^' && i + 1 < s.size()) {
            const char n = s[i + 1];
            if (n == ' ') {
                out += '^';
                i += 2;
                continue;
            }
            if (n >= '@' && n <= '_') {
                out += static_cast<char>(n - '@');
                i += 2;
                continue;
            }
        }
        if (c == '\\' && unicodeEscapes && i + 2 < s.size() && s[i + 2] == '+') {
            if (s[i + 1] == 'U') {
                int unit = Hex4(s, i + 3);
                if (unit >= 0) {
                    std::uint32_t cp = static_cast<std::uint32_t>(unit);
                    std::size_t used = 7;
                    if (cp >= 0xD800 && cp <= 0xDBFF && s.substr(i + 7, 3) == "\\U+") {
                        const int low = Hex4(s, i + 10);
                        if (low >= 0xDC00 && low <= 0xDFFF) {
                            cp = 0x10000 + ((cp - 0xD800) << 10) +
                                 (static_cast<std::uint32_t>(low) - 0xDC00);
                            used = 14;
                        }
                    }
                    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone half of a pair
                    text::AppendUtf8(out, cp);
                    i += used;
                    continue;
                }
            } else if (s[i + 1] == 'M' && i + 3 < s.size()) {
                const unsigned codePage = MifCodePage(s[i + 3]);
                const int bytes = Hex4(s, i + 4);
                if (codePage != 0 && bytes >= 0) {
                    std::string mb;
                    if (bytes > 0xFF) mb += static_cast<char>(bytes >> 8);
                    mb += static_cast<char>(bytes & 0xFF);
                    auto decoded = platform::DecodeCodePage(mb, codePage);
                    if (!decoded) return std::nullopt;
                    out += *decoded;
                    i += 8;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

std::string EncodeText(std::string_view utf8, bool asciiOnly) {
    std::string out;
    out.reserve(utf8.size());
    auto escape = [&out](std::uint32_t unit) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        out += "\\U+";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        bool broken = false;
        const std::uint32_t cp = NextCodePoint(utf8, i, broken);
        if (cp < 0x20) {
            out += '^';
            out += static_cast<char>(cp + '@');
        } else if (cp == '^') {
            out += "^ ";
        } else if (cp == '\\' && utf8.size() > i + 1 && utf8[i + 1] == '+' &&
                   (utf8[i] == 'U' || utf8[i] == 'M')) {
            escape(cp);
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (!asciiOnly) {
            if (broken)
                text::AppendUtf8(out, cp);
            else
                out.append(utf8.substr(start, i - start));
        } else if (cp >= 0x10000) {
            escape(0xD800 + ((cp - 0x10000) >> 10));
            escape(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            escape(cp);
        }
    }
    return out;
}

}  // namespace dxf
}  // namespace tarsel::minicad
