#include "commands/two_side_command.h"

#include <array>
#include <optional>
#include <string>

#include "annotation/number_labels.h"
#include "annotation/side_labels.h"
#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"
#include "commands/labelling.h"

namespace tarsel::commands {

using cadlink::ObjectRef;
using cadlink::Variant;
using geometry::TAcadPoint;

namespace {

struct Side {
    TAcadPoint p1;
    TAcadPoint p2;
};

// One picked side: a line's ends, or the picked segment of a polyline. nullopt for any other
// entity or a polyline pick that hits no segment; a cancelled pick raises.
std::optional<Side> PickSide(const ObjectRef& doc, const char* prompt) {
    const ObjectRef utility = cadlink::GetObject(doc, "Utility");
    std::array<Variant, 3> args = {Variant(), Variant(), Variant(prompt)};
    cadlink::CallWithOut(utility, "GetEntity", args);
    const ObjectRef entity = args[0].AsObject();
    const std::string type = cadlink::Get(entity, "EntityName").AsText();
    if (type == "AcDbLine") {
        return Side{cadlink::GetPoint(entity, "StartPoint"), cadlink::GetPoint(entity, "EndPoint")};
    }
    if (type == "AcDbPolyline") {
        const auto segment = cadlink::PickedPolylineSegment(
            doc, entity, cadlink::VariantToPoint(args[1], "GetEntity"));
        if (segment) return Side{segment->p1, segment->p2};
    }
    return std::nullopt;
}

// The closing Escape runs however the command ends, a cancelled pick or a failing call
// included, so the CAD is never left inside a prompt the palette started.
class ClosingEscape {
public:
    explicit ClosingEscape(CadSession& session) : session_(session) {}
    ~ClosingEscape() {
        try {
            SendClosingEscape(session_);
        } catch (...) {
            // The CAD went away while the command ended; there is nothing left to cancel.
        }
    }
    ClosingEscape(const ClosingEscape&) = delete;
    ClosingEscape& operator=(const ClosingEscape&) = delete;

private:
    CadSession& session_;
};

bool FartherThan(const TAcadPoint& p, const TAcadPoint& corner) {
    return geometry::PointDistance(p, corner) > kCornerTolerance;
}

const TAcadPoint& FarEnd(const Side& side, const TAcadPoint& corner) {
    return geometry::PointDistance(side.p2, corner) > geometry::PointDistance(side.p1, corner)
               ? side.p2
               : side.p1;
}

}  // namespace

void Button8Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;
    ClosingEscape closing(session);

    std::optional<Side> first;
    std::optional<Side> second;
    {
        cadlink::SnapOffScope snapOff(*doc);
        first = PickSide(*doc, kFirstSidePrompt);
        if (first) second = PickSide(*doc, kOtherSidePrompt);
    }
    if (!first || !second) return;
    CompleteTwoSideTriangle(session, *doc, first->p1, first->p2, second->p1, second->p2);
}

void CompleteTwoSideTriangle(CadSession& session, const ObjectRef& doc, const TAcadPoint& a1,
                             const TAcadPoint& a2, const TAcadPoint& b1, const TAcadPoint& b2) {
    // Read before anything is drawn, so a bad field never leaves a triangle without its number.
    annotation::LabelStyle style = ReadLabelStyle(session.options);
    if (!session.connection.IsCadRunning(session.TargetProgID)) return;
    style.angles = cadlink::ReadAngleSettings(doc);

    // The corner is where the two sides' lines meet, not a picked end: ends that miss each
    // other by a little still make the triangle close exactly.
    const std::optional<TAcadPoint> corner = geometry::LineIntersection(a1, a2, b1, b2, false);
    const Side sideA{a1, a2};
    const Side sideB{b1, b2};
    const bool connected = corner && !(FartherThan(a1, *corner) && FartherThan(a2, *corner)) &&
                           !(FartherThan(b1, *corner) && FartherThan(b2, *corner));
    const bool threeSides = !style.baseAndHeight;
    geometry::TAcadTriangle t;
    annotation::BaseAndFoot bf;
    bool labelPoint = false;
    if (connected) {
        t = {*corner, FarEnd(sideA, *corner), FarEnd(sideB, *corner)};
        bf = annotation::FindBaseAndFoot(t);
        labelPoint = threeSides ? annotation::TriangleNumberPoint(t).has_value()
                                : annotation::BaseHeightNumberPoint(bf).has_value();
    }
    // Parallel or collinear sides have no corner, and sides that close no area have no place
    // for a number: either way there is no triangle to draw.
    if (!connected || !labelPoint) {
        ShowMessageAndReturnToCad(session, kSidesNotConnectedMessage, kTwoSideCaption);
        return;
    }

    const annotation::LabelTarget target = LabelTargetFor(session, doc);
    const int number = session.options.NextNumber();
    (void)cadlink::EnsureLayer(doc, style.sideLayer, false);
    annotation::AddSideLine(target, t.p2, t.p3, true, style.sideLayer);
    (void)cadlink::EnsureLayer(doc, style.textLayer, false);
    if (threeSides) {
        annotation::WriteTriangleSideLengths(target, style, t);
        (void)annotation::WriteTriangleNumber(target, style, t, number);
    } else {
        annotation::WriteSideLength(target, style, bf.apex, bf.foot, true);
        annotation::WriteSideLength(target, style, bf.base1, bf.base2, true);
        // The height line of this command goes with the sides, not on the height-line layer.
        annotation::AddSideLine(target, bf.apex, bf.foot, true, style.sideLayer);
        (void)annotation::WriteBaseHeightNumber(target, style, t, bf, number);
    }
    session.options.AdvanceNextNumber();
}

}  // namespace tarsel::commands
