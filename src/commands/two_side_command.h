// "２辺指示": two picked sides that meet at a corner; the third side is drawn between their far
// ends and the triangle is labelled and numbered by the current area method.
#pragma once

#include <string_view>

#include "cadlink/automation.h"
#include "commands/cad_session.h"
#include "geometry/primitives.h"

namespace tarsel::commands {

inline constexpr const char* kFirstSidePrompt = "三角形の1辺を選択 : ";
inline constexpr const char* kOtherSidePrompt = "三角形の他の1辺を選択 : ";
inline constexpr std::string_view kSidesNotConnectedMessage = "2 線分の端点がつながっていません．";
inline constexpr std::string_view kTwoSideCaption = "Acad_Tarsel";
// How far an end may lie from the corner and still count as meeting it (drawing units).
inline constexpr double kCornerTolerance = 0.01;

// Button8's click. The CAD is left at no prompt of ours however the command ends.
void Button8Click(CadSession& session);

// The body after the picks: (a1, a2) and (b1, b2) are the picked sides' ends in the order the
// entities give them. Sides that do not meet at one end each, or whose lines give no corner
// (parallel, collinear) or no proper triangle, get the message and nothing is drawn.
void CompleteTwoSideTriangle(CadSession& session, const cadlink::ObjectRef& doc,
                             const geometry::TAcadPoint& a1, const geometry::TAcadPoint& a2,
                             const geometry::TAcadPoint& b1, const geometry::TAcadPoint& b2);

}  // namespace tarsel::commands
