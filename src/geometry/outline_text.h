// Reading an outline from text: one vertex per line as "x y" or "x,y" with an optional z that
// is ignored; blank lines and "#" comments allowed. Pure and locale-free; the caller reads the
// file and names it in messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geometry/primitives.h"

namespace tarsel::geometry {

struct ParsedOutline {
    std::vector<TAcadPoint> vertices;  // in text order, z 0
    std::string error;                 // empty when the whole text was good
    int errorLine = 0;                 // 1-based line of the error; 0 when it is about the text

    [[nodiscard]] bool Ok() const { return error.empty(); }
};

// Stops at the first bad line; an error leaves no vertices. A text with no vertex is an error.
[[nodiscard]] ParsedOutline ParseOutlineText(std::string_view text);

}  // namespace tarsel::geometry
