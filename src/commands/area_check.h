// The area check after a split: the outline's own (shoelace) area beside the sum of the
// triangles cut from it, in the area table's units, written to the CAD's command line, so
// that a split that lost, doubled or over-reached a triangle cannot pass unseen.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/automation.h"
#include "commands/cad_session.h"
#include "geometry/primitives.h"

namespace tarsel::commands {

inline constexpr std::string_view kAreaMismatchMessage =
    "三角形の面積の合計が座標面積と合いません．分割を確かめてください．";

struct SplitAreaCheck {
    double outlineArea = 0;    // the shoelace area, drawing units / divisor squared
    double trianglesArea = 0;  // the sum of the triangles' areas, in the same units
    // The two differ by more than 1e-9 of the outline's area: the split is wrong.
    bool mismatch = false;
};

// divisor: the scale divisor, as the area table divides lengths by it.
[[nodiscard]] SplitAreaCheck CheckSplitArea(std::span<const geometry::TAcadPoint> outline,
                                            const std::vector<geometry::TAcadTriangle>& triangles,
                                            double divisor);

// "座標面積 277.8014  三角形合計 277.8014  差 0.0000" (difference = triangles - outline),
// four decimals each, locale-free.
[[nodiscard]] std::string AreaCheckText(const SplitAreaCheck& check);

// For a command-line log line written by ReportSplitArea: "area OUTLINE TRIANGLES" with the
// figures as printed there; nullopt for any other line.
[[nodiscard]] std::optional<std::string> AreaLineFromCommandLine(std::string_view line);

// Writes the check to the CAD's command line (Utility.Prompt) and, on a mismatch, shows
// kAreaMismatchMessage. Returns false on a mismatch.
bool ReportSplitArea(CadSession& session, const cadlink::ObjectRef& doc,
                     const SplitAreaCheck& check);

}  // namespace tarsel::commands
