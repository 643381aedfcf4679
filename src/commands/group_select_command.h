// "群選択": the lines and polylines of a region already split into triangles are selected on
// screen; every triangle among them is labelled and numbered by the labelling pass.
#pragma once

#include <string_view>
#include <vector>

#include "cadlink/automation.h"
#include "commands/cad_session.h"
#include "geometry/primitives.h"
#include "geometry/triangle_assembly.h"

namespace tarsel::commands {

inline constexpr std::string_view kNoSegmentMessage = "線分またはポリラインではありません．.";
inline constexpr std::string_view kGroupSelectCaption = "IJ_Tarsel";

// Button13's click. The temporary selection set is deleted however the command ends.
void Button13Click(CadSession& session);

// The body after the selection was read: the picked lines' segments in selection order, and
// the picked polylines, whose segments follow them. A triangle without area (three segments on
// one line) is left unlabelled and unnumbered by the labelling pass, which says so once.
void GroupSelectTriangles(CadSession& session, const cadlink::ObjectRef& doc,
                          std::vector<geometry::TAcadLine> segments,
                          const std::vector<geometry::PickedPolyline>& polylines);

}  // namespace tarsel::commands
