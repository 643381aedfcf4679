// A picture of a drawing's model space as SVG: what the user would see in a CAD, for a README,
// a report or a quick look without one. Works from the file's groups (dxf_group_drawing.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "minicad/dxf_group_drawing.h"

namespace tarsel::minicad {

enum class SvgBackground { Dark, White };

struct SvgOptions {
    SvgBackground background = SvgBackground::Dark;  // ACI 7 is white on dark, black on white
};

struct SvgPicture {
    std::string svg;  // a whole SVG document, UTF-8
    // The drawing's extents (world x, y), which the view box shows with a margin of
    // kSvgMarginRatio of their larger side on every edge. All zero for an empty drawing.
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    // What the picture leaves out, one line each ("source:line: what"): entity kinds not
    // drawn, a block that inserts itself, nesting or size beyond the limits.
    std::vector<std::string> notes;
};

inline constexpr double kSvgMarginRatio = 0.02;

// Every model-space entity becomes one element whose class is its DXF type (an INSERT or
// DIMENSION a group holding its block's elements and its attributes). World y points up, so
// the elements sit in a group flipped by scale(1,-1) and the view box is the extents with y
// negated.
[[nodiscard]] SvgPicture RenderSvg(const dxf::GroupDrawing& drawing, const SvgOptions& options);

// The plain text of an MTEXT value: paragraphs as line feeds, formatting codes removed,
// stacked fractions as "a/b". Input already decoded from the file's code page.
[[nodiscard]] std::string MtextPlainText(std::string_view value);

}  // namespace tarsel::minicad
