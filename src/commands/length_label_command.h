// "長さ記入": the length of one picked line, or of the picked segment of a polyline, written
// on it like the triangle commands write their sides.
#pragma once

#include "commands/cad_session.h"

namespace tarsel::commands {

inline constexpr const char* kLengthLabelPrompt = "長さ記入の1辺を選択 : ";

// Button11's click. Raises on a failing CAD call or a number field that does not convert.
void Button11Click(CadSession& session);

}  // namespace tarsel::commands
