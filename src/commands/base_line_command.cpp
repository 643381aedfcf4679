#include "commands/base_line_command.h"

#include <array>
#include <optional>
#include <string>

#include "annotation/number_labels.h"
#include "annotation/side_labels.h"
#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"
#include "commands/labelling.h"

namespace tarsel::commands {

using cadlink::Call;
using cadlink::ObjectRef;
using cadlink::Variant;
using geometry::PointDistance;
using geometry::TAcadPoint;
using geometry::TAcadTriangle;

namespace {

// Whether the number writer of the method has a place for the triangle's number; a triangle
// it cannot number is not drawn at all.
bool HasNumberPoint(const TAcadTriangle& t, bool threeSides) {
    return threeSides
               ? annotation::TriangleNumberPoint(t).has_value()
               : annotation::BaseHeightNumberPoint(annotation::FindBaseAndFoot(t)).has_value();
}

// The apex of the two solutions that lies nearer to `toward` (the first on a tie); nullopt
// when the sides give no proper triangle.
std::optional<TAcadPoint> ApexToward(const TAcadPoint& a, double sideA, const TAcadPoint& b,
                                     double sideB, const TAcadPoint& toward) {
    const geometry::ApexResult r = geometry::TriangleApex(a, sideA, b, sideB);
    if (r.result != 2) return std::nullopt;
    return PointDistance(r.apex1, toward) > PointDistance(r.apex2, toward) ? r.apex2 : r.apex1;
}

void Regen(const ObjectRef& doc) {
    Call(doc, "Regen", {Variant(std::int32_t{0})});
}

void CadToFront(CadSession& session) {
    session.desktop.SetForegroundWindow(cadlink::Get(session.CadApp, "HWND").AsInt64());
}

}  // namespace

void Button1Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Keep);
    if (!doc) return;

    const ObjectRef utility = cadlink::GetObject(*doc, "Utility");
    std::array<Variant, 3> args = {Variant(), Variant(), Variant(kBaseLinePrompt)};
    cadlink::CallWithOut(utility, "GetEntity", args);
    const ObjectRef entity = args[0].AsObject();
    TAcadPoint pick = cadlink::VariantToPoint(args[1], "GetEntity");

    TAcadPoint a;
    TAcadPoint b;
    const std::string type = cadlink::Get(entity, "EntityName").AsText();
    if (type == "AcDbLine") {
        a = cadlink::GetPoint(entity, "StartPoint");
        b = cadlink::GetPoint(entity, "EndPoint");
        const geometry::FootResult foot = geometry::PerpendicularFoot(pick, a, b, true);
        if (foot.ok && foot.foot) pick = *foot.foot;
    } else if (type == "AcDbPolyline") {
        const auto segment = cadlink::PickedPolylineSegment(*doc, entity, pick);
        if (!segment) return;
        a = segment->p1;
        b = segment->p2;
        pick = segment->foot;
    } else {
        return;
    }
    BuildTriangleOnBaseLine(session, *doc, pick, a, b);
}

void BuildTriangleOnBaseLine(CadSession& session, const ObjectRef& doc, const TAcadPoint& pick,
                             const TAcadPoint& a, const TAcadPoint& b) {
    const auto& options = session.options;
    annotation::LabelStyle style = ReadLengthStyle(options);
    const double factor = options::ParseNumberField("Jouritu", options.Edit17Text());
    double sideA = options::ParseNumberField("A_Hen", options.A_Hen) * factor;
    double sideB = options::ParseNumberField("B_Hen", options.B_Hen) * factor;
    // Every field the build reads is read before the record of the previous triangle is
    // touched: a field that does not convert leaves that triangle flippable.
    ReadNumberSizes(options, style);
    if (!session.connection.IsCadRunning(session.TargetProgID)) return;

    const double base = PointDistance(a, b);
    // Side a starts at the end nearer the pick.
    if (PointDistance(pick, a) > PointDistance(pick, b)) std::swap(sideA, sideB);
    if (!(geometry::AreaFromSides(base, sideA, sideB) > 0)) {
        ShowMessageAndReturnToCad(session, kNoTriangleMessage);
        return;
    }

    ActivateCadWindow(session);
    const ObjectRef utility = cadlink::GetObject(doc, "Utility");
    const TAcadPoint toward = cadlink::VariantToPoint(
        Call(utility, "GetPoint", {Variant(), Variant(kTriangleSidePrompt)}), "GetPoint");
    const std::optional<TAcadPoint> apex = ApexToward(a, sideA, b, sideB, toward);
    if (!apex) return;
    const TAcadTriangle triangle{a, b, *apex};
    const bool threeSides = !style.baseAndHeight;
    if (!HasNumberPoint(triangle, threeSides)) {
        ShowMessageAndReturnToCad(session, kNoTriangleMessage);
        return;
    }

    session.LastBaseLineTriangle = triangle;
    style.angles = cadlink::ReadAngleSettings(doc);
    session.CreatedIds.clear();
    session.RecordCreatedIds = true;
    session.Button9Enabled = true;
    LabelBaseLineTriangle(session, doc, triangle, style);
    CadToFront(session);
    Regen(doc);
}

void LabelBaseLineTriangle(CadSession& session, const ObjectRef& doc, const TAcadTriangle& triangle,
                           const annotation::LabelStyle& style) {
    const annotation::LabelTarget target = LabelTargetFor(session, doc);
    (void)cadlink::EnsureLayer(doc, style.sideLayer, false);
    // The side texts come before the number, whose writer would make the layer only then: a
    // drawing without it must not get its first texts on whatever layer the CAD falls back to.
    (void)cadlink::EnsureLayer(doc, style.textLayer, false);
    annotation::AddSideLine(target, triangle.p1, triangle.p3, true, style.sideLayer);
    annotation::AddSideLine(target, triangle.p2, triangle.p3, true, style.sideLayer);

    const int number = session.options.NextNumber();
    if (!style.baseAndHeight) {
        annotation::WriteTriangleSideLengths(target, style, triangle);
        (void)annotation::WriteTriangleNumber(target, style, triangle, number);
    } else {
        const annotation::BaseAndFoot bf = annotation::FindBaseAndFoot(triangle);
        annotation::WriteSideLength(target, style, bf.base1, bf.base2, true);
        annotation::WriteSideLength(target, style, bf.apex, bf.foot, true);
        (void)cadlink::EnsureLayer(doc, style.heightLayer, false);
        annotation::AddSideLine(target, bf.apex, bf.foot, false, style.heightLayer);
        (void)annotation::WriteBaseHeightNumber(target, style, triangle, bf, number);
    }
    session.options.AdvanceNextNumber();
}

void Button9Click(CadSession& session) {
    // A disabled button takes no click.
    if (!session.Button9Enabled || !session.LastBaseLineTriangle) return;
    const auto doc = BeginCadCommand(session, FrameForm::Keep);
    if (!doc) return;

    auto& options = session.options;
    annotation::LabelStyle style = ReadLabelStyle(options);
    const bool threeSides = !style.baseAndHeight;
    style.angles = cadlink::ReadAngleSettings(*doc);

    const TAcadTriangle last = *session.LastBaseLineTriangle;
    const double a1 = PointDistance(last.p1, last.p3);
    const double b1 = PointDistance(last.p2, last.p3);
    const std::optional<TAcadPoint> same = ApexToward(last.p1, a1, last.p2, b1, last.p3);
    const std::optional<TAcadPoint> exchanged = ApexToward(last.p1, b1, last.p2, a1, last.p3);
    if (!same || !exchanged) return;
    // The solution farther from the present apex is the exchanged one (on a tie, it too).
    const TAcadPoint apex =
        PointDistance(*same, last.p3) > PointDistance(*exchanged, last.p3) ? *same : *exchanged;
    const TAcadTriangle rebuilt{last.p1, last.p2, apex};
    if (!HasNumberPoint(rebuilt, threeSides)) return;
    session.LastBaseLineTriangle = rebuilt;

    // The rebuilt triangle takes the number of the one it replaces.
    options.SetNextNumber(options.NextNumber() - 1);
    if (session.RecordCreatedIds) {
        for (const std::int64_t id : session.CreatedIds) {
            try {
                const ObjectRef entity = Call(*doc, "ObjectIdToObject", {Variant(id)}).AsObject();
                Call(entity, "Delete", {});
            } catch (const cadlink::AutomationError&) {
                // Already erased by the user, or refused: it stays, and the others still go.
            }
        }
    }
    // Recording stays on even after a refused delete: a rebuild left unrecorded would survive
    // the next flip as a second triangle with the same number.
    session.RecordCreatedIds = true;
    session.CreatedIds.clear();
    LabelBaseLineTriangle(session, *doc, rebuilt, style);
    Regen(*doc);
    CadToFront(session);
}

}  // namespace tarsel::commands
