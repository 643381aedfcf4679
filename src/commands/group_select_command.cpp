#include "commands/group_select_command.h"

#include <string>

#include "annotation/label_triangles.h"
#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"

namespace tarsel::commands {

using cadlink::Call;
using cadlink::Get;
using cadlink::ObjectRef;
using cadlink::Variant;

void Button13Click(cadlink::CadSession& session) {
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
            const Variant coords = Get(entity, "Coordinates");
            if (!coords.IsArray()) {
                throw cadlink::AutomationError("Coordinates", cadlink::hresult::kTypeMismatch,
                                               "expected an array");
            }
            const auto& items = coords.AsArray().items;
            // Bulges are not read: an arc side counts as its chord.
            for (std::size_t k = 0; 2 * k + 1 < items.size(); ++k) {
                polyline.vertices.push_back(
                    {items[2 * k].AsDouble(), items[2 * k + 1].AsDouble(), 0});
            }
            polylines.push_back(std::move(polyline));
        }
    }
    if (!segments.empty() || !polylines.empty()) {
        GroupSelectTriangles(session, std::move(segments), polylines);
    }
    ss.Delete();
}

void GroupSelectTriangles(cadlink::CadSession& session, std::vector<geometry::TAcadLine> segments,
                          const std::vector<geometry::PickedPolyline>& polylines) {
    const auto& options = session.options;
    const double height = options::ParseNumberField("M_Taka1", options.M_Taka1);
    const double divisor = options::ParseNumberField("Syakudo", options.Edit8Text());
    if (!session.connection.IsCadRunning(session.TargetProgID)) return;
    const ObjectRef doc = cadlink::GetObject(session.CadApp, "ActiveDocument");

    (void)cadlink::EnsureLayer(doc, options.M_Layer, false);
    (void)cadlink::EnsureLayer(doc, options.H_Layer, false);
    (void)cadlink::EnsureLayer(doc, options.T_Layer, false);
    const cadlink::AngleSettings angles = cadlink::ReadAngleSettings(doc);

    geometry::PolylineSegments(polylines, segments);
    if (segments.empty()) {
        ShowMessageAndReturnToCad(session, kNoSegmentMessage, kGroupSelectCaption);
        return;
    }
    if (segments.size() < 3) return;
    const std::vector<geometry::TAcadTriangle> triangles = geometry::AssembleTriangles(segments);
    if (triangles.empty()) return;

    (void)annotation::LabelTriangles(session, doc, triangles, height, divisor, angles.angleBase,
                                     angles.angleDirection);
    session.desktop.SetForegroundWindow(Get(session.CadApp, "HWND").AsInt64());
    Call(doc, "Regen", {Variant(std::int32_t{0})});
}

}  // namespace tarsel::commands
