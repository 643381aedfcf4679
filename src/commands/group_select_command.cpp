#include "commands/group_select_command.h"

#include <string>

#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"
#include "commands/labelling.h"

namespace tarsel::commands {

using cadlink::Call;
using cadlink::Get;
using cadlink::ObjectRef;
using cadlink::Variant;

void Button13Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;

    cadlink::TempSelectionSetScope ss(*doc);
    Call(ss.get(), "SelectOnScreen", {Variant(), Variant()});
    const std::int32_t count = Get(ss.get(), "Count").AsInt();
    if (count == 0) {
        ss.Delete();
        return;
    }

    std::vector<geometry::TAcadLine> segments;
    std::vector<geometry::PickedPolyline> polylines;
    for (std::int32_t i = 0; i < count; ++i) {
        const ObjectRef entity = Call(ss.get(), "Item", {Variant(i)}).AsObject();
        const std::string type = Get(entity, "EntityName").AsText();
        if (type == "AcDbLine") {
            segments.push_back(
                {cadlink::GetPoint(entity, "StartPoint"), cadlink::GetPoint(entity, "EndPoint")});
        } else if (type == "AcDbPolyline") {
            geometry::PickedPolyline polyline;
            polyline.selectionIndex = i;
            polyline.closed = Get(entity, "Closed").AsBool();
            polyline.vertices = cadlink::PolylineVertices(entity);
            polylines.push_back(std::move(polyline));
        }
    }
    if (!segments.empty() || !polylines.empty()) {
        GroupSelectTriangles(session, *doc, std::move(segments), polylines);
    }
    ss.Delete();
}

void GroupSelectTriangles(CadSession& session, const ObjectRef& doc,
                          std::vector<geometry::TAcadLine> segments,
                          const std::vector<geometry::PickedPolyline>& polylines) {
    annotation::LabelStyle style = ReadLengthStyle(session.options);
    if (!session.connection.IsCadRunning(session.TargetProgID)) return;

    (void)cadlink::EnsureLayer(doc, style.textLayer, false);
    (void)cadlink::EnsureLayer(doc, style.sideLayer, false);
    (void)cadlink::EnsureLayer(doc, style.heightLayer, false);
    style.angles = cadlink::ReadAngleSettings(doc);

    geometry::PolylineSegments(polylines, segments);
    if (segments.empty()) {
        ShowMessageAndReturnToCad(session, kNoSegmentMessage, kGroupSelectCaption);
        return;
    }
    if (segments.size() < 3) return;
    const std::vector<geometry::TAcadTriangle> triangles = geometry::AssembleTriangles(segments);
    if (triangles.empty()) return;

    ReadNumberSizes(session.options, style);
    LabelTrianglesAndTell(session, doc, style, triangles);
    session.desktop.SetForegroundWindow(Get(session.CadApp, "HWND").AsInt64());
    Call(doc, "Regen", {Variant(std::int32_t{0})});
}

}  // namespace tarsel::commands
