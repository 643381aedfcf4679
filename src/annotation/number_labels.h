// Triangle number labels: the number text, tagged with the triangle's sides, centred in a
// circle at a point inside the triangle. The number text is what makes a triangle count.
#pragma once

#include <optional>

#include "annotation/side_labels.h"
#include "geometry/primitives.h"

namespace tarsel::annotation {

// The number text's rotation (radians): angBase for clockwise drawings, -angBase otherwise.
[[nodiscard]] double NumberTextRotation(double angBase, int angDir);

// Where the three-sides number goes: the incentre. nullopt for a triangle without area.
[[nodiscard]] std::optional<geometry::TAcadPoint> TriangleNumberPoint(
    const geometry::TAcadTriangle& triangle);
// Where the base-and-height number goes: the incentre of the larger half the height cuts off
// (the half at base2 on a tie). nullopt when that half has no area.
[[nodiscard]] std::optional<geometry::TAcadPoint> BaseHeightNumberPoint(const BaseAndFoot& bf);

// Writes the circle, then the tagged number text, at TriangleNumberPoint, on the style's text
// layer. A triangle without a label point gets nothing at all (false): a number at an
// undefined place would be a triangle the user cannot check.
[[nodiscard]] bool WriteTriangleNumber(const LabelTarget& target, const LabelStyle& style,
                                       const geometry::TAcadTriangle& triangle, int number);
// The same at BaseHeightNumberPoint; the tag still holds the triangle's three sides.
[[nodiscard]] bool WriteBaseHeightNumber(const LabelTarget& target, const LabelStyle& style,
                                         const geometry::TAcadTriangle& triangle,
                                         const BaseAndFoot& bf, int number);

}  // namespace tarsel::annotation
