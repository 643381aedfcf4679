// How much room a text takes: its estimated width and the outline a user sees around its
// characters, and where its insertion point lies when it hangs on its alignment point.
// minicad renders no fonts, so widths are estimated from the characters.
#pragma once

#include <vector>

#include "minicad/drawing.h"

namespace tarsel::minicad {

// Full-width characters one text height wide, others 0.7 of it.
[[nodiscard]] double EstimatedTextWidth(const TextData& text);
// The four corners of a text's outline, counter-clockwise from the lower left.
[[nodiscard]] std::vector<Point3> TextOutline(const TextData& text);
// Left, Aligned and Fit texts are placed by their insertion point (DXF 10); every other
// alignment by its alignment point (DXF 11).
[[nodiscard]] bool UsesInsertionAsAnchor(TextAlignment alignment);
// The left end of the baseline (DXF group 10) of a text hung on its alignment point.
[[nodiscard]] Point3 TextInsertionFromAlignment(const TextData& text);

}  // namespace tarsel::minicad
