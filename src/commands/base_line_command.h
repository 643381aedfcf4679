// "基準線" and "a-b反転": a triangle built on a picked base line from the two typed sides a and
// b, on the side the user points to; the flip replaces the last such triangle by the one with
// a and b exchanged, deleting what the build drew.
#pragma once

#include <string_view>

#include "annotation/label_style.h"
#include "cadlink/automation.h"
#include "commands/cad_session.h"
#include "geometry/primitives.h"

namespace tarsel::commands {

inline constexpr const char* kBaseLinePrompt = "基準線を選択 : ";
inline constexpr const char* kTriangleSidePrompt = "作成側を指示 : ";
inline constexpr std::string_view kNoTriangleMessage = "三角が作成できません．";

// Button1's click ("基準線"). Keeps the record of the previous triangle until a new one is
// built, so a failed or cancelled build leaves the previous one flippable.
void Button1Click(CadSession& session);

// Builds on the base a-b; pick is where the base was picked (its foot on the base), which
// decides the end side a starts from.
void BuildTriangleOnBaseLine(CadSession& session, const cadlink::ObjectRef& doc,
                             const geometry::TAcadPoint& pick, const geometry::TAcadPoint& a,
                             const geometry::TAcadPoint& b);

// Draws the two new sides of (A, B, C) (A-B is the picked base), writes the labels of the
// area method of the style and the number, and advances the counter.
void LabelBaseLineTriangle(CadSession& session, const cadlink::ObjectRef& doc,
                           const geometry::TAcadTriangle& triangle,
                           const annotation::LabelStyle& style);

// Button9's click ("a-b反転"); nothing happens while the button is disabled.
void Button9Click(CadSession& session);

}  // namespace tarsel::commands
