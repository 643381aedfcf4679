#include "commands/area_check.h"

#include <charconv>
#include <cmath>

#include "commands/command_frame.h"

namespace tarsel::commands {

namespace {

constexpr std::string_view kOutlineWord = "座標面積";
constexpr std::string_view kTrianglesWord = "三角形合計";
constexpr std::string_view kDifferenceWord = "差";
constexpr double kRelativeTolerance = 1e-9;

// Twice the signed area of a, b, c, in long double: the coordinates are far from the origin
// while the areas are small, so the differences are taken before anything is multiplied.
long double TwiceArea(const geometry::TAcadPoint& a, const geometry::TAcadPoint& b,
                      const geometry::TAcadPoint& c) {
    return static_cast<long double>(b.x - a.x) * (c.y - a.y) -
           static_cast<long double>(c.x - a.x) * (b.y - a.y);
}

std::string Fixed4(double value) {
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (ec != std::errc()) return "?";
    std::string text(buffer, end);
    // A difference that rounds to nothing reads as nothing, whatever its sign.
    if (text == "-0.0000") text = "0.0000";
    return text;
}

}  // namespace

SplitAreaCheck CheckSplitArea(std::span<const geometry::TAcadPoint> outline,
                              const std::vector<geometry::TAcadTriangle>& triangles,
                              double divisor) {
    long double twiceOutline = 0;
    for (std::size_t k = 1; k + 1 < outline.size(); ++k) {
        twiceOutline += TwiceArea(outline[0], outline[k], outline[k + 1]);
    }
    long double twiceTriangles = 0;
    for (const geometry::TAcadTriangle& t : triangles) {
        twiceTriangles += std::fabs(TwiceArea(t.p1, t.p2, t.p3));
    }
    const long double outlineArea = std::fabs(twiceOutline) / 2;
    const long double trianglesArea = twiceTriangles / 2;
    const long double scale = static_cast<long double>(divisor) * divisor;
    SplitAreaCheck check;
    check.outlineArea = static_cast<double>(outlineArea / scale);
    check.trianglesArea = static_cast<double>(trianglesArea / scale);
    check.mismatch = !(std::fabs(trianglesArea - outlineArea) <= kRelativeTolerance * outlineArea);
    return check;
}

std::string AreaCheckText(const SplitAreaCheck& check) {
    return std::string(kOutlineWord) + " " + Fixed4(check.outlineArea) + "  " +
           std::string(kTrianglesWord) + " " + Fixed4(check.trianglesArea) + "  " +
           std::string(kDifferenceWord) + " " + Fixed4(check.trianglesArea - check.outlineArea);
}

std::optional<std::string> AreaLineFromCommandLine(std::string_view line) {
    const std::string outlineHead = std::string(kOutlineWord) + " ";
    const std::string trianglesHead = "  " + std::string(kTrianglesWord) + " ";
    const std::string differenceHead = "  " + std::string(kDifferenceWord) + " ";
    if (!line.starts_with(outlineHead)) return std::nullopt;
    line.remove_prefix(outlineHead.size());
    const std::size_t triangles = line.find(trianglesHead);
    const std::size_t difference = line.find(differenceHead);
    if (triangles == std::string_view::npos || difference == std::string_view::npos ||
        difference < triangles) {
        return std::nullopt;
    }
    const std::string_view outlineFigure = line.substr(0, triangles);
    const std::string_view trianglesFigure = line.substr(
        triangles + trianglesHead.size(), difference - triangles - trianglesHead.size());
    return "area " + std::string(outlineFigure) + " " + std::string(trianglesFigure);
}

bool ReportSplitArea(CadSession& session, const cadlink::ObjectRef& doc,
                     const SplitAreaCheck& check) {
    const cadlink::ObjectRef utility = cadlink::GetObject(doc, "Utility");
    cadlink::Call(utility, "Prompt", {cadlink::Variant("\r\n" + AreaCheckText(check) + "\r\n")});
    if (!check.mismatch) return true;
    ShowMessageAndReturnToCad(session, kAreaMismatchMessage);
    return false;
}

}  // namespace tarsel::commands
