// "自動", "分割" and "１点指示": the CAD traces the region around a picked point, the outline is
// cut into triangles whose diagonals are drawn at once, and (except for "分割") the triangles
// are labelled and numbered in the order they were cut.
#pragma once

#include <string>

#include "cadlink/automation.h"
#include "commands/cad_session.h"
#include "geometry/primitives.h"

namespace tarsel::commands {

inline constexpr const char* kRegionPointPrompt = "領域内の１点を指示 : ";
inline constexpr const char* kPointTakenPrompt = "\r\n点が指示されました.\r\n";
inline constexpr const char* kNoBoundaryMessage = "境界を作成できません．";
inline constexpr const char* kSplitFailedMessage = "分割に失敗しました．";

// The three buttons sharing one click handler; only "分割" leaves the labels out.
enum class SplitSender { Button10, Button12, Button6 };

void Button10Click(CadSession& session, SplitSender sender);

// The body after the pick: boundary, split, diagonals, labels.
void SplitRegionIntoTriangles(CadSession& session, const cadlink::ObjectRef& doc,
                              const geometry::TAcadPoint& point, bool labelsWanted);

// The boundary command text for an internal point: "_-BOUNDARY A O P \r" + "x,y" (four
// decimals each, locale-free) + "\r\r".
[[nodiscard]] std::string BoundaryCommandText(const geometry::TAcadPoint& point);

}  // namespace tarsel::commands
