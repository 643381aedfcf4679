// Gathering the tagged triangle numbers of a drawing: every single-line text (or those the
// user selects) whose tag holds three side lengths becomes one triangle data line.
#pragma once

#include <cstdint>

#include "areatable/triangle_data.h"
#include "cadlink/automation.h"

namespace tarsel::commands {

struct CollectedTriangles {
    std::int32_t selected = 0;          // texts in the selection, tagged or not
    areatable::TriangleDataList lines;  // one per tagged text, in selection order
};

// selectAll: every text of the drawing; otherwise the user selects on screen. Only TEXT
// entities pass the selection filter. The temporary selection set is deleted however this
// ends; a failing CAD call raises.
[[nodiscard]] CollectedTriangles CollectTriangleData(const cadlink::ObjectRef& doc, bool selectAll);

}  // namespace tarsel::commands
