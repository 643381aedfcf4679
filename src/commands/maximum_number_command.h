// "最大": numbering goes on after the largest tagged triangle number in the drawing.
#pragma once

#include "commands/cad_session.h"

namespace tarsel::commands {

// Button4's click: the "No." field is set to 1 first, then (when the CAD runs) to the largest
// tagged number plus one, within the field's range 1..1000. The keep form of the command
// frame, so "a-b反転" stays available.
void Button4Click(CadSession& session);

}  // namespace tarsel::commands
