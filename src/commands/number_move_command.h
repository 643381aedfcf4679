// "番号と円移動": a triangle number and its circle are moved by the CAD's own MOVE to where the
// user points, and the new place is joined to the old one by a leader (arrowhead at the old
// centre) or, with "矢印" off, by a plain line.
#pragma once

#include <string>

#include "commands/cad_session.h"
#include "geometry/primitives.h"

namespace tarsel::commands {

// Button5's click. DIMASZ and DIMLDRBLK are put back however the leader ends.
void Button5Click(CadSession& session);

// "MOVE\rPRE\r\r" + the base point as "%.3f,%.3f,%.3f" + "\r": the previous selection moved
// from the old centre, the second point left to the user.
[[nodiscard]] std::string MoveCommandText(const geometry::TAcadPoint& base);
// "_LEADER\r" + "%.4f,%.4f %.4f,%.4f" (arrowhead end first) + "\r\r\rN\r": a leader with no
// annotation.
[[nodiscard]] std::string LeaderCommandText(const geometry::TAcadPoint& from,
                                            const geometry::TAcadPoint& to);

}  // namespace tarsel::commands
