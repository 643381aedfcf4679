#include "commands/split_region_command.h"

#include <charconv>
#include <vector>

#include "annotation/label_triangles.h"
#include "cadlink/drawing_services.h"
#include "commands/area_check.h"
#include "commands/command_frame.h"
#include "geometry/outline_triangulation.h"

namespace tarsel::commands {

using cadlink::Call;
using cadlink::ObjectRef;
using cadlink::Variant;
using geometry::TAcadPoint;

namespace {

// "%.4f" without the user's locale.
std::string FixedFour(double value) {
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0.0000");
}

}  // namespace

std::string BoundaryCommandText(const TAcadPoint& point) {
    return "_-BOUNDARY A O P \r" + FixedFour(point.x) + "," + FixedFour(point.y) + "\r\r";
}

void Button10Click(cadlink::CadSession& session, SplitSender sender) {
    const bool labelsWanted = sender != SplitSender::Button12;
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;

    const ObjectRef utility = cadlink::GetObject(*doc, "Utility");
    const TAcadPoint pt = cadlink::VariantToPoint(
        Call(utility, "GetPoint", {Variant(), Variant(kRegionPointPrompt)}), "GetPoint");
    Call(utility, "Prompt", {Variant(kPointTakenPrompt)});
    SplitRegionIntoTriangles(session, pt, labelsWanted);
    Call(*doc, "Regen", {Variant(std::int32_t{0})});
}

void SplitRegionIntoTriangles(cadlink::CadSession& session, const TAcadPoint& point,
                              bool labelsWanted) {
    const auto& options = session.options;
    const double height = options::ParseNumberField("M_Taka1", options.M_Taka1);
    const double divisor = options::ParseNumberField("Syakudo", options.Edit8Text());
    const ObjectRef doc = cadlink::GetObject(session.CadApp, "ActiveDocument");

    (void)cadlink::EnsureLayer(doc, options.M_Layer, false);
    (void)cadlink::EnsureLayer(doc, options.H_Layer, false);
    (void)cadlink::EnsureLayer(doc, options.T_Layer, false);
    const cadlink::AngleSettings angles = cadlink::ReadAngleSettings(doc);
    const double viewSize = Call(doc, "GetVariable", {Variant("VIEWSIZE")}).AsDouble();

    const std::int64_t before = cadlink::LastEntityObjectID(doc);
    Call(doc, "SendCommand", {Variant(BoundaryCommandText(point))});
    cadlink::WaitForCadIdle(session, 200);
    const std::int64_t after = cadlink::LastEntityObjectID(doc);

    std::vector<geometry::TAcadTriangle> triangles;
    bool splitFailed = false;
    if (after == before) {
        ShowMessageAndReturnToCad(session, kNoBoundaryMessage);
    } else {
        const ObjectRef entity = Call(doc, "ObjectIdToObject", {Variant(after)}).AsObject();
        std::vector<TAcadPoint> outline;
        // Anything else the CAD made stays untouched: it is not ours to erase.
        if (cadlink::Get(entity, "EntityName").AsText() == "AcDbPolyline") {
            const Variant coords = cadlink::Get(entity, "Coordinates");
            if (!coords.IsArray()) {
                throw cadlink::AutomationError("Coordinates", cadlink::hresult::kTypeMismatch,
                                               "expected an array");
            }
            const auto& items = coords.AsArray().items;
            // Bulges are not read: an arc side becomes its chord.
            for (std::size_t k = 0; 2 * k + 1 < items.size(); ++k) {
                outline.push_back({items[2 * k].AsDouble(), items[2 * k + 1].AsDouble(), 0});
            }
            Call(entity, "Erase", {});
        }
        if (!outline.empty()) {
            const ObjectRef modelSpace = cadlink::GetObject(doc, "ModelSpace");
            const std::string& sidesLayer = options.H_Layer;
            const geometry::OutlineSplit split = geometry::TriangulateOutline(
                outline, viewSize, [&](const TAcadPoint& start, const TAcadPoint& end) {
                    const ObjectRef line =
                        Call(modelSpace, "AddLine",
                             {cadlink::PointToVariant(start), cadlink::PointToVariant(end)})
                            .AsObject();
                    cadlink::Put(line, "Layer", Variant(sidesLayer));
                    Call(line, "Update", {});
                });
            if (split.success) {
                // A split whose triangles do not add up to the outline gets no labels: its
                // numbers would reach the area table.
                const SplitAreaCheck check = CheckSplitArea(outline, split.triangles, divisor);
                if (ReportSplitArea(session, doc, check)) triangles = split.triangles;
            } else {
                splitFailed = true;
                ShowMessageAndReturnToCad(session, kSplitFailedMessage);
            }
        }
    }

    if (labelsWanted && !splitFailed) {
        annotation::LabelTriangles(session, doc, triangles, height, divisor, angles.angleBase,
                                   angles.angleDirection);
    }
    session.desktop.SetForegroundWindow(cadlink::Get(session.CadApp, "HWND").AsInt64());
}

}  // namespace tarsel::commands
