// The names an entity kind goes by: its DXF type (what group code 0 filters match) and its
// automation object name (what EntityName reports).
#pragma once

#include <string_view>

#include "minicad/drawing.h"

namespace tarsel::minicad {

// "LINE", "TEXT", "CIRCLE", "LWPOLYLINE", "ARC", "INSERT", "LEADER".
[[nodiscard]] std::string_view DxfTypeName(const EntityData& data);
// "AcDbLine", "AcDbText", ...
[[nodiscard]] std::string_view AutomationName(const EntityData& data);

}  // namespace tarsel::minicad
