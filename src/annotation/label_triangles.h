// The labelling pass shared by the automatic split and the group selection: side lengths (or
// base, height and height line), then the tagged number, for each triangle in order, with the
// number counter advanced once per labelled triangle and each shared side labelled once.
#pragma once

#include <vector>

#include "annotation/label_style.h"
#include "geometry/primitives.h"

namespace tarsel::annotation {

struct LabelPassResult {
    int labelled = 0;  // triangles that got their labels and a number
    int skippedWithoutArea = 0;
};

// A triangle without a defined label point (no area) gets no texts, no number and no counter
// step; the caller tells the user once, from the result. The caller makes sure the text and
// height-line layers exist.
LabelPassResult LabelTriangles(const LabelTarget& target, const LabelStyle& style,
                               const std::vector<geometry::TAcadTriangle>& triangles,
                               NumberCounter& counter);

}  // namespace tarsel::annotation
