// Small operations on the CAD document that many commands share (layers, numbered blocks,
// temporary selection sets, the last entity, waiting for an idle CAD, picked polyline
// segments, angle and snap settings) and the point <-> Variant conversion at the boundary.
// Everything goes through the by-name automation interface, so minicad and COM behave alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/automation.h"
#include "geometry/primitives.h"
#include "platform/desktop.h"

namespace tarsel::cadlink {

inline constexpr const char* kTempSelectionSetPrefix = "SSTEMP_";

// --- Points at the boundary.
// Every point handed to the CAD is an array of three doubles (VT_R8) with bounds 0..2.
[[nodiscard]] Variant PointToVariant(const geometry::TAcadPoint& p);
// Points read back may be arrays of doubles or of Variants holding numbers, of two or three
// items (a missing z is 0). Anything else raises AutomationError (type mismatch) naming member.
[[nodiscard]] geometry::TAcadPoint VariantToPoint(const Variant& v,
                                                  std::string_view member = "point");
// Reads a point-valued member (e.g. "InsertionPoint", "StartPoint").
[[nodiscard]] geometry::TAcadPoint GetPoint(const ObjectRef& obj, std::string_view member);

// The vertices of a lightweight polyline from its Coordinates (x, y pairs; z = 0), in order.
// Bulges are not read: an arc side counts as its chord. Coordinates that are not an array
// raise AutomationError (type mismatch).
[[nodiscard]] std::vector<geometry::TAcadPoint> PolylineVertices(const ObjectRef& polyline);

// Adds the line p1-p2 to a space (model space, a block), puts it on the layer and updates it.
ObjectRef AddLineOnLayer(const ObjectRef& space, const geometry::TAcadPoint& p1,
                         const geometry::TAcadPoint& p2, std::string_view layer);

// --- Layers and blocks.
// True when a layer of that name (any letter case) already existed; otherwise adds it with
// the name as given. makeCurrent sets CLAYER whether or not the layer was found.
[[nodiscard]] bool EnsureLayer(const ObjectRef& doc, std::string_view name, bool makeCurrent);
// prefix + (largest number after the prefix among the blocks, any letter case) + 1;
// creates nothing.
[[nodiscard]] std::string NextBlockName(const ObjectRef& doc, std::string_view prefix);
struct NumberedBlock {
    std::string name;  // as the CAD reports it
    ObjectRef block;
};
// Adds the block NextBlockName would give, with origin (0, 0, 0).
[[nodiscard]] NumberedBlock NewNumberedBlock(const ObjectRef& doc, std::string_view prefix);
// Deletes the first block whose name matches (any letter case). False when none matches or
// when its Delete fails (still referenced): that failure is swallowed.
bool DeleteBlock(const ObjectRef& doc, std::string_view name);

// --- Selection sets and the last entity.
// A new selection set "SSTEMP_" + (largest number among such sets) + 1; the caller deletes it.
[[nodiscard]] ObjectRef NewTempSelectionSet(const ObjectRef& doc);
// A temporary selection set that is deleted however the caller's work ends. Delete() removes
// it on the normal path and lets a failure raise; the destructor removes it quietly when the
// work ended by a failure (or Delete() was never called).
class TempSelectionSetScope {
public:
    explicit TempSelectionSetScope(const ObjectRef& doc) : set_(NewTempSelectionSet(doc)) {}
    ~TempSelectionSetScope();
    TempSelectionSetScope(const TempSelectionSetScope&) = delete;
    TempSelectionSetScope& operator=(const TempSelectionSetScope&) = delete;

    [[nodiscard]] const ObjectRef& get() const { return set_; }
    void Delete();

private:
    ObjectRef set_;
};

// Entity-type filter arrays for Select, SelectOnScreen and SelectAtPoint: the 16-bit group
// code 0 and the type name ("TEXT", "*LINE"), one element each with bounds 0..0.
[[nodiscard]] inline Variant EntityTypeFilterType() {
    return FilterTypeArray(0);
}
[[nodiscard]] inline Variant EntityTypeFilterData(std::string_view typeName) {
    return FilterDataArray(typeName);
}

// When the last entity is a reference to blockName (exact comparison), explodes it, deletes
// the reference and returns its insertion point. Any failure gives nullopt; the temporary
// selection set is deleted in every case.
std::optional<geometry::TAcadPoint> ExplodeLastInsert(const ObjectRef& doc,
                                                      std::string_view blockName);
// The ObjectID of the drawing's last entity; 0 when there is none or any step fails.
[[nodiscard]] std::int64_t LastEntityObjectID(const ObjectRef& doc);

// --- Waiting for queued command-line input.
// Sleeps intervalMs, polls the state object chosen by the ProgID until it reports quiescent
// (no limit: a CAD that never becomes idle keeps the command waiting), then sleeps once more.
void WaitForCadIdle(const ObjectRef& app, std::string_view targetProgId, platform::Desktop& desktop,
                    std::uint32_t intervalMs);
// The state member WaitForCadIdle calls for a ProgID: "GetAcadState", "GetGcadState" or
// "GetZcadState".
[[nodiscard]] std::string_view CadStateMember(std::string_view targetProgId);

// --- Picks and settings.
struct PickedSegment {
    geometry::TAcadPoint foot;  // the pick point's perpendicular foot on the segment
    geometry::TAcadPoint p1;    // the segment in the polyline's vertex order, z = 0
    geometry::TAcadPoint p2;
};
// The segment of a lightweight polyline nearest the pick point whose perpendicular foot lies
// on it (closer than the drawing extents' diagonal); the closing segment too when Closed.
// nullopt for polylines of two vertices or fewer, or when no segment qualifies.
[[nodiscard]] std::optional<PickedSegment> PickedPolylineSegment(
    const ObjectRef& doc, const ObjectRef& polyline, const geometry::TAcadPoint& pickPoint);

struct AngleSettings {
    double angleBase = 0;    // ANGBASE in radians
    int angleDirection = 0;  // ANGDIR: 0 counter-clockwise, 1 clockwise
};
// Reads ANGBASE (degrees whatever AUNITS says, by setting AUNITS to 0 while reading) and
// ANGDIR; AUNITS is written back when it was 0..4.
[[nodiscard]] AngleSettings ReadAngleSettings(const ObjectRef& doc);

// SNAPMODE is 0 while the scope lives and restored however the command ends. A restore that
// fails (the CAD went away) is swallowed: the command is ending anyway.
class SnapOffScope {
public:
    explicit SnapOffScope(ObjectRef doc);
    ~SnapOffScope();
    SnapOffScope(const SnapOffScope&) = delete;
    SnapOffScope& operator=(const SnapOffScope&) = delete;

private:
    ObjectRef doc_;
    std::int32_t saved_ = 0;
};

}  // namespace tarsel::cadlink
