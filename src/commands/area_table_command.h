// "作成": the area table built from the tagged triangles of the drawing, drawn into a block
// that the CAD's insert command places where the user picks, then exploded into plain lines
// and texts on the text layer.
#pragma once

#include <string>
#include <string_view>

#include "areatable/table_layout.h"
#include "areatable/triangle_data.h"
#include "cadlink/automation.h"
#include "commands/cad_session.h"
#include "options/palette_options.h"

namespace tarsel::commands {

inline constexpr const char* kNoTriangleDataMessage = "求積データが見つかりません．";
inline constexpr const char* kNoTriangleDataCaption = "Acad_Tarsel";
inline constexpr const char* kAreaTableBlockPrefix = "Tarsel_";

// The table settings as the palette holds them: method, that method's widths, table text and
// row height, the scale field and the six rounding values.
[[nodiscard]] areatable::TableSettings AreaTableSettings(const options::PaletteOptions& options);

// The AutoLISP call that has the CAD insert the block at scale 1 and rotation 0, leaving the
// CAD asking the user for the insertion point.
[[nodiscard]] std::string AreaTableInsertCommand(std::string_view blockName);

// Lays the table out for list (sorted) and lets the user place it. Settings that give no table
// raise options::NumberFieldError before anything is added to the drawing; a failing CAD call
// raises AutomationError, after removing the block definition made so far (it can only be
// removed while nothing refers to it).
void BuildAreaTable(CadSession& session, const cadlink::ObjectRef& doc,
                    const areatable::TriangleDataList& list);

// Button3's click (the full command frame first).
void Button3Click(CadSession& session);

}  // namespace tarsel::commands
