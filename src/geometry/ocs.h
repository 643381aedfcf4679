// Object coordinate systems: the plane a DXF circle, arc, 2D polyline, text or block
// reference lies in, given by its extrusion direction (DXF 210/220/230), and the arbitrary
// axis algorithm that fixes the plane's x and y axes. Entities store their points in that
// system; these functions take them to world coordinates and back, and show an entity's
// curve pieces in plan (world x and y).
//
// The two planes of a 2D drawing are exact: extrusion (0, 0, 1) is the identity bit for bit,
// and (0, 0, -1), the plane seen from below, maps (x, y, z) to (-x, y, -z) exactly (as 0 - x,
// so that a zero stays a plain zero and never reaches a file as -0). Only a
// tilted plane is computed with rounding.
#pragma once

#include <optional>
#include <vector>

#include "geometry/curves.h"
#include "geometry/primitives.h"

namespace tarsel::geometry {

// How an object coordinate system shows in plan.
enum class OcsPlan {
    Identity,  // extrusion +Z: world coordinates
    Mirror,    // extrusion -Z: x and z change sign, a counter-clockwise arc runs clockwise
    Tilted,    // any other plane: circles show as ellipses
};

struct OcsFrame {
    TAcadPoint ax{1, 0, 0};  // world directions of the system's unit axes
    TAcadPoint ay{0, 1, 0};
    TAcadPoint az{0, 0, 1};  // the extrusion, normalised
    OcsPlan plan = OcsPlan::Identity;
};

// An extrusion this close to +Z or -Z (in radians of tilt) is that axis: closer than the
// rounding of the direction's own digits, and no drawing tells the difference.
inline constexpr double kPlanExtrusionTilt = 1e-12;

// False for a zero-length or non-finite direction, which defines no plane.
[[nodiscard]] bool IsValidExtrusion(const TAcadPoint& extrusion);
// The arbitrary axis algorithm. An invalid extrusion gives the world system.
[[nodiscard]] OcsFrame ArbitraryAxis(const TAcadPoint& extrusion);

[[nodiscard]] TAcadPoint OcsToWcs(const OcsFrame& frame, const TAcadPoint& p);
[[nodiscard]] TAcadPoint WcsToOcs(const OcsFrame& frame, const TAcadPoint& p);
// A direction (no translation involved; the same as a point for these linear maps).
[[nodiscard]] inline TAcadPoint OcsDirectionToWcs(const OcsFrame& frame, const TAcadPoint& d) {
    return OcsToWcs(frame, d);
}

// The point of the system's plane at height `elevation` that shows at plan point (x, y);
// nullopt when the plane stands vertical and shows as a line.
[[nodiscard]] std::optional<TAcadPoint> OcsPointAtPlan(const OcsFrame& frame, double x, double y,
                                                       double elevation);

// A piece given in the system's plane at height `elevation`, as it shows in plan. Identity
// gives the piece unchanged and Mirror its exact mirror image (an arc's sweep changes
// sign); on a tilted plane a line stays a line and an arc is flattened into chords no
// farther than `chordTolerance` from the ellipse it shows as.
[[nodiscard]] std::vector<CurvePiece> PlanPieces(const CurvePiece& piece, double elevation,
                                                 const OcsFrame& frame,
                                                 double chordTolerance = 1e-3);

// An angle of the system's plane (counter-clockwise about the extrusion from the system's
// x axis) as a plan angle in [0, 2 pi); on a tilted plane, of the direction's projection.
[[nodiscard]] double PlanAngle(const OcsFrame& frame, double ocsAngle);

}  // namespace tarsel::geometry
