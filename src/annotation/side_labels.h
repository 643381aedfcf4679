// Side length texts and side lines: how a triangle's sides and their lengths are written into
// the drawing, upright and on the text layer, without labelling or drawing a side twice.
#pragma once

#include <string_view>

#include "annotation/label_style.h"
#include "geometry/primitives.h"

namespace tarsel::annotation {

// The text rotation (radians, as the CAD's Rotation property takes it) of a side label for a
// side whose direction has been turned upright: angBase + a, or angBase - a when ANGDIR is 1.
[[nodiscard]] double SideTextRotation(double uprightAngle, double angBase, int angDir);
// The side's direction, turned by π when the text would read upside down (π/2 < a ≤ 3π/2).
[[nodiscard]] double UprightAngle(const geometry::TAcadPoint& p1, const geometry::TAcadPoint& p2);

// Writes the length p1-p2 / scaleDivisor, rounded with the style's length pair, on the
// style's text layer, bottom-centred on the midpoint and turned along the side. With
// checkExisting, a TEXT crossing either probe band beside the midpoint suppresses it. Returns
// whether a text was written. The layer is not created here: the caller makes sure it exists.
bool WriteSideLength(const LabelTarget& target, const LabelStyle& style,
                     const geometry::TAcadPoint& p1, const geometry::TAcadPoint& p2,
                     bool checkExisting);

// The three sides P0P1, P1P2, P2P0 in this order, each checked against existing texts.
void WriteTriangleSideLengths(const LabelTarget& target, const LabelStyle& style,
                              const geometry::TAcadTriangle& triangle);

// Draws p1-p2 on the layer unless (with checkExisting) a line or polyline already runs
// through its midpoint. Returns whether a line was drawn.
bool AddSideLine(const LabelTarget& target, const geometry::TAcadPoint& p1,
                 const geometry::TAcadPoint& p2, bool checkExisting, std::string_view layer);

struct BaseAndFoot {
    geometry::TAcadPoint base1;  // the longest side, ties to the earlier of P0P1, P1P2, P2P0
    geometry::TAcadPoint base2;
    geometry::TAcadPoint apex;
    geometry::TAcadPoint foot;  // the height's foot on the base line
    bool footFound = false;     // false only when base1 and base2 coincide
};
[[nodiscard]] BaseAndFoot FindBaseAndFoot(const geometry::TAcadTriangle& triangle);

}  // namespace tarsel::annotation
