// Model space to SVG. Every shape is computed in world coordinates here (object coordinate
// systems, block transforms, bulges, splines flattened), so the extents are exact for
// geometry and the SVG needs no transforms but the one y flip and the text frames.
#include "minicad/svg_render.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <optional>
#include <span>
#include <string_view>

#include "platform/codepage.h"
#include "text/names.h"
#include "text/utf8.h"

namespace tarsel::minicad {

namespace {

using dxf::FindGroup;
using dxf::Group;
using dxf::IntegerOr;
using dxf::ObjectGroups;
using dxf::RealOr;
using Groups = std::span<const Group>;

constexpr double kPi = std::numbers::pi;
constexpr int kMaxBlockDepth = 16;  // nesting a user's drawing never reaches
// Beyond these no viewer shows more; they also end blocks that nest a few copies of each other
// a dozen times over (10 to the 12th entities from a file of a few hundred lines).
constexpr std::size_t kMaxElements = 200'000;
constexpr std::size_t kMaxVisits = 1'000'000;  // entities looked at, drawn or not
constexpr double kSegmentAngle = kPi / 36;     // 5 degrees per chord of a flattened curve
constexpr char kFontStack[] = "'MS Gothic', 'Noto Sans CJK JP', IPAGothic, sans-serif";

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(Vec3 a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
Vec3 Unit(Vec3 a) {
    const double length = Length(a);
    return length > 0 ? a * (1 / length) : Vec3{};
}

// x' = ex·x + ey·y + ez·z + origin: object coordinates, block transforms, their products.
struct Affine {
    Vec3 ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1}, origin{};
    [[nodiscard]] Vec3 Vector(Vec3 v) const { return ex * v.x + ey * v.y + ez * v.z; }
    [[nodiscard]] Vec3 Point(Vec3 p) const { return Vector(p) + origin; }
    // this after inner
    [[nodiscard]] Affine After(const Affine& inner) const {
        return {Vector(inner.ex), Vector(inner.ey), Vector(inner.ez), Point(inner.origin)};
    }
    // How much the plan view scales lengths, for widths: the root of the area factor.
    [[nodiscard]] double PlanScale() const {
        return std::sqrt(std::abs(ex.x * ey.y - ex.y * ey.x));
    }
};

// The arbitrary axis algorithm: the object coordinate system of an extrusion direction.
Affine ObjectSystem(Vec3 normal) {
    const Vec3 az = Unit(normal);
    if (Length(az) == 0) return {};
    constexpr double kNear = 1.0 / 64;
    const Vec3 ax = Unit(std::abs(az.x) < kNear && std::abs(az.y) < kNear ? Cross({0, 1, 0}, az)
                                                                          : Cross({0, 0, 1}, az));
    return {ax, Cross(az, ax), az, {}};
}

Vec3 PointOf(Groups g, int code, Vec3 fallback = {}) {
    const Group* x = FindGroup(g, code);
    if (!x) return fallback;
    return {x->real, RealOr(g, code + 10, 0), RealOr(g, code + 20, 0)};
}

Affine ObjectSystemOf(Groups g) {
    return ObjectSystem(PointOf(g, 210, {0, 0, 1}));
}

// ---- colours ---------------------------------------------------------------------------------

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb FromTrueColor(std::int64_t value) {
    return {static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
            static_cast<int>(value & 0xFF)};
}

// The AutoCAD Color Index: 1-9 named colours, 10-249 24 hues in 15 degree steps, each in five
// brightnesses at full and half saturation, 250-255 greys.
Rgb AciColor(int index, SvgBackground background) {
    const Rgb foreground = background == SvgBackground::Dark ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    static constexpr Rgb kNamed[] = {
        {0, 0, 0},   {255, 0, 0},   {255, 255, 0},   {0, 255, 0},     {0, 255, 255},
        {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {128, 128, 128}, {192, 192, 192}};
    if (index == 7 || index < 1 || index > 255) return foreground;
    if (index < 10) return kNamed[index];
    if (index >= 250) {
        static constexpr int kGrey[] = {51, 80, 105, 130, 190, 255};
        const int v = kGrey[index - 250];
        return {v, v, v};
    }
    static constexpr double kValue[] = {255, 165, 127, 76, 38};
    const double value = kValue[(index % 10) / 2];
    const double low = index % 2 ? value / 2 : 0;  // odd: half saturation
    const double hue = (index / 10 - 1) * 15.0;
    // HSV with saturation giving the low component, hue in 60 degree sextants.
    const double h = hue / 60;
    const int sextant = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double rising = low + (value - low) * f, falling = value - (value - low) * f;
    double r = 0, g = 0, b = 0;
    switch (sextant) {
        case 0: r = value, g = rising, b = low; break;
        case 1: r = falling, g = value, b = low; break;
        case 2: r = low, g = value, b = rising; break;
        case 3: r = low, g = falling, b = value; break;
        case 4: r = rising, g = low, b = value; break;
        default: r = value, g = low, b = falling; break;
    }
    return {static_cast<int>(r), static_cast<int>(g), static_cast<int>(b)};
}

std::string ColorText(Rgb c) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "#";
    for (int v : {c.r, c.g, c.b}) {
        out += kHex[(v >> 4) & 0xF];
        out += kHex[v & 0xF];
    }
    return out;
}

// ---- text ------------------------------------------------------------------------------------

// Well-formed XML character data: markup characters escaped, bytes that are not UTF-8 and
// characters XML does not allow shown as U+FFFD.
std::string XmlEscape(std::string_view utf8) {
    std::string out;
    for (const char32_t cp : platform::Utf8CodePoints(utf8)) {
        switch (cp) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if ((cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') ||
                    (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF || cp > 0x10FFFF)
                    text::AppendUtf8(out, U'\uFFFD');
                else
                    text::AppendUtf8(out, cp);
        }
    }
    // Utf8CodePoints reads malformed bytes leniently; a well-formed result is what counts.
    if (!platform::IsValidUtf8(out)) return "\xEF\xBF\xBD";
    return out;
}

// TEXT and ATTRIB control codes: %%d degree, %%p plus-minus, %%c diameter, %%nnn a character,
// %%u and %%o (under- and overline) dropped, %%% a percent sign.
std::string TextControlCodes(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s.substr(i, 2) != "%%" || i + 2 >= s.size()) {
            out += s[i++];
            continue;
        }
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 2])));
        if (c == 'd') {
            out += "\xC2\xB0";
        } else if (c == 'p') {
            out += "\xC2\xB1";
        } else if (c == 'c') {
            out += "\xE2\x8C\x80";
        } else if (c == '%') {
            out += '%';
        } else if (c == 'u' || c == 'o') {
        } else if (c >= '0' && c <= '9' && i + 4 < s.size()) {
            int code = 0;
            for (std::size_t k = i + 2; k < i + 5; ++k)
                code =
                    std::isdigit(static_cast<unsigned char>(s[k])) ? code * 10 + (s[k] - '0') : -1;
            if (code > 0) text::AppendUtf8(out, static_cast<char32_t>(code));
            i += 5;
            continue;
        } else {
            out += "%%";
            i += 2;
            continue;
        }
        i += 3;
    }
    return out;
}

std::vector<std::string> SplitLines(const std::string& s) {
    std::vector<std::string> lines(1);
    for (char c : s) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += c;
    }
    return lines;
}

// A width good enough for extents: full-width characters a square, others six tenths.
double EstimateWidth(std::string_view line, double height) {
    double width = 0;
    for (const char32_t cp : platform::Utf8CodePoints(line)) width += cp >= 0x1100 ? 1.0 : 0.6;
    return width * height;
}

std::string Num(double value) {
    if (value == 0 || !std::isfinite(value)) return "0";
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 10);
    return std::string(buffer.data(), result.ptr);
}

// ---- curves ----------------------------------------------------------------------------------

int SegmentsFor(double sweep) {
    return std::clamp(static_cast<int>(std::ceil(std::abs(sweep) / kSegmentAngle)), 1, 720);
}

// Points of an ellipse arc c + cos t·major + sin t·minor, t from start over sweep.
std::vector<Vec3> EllipseArc(Vec3 c, Vec3 major, Vec3 minor, double start, double sweep) {
    const int n = SegmentsFor(sweep);
    std::vector<Vec3> points;
    points.reserve(n + 1);
    for (int k = 0; k <= n; ++k) {
        const double t = start + sweep * k / n;
        points.push_back(c + major * std::cos(t) + minor * std::sin(t));
    }
    return points;
}

// The counter-clockwise sweep from a to b, in (0, 2π].
double SweepCcw(double a, double b) {
    double sweep = std::fmod(b - a, 2 * kPi);
    if (sweep <= 1e-12) sweep += 2 * kPi;
    return sweep;
}

// A NURBS curve by de Boor's algorithm in homogeneous coordinates. Knots that do not fit the
// control points are replaced by clamped uniform ones; bad weights by 1.
std::vector<Vec3> Nurbs(int degree, std::vector<double> knots, const std::vector<Vec3>& control,
                        std::vector<double> weights) {
    const int n = static_cast<int>(control.size());
    if (n < 2 || degree < 1) return control;
    const int p = std::min(degree, n - 1);
    if (static_cast<int>(knots.size()) != n + p + 1 ||
        !std::is_sorted(knots.begin(), knots.end())) {
        knots.assign(n + p + 1, 0);
        for (int k = 0; k < n + p + 1; ++k) knots[k] = std::clamp(k - p, 0, n - p);
    }
    if (static_cast<int>(weights.size()) != n) weights.assign(n, 1);
    for (double& w : weights)
        if (!(w > 0) || !std::isfinite(w)) w = 1;
    const double lo = knots[p], hi = knots[n];
    if (!(hi > lo)) return control;
    const int samples = std::clamp(n * 8, 16, 4000);
    std::vector<Vec3> points;
    std::vector<Vec3> d(p + 1);
    std::vector<double> dw(p + 1);
    for (int s = 0; s <= samples; ++s) {
        const double u = lo + (hi - lo) * s / samples;
        int k = p;
        while (k < n - 1 && knots[k + 1] <= u) ++k;
        for (int j = 0; j <= p; ++j) {
            dw[j] = weights[j + k - p];
            d[j] = control[j + k - p] * dw[j];
        }
        for (int r = 1; r <= p; ++r) {
            for (int j = p; j >= r; --j) {
                const double span = knots[j + 1 + k - r] - knots[j + k - p];
                const double alpha = span > 0 ? (u - knots[j + k - p]) / span : 0;
                d[j] = d[j - 1] * (1 - alpha) + d[j] * alpha;
                dw[j] = dw[j - 1] * (1 - alpha) + dw[j] * alpha;
            }
        }
        points.push_back(dw[p] != 0 ? d[p] * (1 / dw[p]) : d[p]);
    }
    return points;
}

// A smooth curve through fit points (Catmull-Rom), for splines that hold no control points.
std::vector<Vec3> ThroughPoints(const std::vector<Vec3>& fit) {
    if (fit.size() < 3) return fit;
    std::vector<Vec3> points;
    for (std::size_t i = 0; i + 1 < fit.size(); ++i) {
        const Vec3 p0 = fit[i ? i - 1 : 0], p1 = fit[i], p2 = fit[i + 1];
        const Vec3 p3 = fit[std::min(i + 2, fit.size() - 1)];
        for (int k = 0; k < 8; ++k) {
            const double t = k / 8.0, t2 = t * t, t3 = t2 * t;
            points.push_back((p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 +
                              (p1 * 3 - p0 - p2 * 3 + p3) * t3) *
                             0.5);
        }
    }
    points.push_back(fit.back());
    return points;
}

// One polyline vertex in object coordinates, with the widths and bulge of the segment it starts.
struct Vertex {
    Vec3 p;
    double startWidth = 0, endWidth = 0, bulge = 0;
};

// The segment from a to b with bulge (tan of a quarter of the arc's angle), as points after a.
void AppendBulge(std::vector<Vec3>& out, Vec3 a, Vec3 b, double bulge) {
    if (std::abs(bulge) < 1e-12) {
        out.push_back(b);
        return;
    }
    const Vec3 d = b - a;
    const Vec3 left{-d.y, d.x, 0};
    const Vec3 center = (a + b) * 0.5 + left * ((1 - bulge * bulge) / (4 * bulge));
    const double sweep = 4 * std::atan(bulge);
    const double radius = Length(a - center);
    const double start = std::atan2(a.y - center.y, a.x - center.x);
    const int n = SegmentsFor(sweep);
    for (int k = 1; k < n; ++k) {
        const double t = start + sweep * k / n;
        out.push_back({center.x + radius * std::cos(t), center.y + radius * std::sin(t), a.z});
    }
    out.push_back(b);
}

struct Ring {
    std::vector<Vec3> points;  // world coordinates
    bool closed = false;
};

// ---- MTEXT -----------------------------------------------------------------------------------

std::optional<char32_t> Hex4At(std::string_view s, std::size_t at) {
    if (at + 4 > s.size()) return std::nullopt;
    char32_t v = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
        const char c = s[k];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) return std::nullopt;
        v = v * 16 + static_cast<char32_t>(digit);
    }
    return v;
}

}  // namespace

std::string MtextPlainText(std::string_view value) {
    // Carets first (^J a line feed, ^I a tab), as in every string value; the backslash codes
    // are MTEXT's own.
    const std::string carets = dxf::DecodeText(value, false).value_or(std::string(value));
    const std::string_view s = carets;
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= s.size()) {
            out += c;
            ++i;
            continue;
        }
        const char code = s[i + 1];
        switch (code) {
            case 'P':
                out += '\n';
                i += 2;
                continue;
            case 'N':
                out += '\n';
                i += 2;
                continue;  // a new column: shown below
            case '~':
                out += "\xC2\xA0";
                i += 2;
                continue;
            case '\\':
            case '{':
            case '}':
                out += code;
                i += 2;
                continue;
            case 'L':
            case 'l':
            case 'O':
            case 'o':
            case 'K':
            case 'k': i += 2; continue;
            case 'U':
                if (i + 2 < s.size() && s[i + 2] == '+') {
                    if (const auto cp = Hex4At(s, i + 3)) {
                        text::AppendUtf8(out, *cp >= 0xD800 && *cp <= 0xDFFF ? U'\uFFFD' : *cp);
                        i += 7;
                        continue;
                    }
                }
                break;
            case 'M':
                if (i + 7 < s.size() && s[i + 2] == '+') {
                    if (auto decoded = dxf::DecodeText(s.substr(i, 8), true)) {
                        out += *decoded;
                        i += 8;
                        continue;
                    }
                }
                break;
            case 'S': {
                // Stacked text up to ';': "1^2" or "1/2" or "1#2" shown as 1/2.
                const std::size_t end = s.find(';', i + 2);
                const std::string_view stacked = s.substr(
                    i + 2, end == std::string_view::npos ? std::string_view::npos : end - i - 2);
                for (char k : stacked) out += (k == '^' || k == '#') ? '/' : k;
                i = end == std::string_view::npos ? s.size() : end + 1;
                continue;
            }
            default: break;
        }
        if (std::string_view("AaCcFfHhQqTtWwpXx").find(code) != std::string_view::npos) {
            // A formatting code with a value up to ';' (\H2.5x; \fArial|b0;) draws nothing.
            const std::size_t end = s.find(';', i + 2);
            i = end == std::string_view::npos ? s.size() : end + 1;
            continue;
        }
        out += code;  // an unknown escape: its character as written
        i += 2;
    }
    return out;
}

namespace {

struct LayerStyle {
    Rgb color;
    bool off = false;     // a negative colour
    bool frozen = false;  // flag 1
};

// What an entity inherits from the INSERT it is drawn under.
struct Context {
    Affine transform;  // block coordinates to world
    bool inBlock = false;
    std::string insertLayer;  // layer "0" inside a block takes the insert's layer
    Rgb byBlock;              // colour 0 (BYBLOCK) takes the insert's colour
    int depth = 0;
    std::vector<std::string> activeBlocks;  // upper-case names, to cut a block inserting itself
};

struct TextLayout {
    std::string type;
    Vec3 origin, xAxis, yAxis;  // world; x along the baseline (width factor in it), y up
    double height = 1;
    std::vector<std::string> lines;
    double lineSpacing = 0;    // baseline to baseline, text units
    int horizontal = 0;        // 0 left, 1 centre, 2 right
    double firstBaseline = 0;  // in text units, downwards from the origin
};

class Renderer {
public:
    Renderer(const dxf::GroupDrawing& drawing, const SvgOptions& options)
        : drawing_(drawing), options_(options) {
        for (const ObjectGroups& layer : drawing.Layers()) {
            const Group* name = FindGroup(layer.groups, 2);
            if (!name) continue;
            const std::int64_t aci = IntegerOr(layer.groups, 62, 7);
            LayerStyle style;
            style.color = AciColor(static_cast<int>(std::abs(aci)), options.background);
            if (const Group* rgb = FindGroup(layer.groups, 420))
                style.color = FromTrueColor(rgb->integer);
            style.off = aci < 0;
            style.frozen = (IntegerOr(layer.groups, 70, 0) & 1) != 0;
            layers_.emplace(text::UpperAscii(drawing.Text(*name)), style);
        }
        const auto asz = drawing.Header("$DIMASZ");
        const auto scale = drawing.Header("$DIMSCALE");
        const auto size = drawing.Header("$TEXTSIZE");
        if (!size.empty() && size.front().real > 0) textSize_ = size.front().real;
        arrowSize_ = (asz.empty() ? 0.18 : asz.front().real) *
                     (scale.empty() || scale.front().real == 0 ? 1 : scale.front().real);
    }

    SvgPicture Render() {
        Context root;
        root.byBlock = AciColor(7, options_.background);
        for (const ObjectGroups& entity : drawing_.Entities()) {
            if (IntegerOr(entity.groups, 67, 0) == 1) continue;  // paper space
            Draw(entity, root);
        }
        SvgPicture picture;
        if (empty_) minX_ = minY_ = maxX_ = maxY_ = 0;
        picture.minX = minX_, picture.minY = minY_, picture.maxX = maxX_, picture.maxY = maxY_;
        for (const auto& [type, count] : skipped_)
            picture.notes.push_back(drawing_.Source() + ": " + std::to_string(count) + " " + type +
                                    (count == 1 ? " entity" : " entities") + " not drawn");
        picture.notes.insert(picture.notes.end(), notes_.begin(), notes_.end());

        const double width = maxX_ - minX_, height = maxY_ - minY_;
        double margin = kSvgMarginRatio * std::max(width, height);
        if (margin == 0) margin = 1;
        const double vx = minX_ - margin, vy = -(maxY_ + margin);
        const double vw = width + 2 * margin, vh = height + 2 * margin;
        const double pixels = 1600 / std::max(vw, vh);
        const double line = std::max(vw, vh) / 1600;  // one pixel at the natural size
        const Rgb back =
            options_.background == SvgBackground::Dark ? Rgb{33, 40, 48} : Rgb{255, 255, 255};
        std::string& svg = picture.svg;
        svg.reserve(body_.size() + 1024);
        svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(std::round(vw * pixels)) +
               "\" height=\"" + Num(std::round(vh * pixels)) + "\" viewBox=\"" + Num(vx) + " " +
               Num(vy) + " " + Num(vw) + " " + Num(vh) + "\">\n";
        svg += "<style>.POINT{stroke-width:" + Num(4 * line) + "px;stroke-linecap:round}</style>\n";
        svg += "<rect class=\"background\" x=\"" + Num(vx) + "\" y=\"" + Num(vy) + "\" width=\"" +
               Num(vw) + "\" height=\"" + Num(vh) + "\" fill=\"" + ColorText(back) + "\"/>\n";
        svg += "<g class=\"model\" transform=\"scale(1,-1)\" fill=\"none\" stroke-width=\"" +
               Num(line) + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\" font-family=\"" +
               kFontStack + "\">\n";
        svg += body_;
        svg += "</g>\n</svg>\n";
        return picture;
    }

private:
    [[nodiscard]] std::string LayerOf(const ObjectGroups& e, const Context& ctx) const {
        const Group* layer = FindGroup(e.groups, 8);
        std::string name = layer ? text::UpperAscii(drawing_.Text(*layer)) : "0";
        if (ctx.inBlock && name == "0") return ctx.insertLayer;
        return name;
    }

    [[nodiscard]] const LayerStyle& StyleOf(const std::string& layer) const {
        static const LayerStyle kNone;
        const auto found = layers_.find(layer);
        return found == layers_.end() ? kNone : found->second;
    }

    [[nodiscard]] Rgb ColorOf(const ObjectGroups& e, const Context& ctx) const {
        if (const Group* rgb = FindGroup(e.groups, 420)) return FromTrueColor(rgb->integer);
        const std::int64_t aci = IntegerOr(e.groups, 62, 256);
        if (aci == 0) return ctx.byBlock;
        if (aci < 0 || aci >= 256) {
            const std::string layer = LayerOf(e, ctx);
            if (layers_.contains(layer)) return StyleOf(layer).color;
            return AciColor(7, options_.background);
        }
        return AciColor(static_cast<int>(aci), options_.background);
    }

    void Skip(const std::string& type) { ++skipped_[type]; }

    // Once per message: a block that inserts itself is met at every one of its inserts.
    void Note(int line, const std::string& what) {
        std::string note = drawing_.Source() + ":" + std::to_string(line) + ": " + what;
        if (std::find(notes_.begin(), notes_.end(), note) == notes_.end())
            notes_.push_back(std::move(note));
    }

    bool Budget() {
        if (elements_ < kMaxElements && visits_ < kMaxVisits) return true;
        if (!truncated_) {
            truncated_ = true;
            notes_.push_back(drawing_.Source() + ": the picture stops at " +
                             std::to_string(elements_) + " shapes: the drawing holds more");
        }
        return false;
    }

    void Extend(Vec3 p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        if (empty_) {
            minX_ = maxX_ = p.x;
            minY_ = maxY_ = p.y;
            empty_ = false;
            return;
        }
        minX_ = std::min(minX_, p.x), maxX_ = std::max(maxX_, p.x);
        minY_ = std::min(minY_, p.y), maxY_ = std::max(maxY_, p.y);
    }

    static bool Finite(const std::vector<Ring>& rings) {
        for (const Ring& ring : rings)
            for (const Vec3& p : ring.points)
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
        return true;
    }

    std::string PathData(const std::vector<Ring>& rings) {
        std::string d;
        for (const Ring& ring : rings) {
            if (ring.points.empty()) continue;
            for (std::size_t k = 0; k < ring.points.size(); ++k) {
                const Vec3& p = ring.points[k];
                Extend(p);
                d += k == 0 ? (d.empty() ? "M" : " M") : k == 1 ? " L" : " ";
                d += Num(p.x) + " " + Num(p.y);
            }
            // A lone point: a segment of no length, which a round cap shows as a dot.
            if (ring.points.size() == 1)
                d += " L" + Num(ring.points[0].x) + " " + Num(ring.points[0].y);
            if (ring.closed) d += " Z";
        }
        return d;
    }

    // One path element: stroked (width in world units, 0 for the thin default) or filled.
    void Path(std::string_view type, const std::vector<Ring>& rings, Rgb color, double width,
              bool filled) {
        if (!Budget() || !Finite(rings)) return;
        ++elements_;
        body_ += "<path class=\"";
        body_ += type;
        body_ += "\" d=\"" + PathData(rings) + "\"";
        if (filled) {
            body_ += " fill=\"" + ColorText(color) + "\" fill-rule=\"evenodd\"";
        }
        body_ += " stroke=\"" + ColorText(color) + "\"";
        if (width > 0)
            body_ += " stroke-width=\"" + Num(width) +
                     "\" stroke-linejoin=\"miter\" stroke-linecap=\"butt\"";
        body_ += "/>\n";
    }

    void Text(const TextLayout& t, Rgb color) {
        if (!Budget() || t.lines.empty() || !(t.height > 0) || Length(t.xAxis) == 0 ||
            Length(t.yAxis) == 0)
            return;
        // Text units downwards (SVG's text y) are world -y of the text frame.
        const Vec3 down = t.yAxis * -1;
        double widest = 0;
        for (const std::string& line : t.lines)
            widest = std::max(widest, EstimateWidth(line, t.height));
        const double left = t.horizontal == 0 ? 0 : t.horizontal == 1 ? -widest / 2 : -widest;
        const double top = t.firstBaseline - t.height;
        const double bottom =
            t.firstBaseline + t.lineSpacing * (t.lines.size() - 1) + 0.2 * t.height;
        for (double u : {left, left + widest})
            for (double v : {top, bottom}) Extend(t.origin + t.xAxis * u + down * v);
        ++elements_;
        body_ += "<text class=\"" + t.type + "\" transform=\"matrix(" + Num(t.xAxis.x) + " " +
                 Num(t.xAxis.y) + " " + Num(down.x) + " " + Num(down.y) + " " + Num(t.origin.x) +
                 " " + Num(t.origin.y) + ")\" font-size=\"" + Num(t.height) + "\" fill=\"" +
                 ColorText(color) + "\" stroke=\"none\" xml:space=\"preserve\"";
        if (t.horizontal == 1) body_ += " text-anchor=\"middle\"";
        if (t.horizontal == 2) body_ += " text-anchor=\"end\"";
        if (t.lines.size() == 1) {
            body_ += " y=\"" + Num(t.firstBaseline) + "\">" + XmlEscape(t.lines[0]) + "</text>\n";
            return;
        }
        body_ += ">";
        for (std::size_t k = 0; k < t.lines.size(); ++k) {
            body_ += "<tspan x=\"0\" y=\"" + Num(t.firstBaseline + t.lineSpacing * k) + "\">" +
                     XmlEscape(t.lines[k]) + "</tspan>";
        }
        body_ += "</text>\n";
    }

    void Draw(const ObjectGroups& e, const Context& ctx) {
        ++visits_;
        if (truncated_ || !Budget()) return;
        const std::string layer = LayerOf(e, ctx);
        const LayerStyle& style = StyleOf(layer);
        // A frozen layer hides an INSERT whole; an off one only what is drawn on it.
        if (style.frozen || (style.off && e.type != "INSERT" && e.type != "DIMENSION")) return;
        if (IntegerOr(e.groups, 60, 0) == 1) return;  // invisible
        const Rgb color = ColorOf(e, ctx);
        const Groups g = e.groups;
        const std::string& type = e.type;
        const Affine& to = ctx.transform;
        if (type == "LINE") {
            Path(type, {{{to.Point(PointOf(g, 10)), to.Point(PointOf(g, 11))}, false}}, color, 0,
                 false);
        } else if (type == "POINT") {
            Path(type, {{{to.Point(PointOf(g, 10))}, false}}, color, 0, false);
        } else if (type == "CIRCLE" || type == "ARC") {
            const Affine ocs = to.After(ObjectSystemOf(g));
            const double r = RealOr(g, 40, 0);
            const bool arc = type == "ARC";
            const double start = arc ? RealOr(g, 50, 0) * kPi / 180 : 0;
            const double sweep = arc ? SweepCcw(start, RealOr(g, 51, 360) * kPi / 180) : 2 * kPi;
            std::vector<Vec3> points =
                EllipseArc(PointOf(g, 10), {r, 0, 0}, {0, r, 0}, start, sweep);
            for (Vec3& p : points) p = ocs.Point(p);
            if (!arc) points.pop_back();
            Path(type, {{std::move(points), !arc}}, color, 0, false);
        } else if (type == "ELLIPSE") {
            const Vec3 major = PointOf(g, 11, {1, 0, 0});
            const Vec3 minor = Cross(Unit(PointOf(g, 210, {0, 0, 1})), major) * RealOr(g, 40, 1);
            const double start = RealOr(g, 41, 0);
            double end = RealOr(g, 42, 2 * kPi);
            const double sweep = SweepCcw(start, end);
            std::vector<Vec3> points = EllipseArc(PointOf(g, 10), major, minor, start, sweep);
            for (Vec3& p : points) p = to.Point(p);
            const bool closed = std::abs(sweep - 2 * kPi) < 1e-9;
            if (closed) points.pop_back();
            Path(type, {{std::move(points), closed}}, color, 0, false);
        } else if (type == "LWPOLYLINE") {
            std::vector<Vertex> vertices;
            const double width = RealOr(g, 43, 0);
            const double elevation = RealOr(g, 38, 0);
            for (const Group& v : g) {
                if (v.code == 10) vertices.push_back({{v.real, 0, elevation}, width, width, 0});
                if (vertices.empty()) continue;
                if (v.code == 20) vertices.back().p.y = v.real;
                if (v.code == 40) vertices.back().startWidth = v.real;
                if (v.code == 41) vertices.back().endWidth = v.real;
                if (v.code == 42) vertices.back().bulge = v.real;
            }
            Polyline(type, vertices, (IntegerOr(g, 70, 0) & 1) != 0, to.After(ObjectSystemOf(g)),
                     color);
        } else if (type == "POLYLINE") {
            DrawPolyline(e, to, color);
        } else if (type == "SPLINE") {
            std::vector<double> knots, weights;
            std::vector<Vec3> control, fit;
            for (std::size_t k = 0; k < g.size(); ++k) {
                if (g[k].code == 40) knots.push_back(g[k].real);
                if (g[k].code == 41) weights.push_back(g[k].real);
                if (g[k].code == 10)
                    control.push_back(
                        PointOf(g.subspan(k, std::min<std::size_t>(3, g.size() - k)), 10));
                if (g[k].code == 11)
                    fit.push_back(
                        PointOf(g.subspan(k, std::min<std::size_t>(3, g.size() - k)), 11));
            }
            std::vector<Vec3> points =
                control.empty()
                    ? ThroughPoints(fit)
                    : Nurbs(static_cast<int>(IntegerOr(g, 71, 3)), knots, control, weights);
            for (Vec3& p : points) p = to.Point(p);
            Path(type, {{std::move(points), (IntegerOr(g, 70, 0) & 1) != 0}}, color, 0, false);
        } else if (type == "SOLID" || type == "TRACE" || type == "3DFACE") {
            const Affine ocs = type == "3DFACE" ? to : to.After(ObjectSystemOf(g));
            const Vec3 a = PointOf(g, 10), b = PointOf(g, 11), c = PointOf(g, 12);
            const Vec3 d = PointOf(g, 13, c);
            // SOLID corners run 1 2 4 3 (a bow tie when read in order); a 3DFACE 1 2 3 4.
            std::vector<Vec3> ring =
                type == "3DFACE" ? std::vector<Vec3>{a, b, c, d} : std::vector<Vec3>{a, b, d, c};
            for (Vec3& p : ring) p = ocs.Point(p);
            Path(type, {{std::move(ring), true}}, color, 0, type != "3DFACE");
        } else if (type == "TEXT" || type == "ATTRIB") {
            if (type == "ATTRIB" && (IntegerOr(g, 70, 0) & 1)) return;
            DrawText(e, to, color);
        } else if (type == "MTEXT") {
            DrawMtext(e, to, color);
        } else if (type == "HATCH") {
            DrawHatch(e, to, color);
        } else if (type == "LEADER") {
            DrawLeader(e, to, color);
        } else if (type == "INSERT" || type == "DIMENSION") {
            DrawInsert(e, ctx, layer, color);
        } else if (type == "ATTDEF") {
            // A block's attribute template: its values are drawn from the ATTRIBs.
        } else {
            Skip(type);
        }
    }

    void Polyline(std::string_view type, const std::vector<Vertex>& v, bool closed,
                  const Affine& to, Rgb color) {
        if (v.empty()) return;
        const std::size_t segments = closed ? v.size() : v.size() - 1;
        bool anyWidth = false, constant = true;
        for (std::size_t k = 0; k < segments; ++k) {
            anyWidth = anyWidth || v[k].startWidth != 0 || v[k].endWidth != 0;
            constant =
                constant && v[k].startWidth == v[0].startWidth && v[k].endWidth == v[0].startWidth;
        }
        if (!anyWidth || constant) {
            std::vector<Vec3> points{v[0].p};
            for (std::size_t k = 0; k < segments; ++k)
                AppendBulge(points, v[k].p, v[(k + 1) % v.size()].p, v[k].bulge);
            if (closed && points.size() > 1) points.pop_back();
            for (Vec3& p : points) p = to.Point(p);
            Path(type, {{std::move(points), closed}}, color,
                 anyWidth ? v[0].startWidth * to.PlanScale() : 0, false);
            return;
        }
        // Tapering widths (arrows drawn as polylines): one filled quad per chord.
        std::vector<Ring> quads;
        for (std::size_t k = 0; k < segments; ++k) {
            std::vector<Vec3> chord{v[k].p};
            AppendBulge(chord, v[k].p, v[(k + 1) % v.size()].p, v[k].bulge);
            for (std::size_t c = 0; c + 1 < chord.size(); ++c) {
                const double f0 = static_cast<double>(c) / (chord.size() - 1);
                const double f1 = static_cast<double>(c + 1) / (chord.size() - 1);
                const double w0 = v[k].startWidth + (v[k].endWidth - v[k].startWidth) * f0;
                const double w1 = v[k].startWidth + (v[k].endWidth - v[k].startWidth) * f1;
                const Vec3 along = Unit(chord[c + 1] - chord[c]);
                const Vec3 side{-along.y, along.x, 0};
                quads.push_back({{to.Point(chord[c] + side * (w0 / 2)),
                                  to.Point(chord[c + 1] + side * (w1 / 2)),
                                  to.Point(chord[c + 1] - side * (w1 / 2)),
                                  to.Point(chord[c] - side * (w0 / 2))},
                                 true});
            }
        }
        // Nonzero filling: overlapping quads of one segment stay filled. The thin stroke
        // keeps the segments without width visible.
        if (!Budget() || !Finite(quads)) return;
        ++elements_;
        body_ += "<path class=\"" + std::string(type) + "\" d=\"" + PathData(quads) + "\" fill=\"" +
                 ColorText(color) + "\" stroke=\"" + ColorText(color) + "\"/>\n";
    }

    void DrawPolyline(const ObjectGroups& e, const Affine& to, Rgb color) {
        const Groups g = e.groups;
        const std::int64_t flags = IntegerOr(g, 70, 0);
        const double startWidth = RealOr(g, 40, 0), endWidth = RealOr(g, 41, 0);
        if (flags & 64) {  // polyface mesh: location vertices, then faces by 1-based index
            std::vector<Vec3> locations;
            std::vector<Ring> faces;
            for (const ObjectGroups& vertex : e.followers) {
                const std::int64_t vf = IntegerOr(vertex.groups, 70, 0);
                if (vf & 64) {
                    locations.push_back(to.Point(PointOf(vertex.groups, 10)));
                } else if (vf & 128) {
                    Ring face{{}, true};
                    for (int code : {71, 72, 73, 74}) {
                        const std::int64_t index = std::abs(IntegerOr(vertex.groups, code, 0));
                        if (index >= 1 && index <= static_cast<std::int64_t>(locations.size()))
                            face.points.push_back(locations[index - 1]);
                    }
                    faces.push_back(std::move(face));
                }
            }
            Path(e.type, faces, color, 0, false);
            return;
        }
        if (flags & 16) {  // polygon mesh: M rows of N vertices, drawn as its grid lines
            const std::int64_t m = IntegerOr(g, 71, 0), n = IntegerOr(g, 72, 0);
            std::vector<Vec3> points;
            for (const ObjectGroups& vertex : e.followers)
                points.push_back(to.Point(PointOf(vertex.groups, 10)));
            std::vector<Ring> grid;
            if (m > 0 && n > 0 && static_cast<std::size_t>(m * n) <= points.size()) {
                for (std::int64_t r = 0; r < m; ++r) {
                    Ring row{{}, (flags & 32) != 0};
                    for (std::int64_t c = 0; c < n; ++c) row.points.push_back(points[r * n + c]);
                    grid.push_back(std::move(row));
                }
                for (std::int64_t c = 0; c < n; ++c) {
                    Ring column{{}, (flags & 1) != 0};
                    for (std::int64_t r = 0; r < m; ++r) column.points.push_back(points[r * n + c]);
                    grid.push_back(std::move(column));
                }
            }
            Path(e.type, grid, color, 0, false);
            return;
        }
        const bool world = (flags & 8) != 0;  // a 3D polyline is in world coordinates
        const Affine system = world ? to : to.After(ObjectSystemOf(g));
        const double elevation = PointOf(g, 10).z;
        std::vector<Vertex> vertices;
        for (const ObjectGroups& vertex : e.followers) {
            if (IntegerOr(vertex.groups, 70, 0) & 16) continue;  // a spline's frame point
            Vec3 p = PointOf(vertex.groups, 10);
            if (!world) p.z = elevation;
            vertices.push_back({p, RealOr(vertex.groups, 40, startWidth),
                                RealOr(vertex.groups, 41, endWidth), RealOr(vertex.groups, 42, 0)});
        }
        Polyline(e.type, vertices, (flags & 1) != 0, system, color);
    }

    void DrawText(const ObjectGroups& e, const Affine& to, Rgb color) {
        const Groups g = e.groups;
        const Group* value = FindGroup(g, 1);
        if (!value) return;
        const Affine ocs = to.After(ObjectSystemOf(g));
        TextLayout t;
        t.type = e.type;
        t.height = RealOr(g, 40, 0);
        if (!(t.height > 0)) t.height = textSize_;  // 0: the style's or the drawing's height
        const double angle = RealOr(g, 50, 0) * kPi / 180;
        const std::int64_t h = IntegerOr(g, 72, 0);
        const std::int64_t v = IntegerOr(g, e.type == "ATTRIB" ? 74 : 73, 0);
        const Vec3 first = PointOf(g, 10);
        const Group* second = FindGroup(g, 11);
        Vec3 origin = first;
        Vec3 direction{std::cos(angle), std::sin(angle), 0};
        if ((h == 3 || h == 5) && second) {
            const Vec3 d = Unit(PointOf(g, 11) - first);
            if (Length(d) > 0) direction = d;
        } else if ((h != 0 || v != 0) && second) {
            origin = PointOf(g, 11);
        }
        t.horizontal = (h == 1 || h == 4) ? 1 : h == 2 ? 2 : 0;
        t.firstBaseline = h == 4 || v == 2 ? t.height / 2
                          : v == 3         ? t.height
                          : v == 1         ? -0.2 * t.height
                                           : 0;
        Vec3 x = direction * RealOr(g, 41, 1);
        Vec3 y{-direction.y, direction.x, 0};
        const std::int64_t generation = IntegerOr(g, 71, 0);
        if (generation & 2) x = x * -1;
        if (generation & 4) y = y * -1;
        t.origin = ocs.Point(origin);
        t.xAxis = ocs.Vector(x);
        t.yAxis = ocs.Vector(y);
        t.lines = {TextControlCodes(drawing_.Text(*value))};
        Text(t, color);
    }

    void DrawMtext(const ObjectGroups& e, const Affine& to, Rgb color) {
        const Groups g = e.groups;
        std::string value;
        for (const Group& part : g)  // 3 holds the first 250-byte pieces, 1 the last
            if (part.code == 3) value += drawing_.RawText(part);
        if (const Group* last = FindGroup(g, 1)) value += drawing_.RawText(*last);
        TextLayout t;
        t.type = e.type;
        t.height = RealOr(g, 40, 0);
        if (!(t.height > 0)) t.height = textSize_;  // 0: the style's or the drawing's height
        const Vec3 normal = Unit(PointOf(g, 210, {0, 0, 1}));
        Vec3 direction;
        if (FindGroup(g, 11)) {
            direction = Unit(PointOf(g, 11));
        } else {
            const Affine ocs = ObjectSystem(normal);
            const double angle = RealOr(g, 50, 0);  // radians in MTEXT
            direction = ocs.Vector({std::cos(angle), std::sin(angle), 0});
        }
        if (Length(direction) == 0) direction = {1, 0, 0};
        t.origin = to.Point(PointOf(g, 10));
        t.xAxis = to.Vector(direction);
        t.yAxis = to.Vector(Cross(Length(normal) > 0 ? normal : Vec3{0, 0, 1}, direction));
        t.lines = SplitLines(MtextPlainText(value));
        t.lineSpacing = t.height * 5 / 3 * RealOr(g, 44, 1);
        const std::int64_t attachment = std::clamp<std::int64_t>(IntegerOr(g, 71, 1), 1, 9);
        t.horizontal = static_cast<int>((attachment - 1) % 3);
        const double block = t.height + t.lineSpacing * (t.lines.size() - 1);
        const std::int64_t row = (attachment - 1) / 3;
        t.firstBaseline = row == 0 ? t.height : row == 1 ? t.height - block / 2 : t.height - block;
        Text(t, color);
    }

    void DrawLeader(const ObjectGroups& e, const Affine& to, Rgb color) {
        const Groups g = e.groups;
        std::vector<Vec3> points;
        for (std::size_t k = 0; k < g.size(); ++k)
            if (g[k].code == 10)
                points.push_back(PointOf(g.subspan(k, std::min<std::size_t>(3, g.size() - k)), 10));
        if (!Budget()) return;
        body_ += "<g class=\"LEADER\">\n";
        std::vector<Vec3> world = points;
        for (Vec3& p : world) p = to.Point(p);
        Path("leader-line", {{world, false}}, color, 0, false);
        if (IntegerOr(g, 71, 1) != 0 && points.size() >= 2) {
            const Vec3 tip = points[0];
            const Vec3 along = Unit(points[1] - points[0]);
            const Vec3 side = Unit(Cross(PointOf(g, 210, {0, 0, 1}), along)) * (arrowSize_ / 6);
            const Vec3 base = tip + along * arrowSize_;
            Path("leader-arrow",
                 {{{to.Point(tip), to.Point(base + side), to.Point(base - side)}, true}}, color, 0,
                 true);
        }
        body_ += "</g>\n";
    }

    void DrawHatch(const ObjectGroups& e, const Affine& to, Rgb color) {
        const Groups g = e.groups;
        const Affine ocs = to.After(ObjectSystemOf(g));
        const double elevation = PointOf(g, 10).z;
        std::size_t k = 0;
        while (k < g.size() && g[k].code != 91) ++k;
        if (k == g.size()) return Skip("HATCH without boundary");
        const std::int64_t paths = g[k++].integer;
        auto is = [&](int code) { return k < g.size() && g[k].code == code; };
        auto take = [&](int code, double fallback = 0) {
            return is(code) ? g[k++].real : fallback;
        };
        auto takeInt = [&](int code, std::int64_t fallback = 0) {
            return is(code) ? g[k++].integer : fallback;
        };
        std::vector<Ring> rings;
        for (std::int64_t path = 0; path < paths && is(92); ++path) {
            const std::int64_t flags = takeInt(92);
            Ring ring{{}, true};
            if (flags & 2) {
                const bool bulges = takeInt(72) != 0;
                takeInt(73);
                const std::int64_t count = takeInt(93);
                std::vector<Vertex> vertices;
                for (std::int64_t v = 0; v < count && is(10); ++v) {
                    Vertex vertex;
                    vertex.p.x = take(10);
                    vertex.p.y = take(20);
                    vertex.p.z = elevation;
                    if (bulges) vertex.bulge = take(42);
                    vertices.push_back(vertex);
                }
                if (!vertices.empty()) {
                    ring.points.push_back(vertices[0].p);
                    for (std::size_t v = 0; v < vertices.size(); ++v)
                        AppendBulge(ring.points, vertices[v].p,
                                    vertices[(v + 1) % vertices.size()].p, vertices[v].bulge);
                }
            } else {
                const std::int64_t edges = takeInt(93);
                for (std::int64_t edge = 0; edge < edges && is(72); ++edge) {
                    const std::int64_t kind = takeInt(72);
                    std::vector<Vec3> points;
                    if (kind == 1) {
                        const double x0 = take(10), y0 = take(20), x1 = take(11), y1 = take(21);
                        points = {{x0, y0, elevation}, {x1, y1, elevation}};
                    } else if (kind == 2 || kind == 3) {
                        const Vec3 center{take(10), take(20), elevation};
                        Vec3 major{0, 0, 0};
                        double ratio = 1;
                        if (kind == 2) {
                            major.x = take(40);
                        } else {
                            major.x = take(11);
                            major.y = take(21);
                            ratio = take(40, 1);
                        }
                        const Vec3 minor = Vec3{-major.y, major.x, 0} * ratio;
                        const double start = take(50) * kPi / 180, end = take(51) * kPi / 180;
                        const bool ccw = takeInt(73, 1) != 0;
                        const double sweep = SweepCcw(start, end);
                        // A clockwise edge keeps its angles mirrored: it runs from -start
                        // through the same sweep clockwise.
                        points = ccw ? EllipseArc(center, major, minor, start, sweep)
                                     : EllipseArc(center, major, minor, -start, -sweep);
                    } else if (kind == 4) {
                        const int degree = static_cast<int>(takeInt(94, 3));
                        const bool rational = takeInt(73) != 0;
                        takeInt(74);
                        takeInt(95);
                        takeInt(96);
                        std::vector<double> knots, weights;
                        std::vector<Vec3> control;
                        while (is(40)) knots.push_back(take(40));
                        while (is(10) || is(20) || is(42)) {
                            if (is(10))
                                control.push_back({take(10), 0, elevation});
                            else if (is(20) && !control.empty())
                                control.back().y = take(20);
                            else if (is(42))
                                weights.push_back(take(42));
                            else
                                ++k;
                        }
                        if (!rational) weights.clear();
                        std::vector<Vec3> fit;
                        if (is(97) && k + 1 < g.size() &&
                            (g[k + 1].code == 11 || g[k + 1].code == 97)) {
                            takeInt(97);
                            while (is(11)) {
                                const double x = take(11);
                                fit.push_back({x, take(21), elevation});
                            }
                            while (is(12) || is(22) || is(13) || is(23)) ++k;
                        }
                        points = control.empty() ? ThroughPoints(fit)
                                                 : Nurbs(degree, knots, control, weights);
                    }
                    if (points.empty()) continue;
                    // Edges follow each other; a point shared with the previous edge is kept once.
                    const bool joins =
                        !ring.points.empty() && Length(ring.points.back() - points.front()) < 1e-9;
                    ring.points.insert(ring.points.end(), points.begin() + (joins ? 1 : 0),
                                       points.end());
                }
            }
            if (takeInt(97, 0) > 0)
                while (is(330)) ++k;
            for (Vec3& p : ring.points) p = ocs.Point(p);
            if (!ring.points.empty()) rings.push_back(std::move(ring));
        }
        const Group* pattern = FindGroup(g, 2);
        const bool solid = IntegerOr(g, 70, 0) == 1 || IntegerOr(g, 450, 0) == 1 ||
                           (pattern && text::UpperAscii(text::Trim(pattern->raw)) == "SOLID");
        if (solid) {
            Path(e.type, rings, color, 0, true);
            return;
        }
        // A pattern is not drawn line by line: its area is shown lightly filled.
        if (!Budget() || !Finite(rings)) return;
        ++elements_;
        body_ += "<path class=\"HATCH\" d=\"" + PathData(rings) + "\" fill=\"" + ColorText(color) +
                 "\" fill-opacity=\"0.25\" fill-rule=\"evenodd\" stroke=\"none\"/>\n";
    }

    void DrawInsert(const ObjectGroups& e, const Context& ctx, const std::string& layer,
                    Rgb color) {
        const Groups g = e.groups;
        const Group* nameGroup = FindGroup(g, 2);
        const std::string name = nameGroup ? drawing_.Text(*nameGroup) : "";
        const dxf::BlockGroups* block = name.empty() ? nullptr : drawing_.FindBlock(name);
        const std::string key = text::UpperAscii(name);
        if (!Budget()) return;
        ++elements_;  // the group counts: blocks of nothing but inserts must end too
        body_ += "<g class=\"" + e.type + "\">\n";
        const bool cycle = std::find(ctx.activeBlocks.begin(), ctx.activeBlocks.end(), key) !=
                           ctx.activeBlocks.end();
        if (block && cycle) {
            Note(e.line, "block '" + name + "' inserts itself; the inner insert is not drawn");
        } else if (block && ctx.depth >= kMaxBlockDepth) {
            Note(e.line, "block '" + name + "' nested deeper than " +
                             std::to_string(kMaxBlockDepth) + " levels is not drawn");
        } else if (!block && !name.empty()) {
            Note(e.line, "no block '" + name + "'");
        } else if (block) {
            Context inner;
            inner.inBlock = true;
            inner.insertLayer = layer;
            inner.byBlock = color;
            inner.depth = ctx.depth + 1;
            inner.activeBlocks = ctx.activeBlocks;
            inner.activeBlocks.push_back(key);
            const Vec3 base = PointOf(block->header, 10);
            const bool dimension = e.type == "DIMENSION";
            // A dimension's block is drawn where it was made: in world coordinates.
            const Affine ocs = dimension ? Affine{} : ObjectSystemOf(g);
            const Vec3 at = dimension ? Vec3{} : PointOf(g, 10);
            const Vec3 scale = dimension
                                   ? Vec3{1, 1, 1}
                                   : Vec3{RealOr(g, 41, 1), RealOr(g, 42, 1), RealOr(g, 43, 1)};
            const double angle = dimension ? 0 : RealOr(g, 50, 0) * kPi / 180;
            const Vec3 ux{std::cos(angle), std::sin(angle), 0},
                uy{-std::sin(angle), std::cos(angle), 0};
            const std::int64_t columns =
                dimension ? 1 : std::max<std::int64_t>(1, IntegerOr(g, 70, 1));
            const std::int64_t rows =
                dimension ? 1 : std::max<std::int64_t>(1, IntegerOr(g, 71, 1));
            for (std::int64_t r = 0; r < rows && !truncated_; ++r) {
                for (std::int64_t c = 0; c < columns && !truncated_; ++c) {
                    const Vec3 cell =
                        at + ux * (RealOr(g, 44, 0) * c) + uy * (RealOr(g, 45, 0) * r);
                    const Affine place{ux * scale.x, uy * scale.y, Vec3{0, 0, scale.z},
                                       cell - (ux * (base.x * scale.x) + uy * (base.y * scale.y) +
                                               Vec3{0, 0, base.z * scale.z})};
                    // Each cell counts, so that an array of a huge count over an empty block
                    // ends as well.
                    ++visits_;
                    if (!Budget()) break;
                    inner.transform = ctx.transform.After(ocs.After(place));
                    for (const ObjectGroups& entity : block->entities) Draw(entity, inner);
                    if (!Budget()) break;
                }
            }
        }
        // Attributes carry their own place, in the coordinates the INSERT itself is in.
        for (const ObjectGroups& attribute : e.followers)
            if (attribute.type == "ATTRIB") Draw(attribute, ctx);
        body_ += "</g>\n";
    }

    const dxf::GroupDrawing& drawing_;
    SvgOptions options_;
    std::map<std::string, LayerStyle, std::less<>> layers_;
    double arrowSize_ = 0.18;
    double textSize_ = 2.5;  // $TEXTSIZE
    std::string body_;
    std::size_t elements_ = 0;
    std::size_t visits_ = 0;
    bool truncated_ = false;
    bool empty_ = true;
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    std::map<std::string, int> skipped_;
    std::vector<std::string> notes_;
};

}  // namespace

SvgPicture RenderSvg(const dxf::GroupDrawing& drawing, const SvgOptions& options) {
    return Renderer(drawing, options).Render();
}

}  // namespace tarsel::minicad
