// The labelling pass shared by the automatic split and the group selection: side lengths (or
// base, height and height line), then the tagged number, for each triangle in order, with the
// number counter advanced once per labelled triangle and each shared side labelled once.
#pragma once

#include <string_view>
#include <vector>

#include "cadlink/automation.h"
#include "cadlink/cad_session.h"
#include "geometry/primitives.h"

namespace tarsel::annotation {

// Shown once after a pass that left triangles without area unlabelled.
inline constexpr std::string_view kNoAreaTriangleMessage =
    "面積のない三角形には記入しませんでした．";
inline constexpr std::string_view kMessageCaption = "Tarsel";

struct LabelPassResult {
    int labelled = 0;  // triangles that got their labels and a number
    int skippedWithoutArea = 0;
};

// height: side text height; divisor: the scale divisor; both read by the caller before the
// pass. The radius and number height are read from the options once at the start, so a field
// that does not convert ends the command before anything is written. A triangle without a
// defined label point (no area) gets no texts, no number and no counter step; the pass then
// tells the user once, after the other triangles are labelled. The caller makes sure the text
// and height-line layers exist.
LabelPassResult LabelTriangles(cadlink::CadSession& session, const cadlink::ObjectRef& doc,
                               const std::vector<geometry::TAcadTriangle>& triangles, double height,
                               double divisor, double angBase, int angDir);

}  // namespace tarsel::annotation
