#include "commands/split_region_command.h"

#include <charconv>
#include <vector>

#include "cadlink/drawing_services.h"
#include "commands/area_check.h"
#include "commands/command_frame.h"
#include "commands/labelling.h"
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

void Button10Click(CadSession& session, SplitSender sender) {
    const bool labelsWanted = sender != SplitSender::Button12;
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;

    const ObjectRef utility = cadlink::GetObject(*doc, "Utility");
    const TAcadPoint pt = cadlink::VariantToPoint(
        Call(utility, "GetPoint", {Variant(), Variant(kRegionPointPrompt)}), "GetPoint");
    Call(utility, "Prompt", {Variant(kPointTakenPrompt)});
    SplitRegionIntoTriangles(session, *doc, pt, labelsWanted);
    Call(*doc, "Regen", {Variant(std::int32_t{0})});
}

void SplitRegionIntoTriangles(CadSession& session, const ObjectRef& doc, const TAcadPoint& point,
                              bool labelsWanted) {
    annotation::LabelStyle style = ReadLengthStyle(session.options);

    (void)cadlink::EnsureLayer(doc, style.textLayer, false);
    (void)cadlink::EnsureLayer(doc, style.sideLayer, false);
    (void)cadlink::EnsureLayer(doc, style.heightLayer, false);
    style.angles = cadlink::ReadAngleSettings(doc);
    const double viewSize = Call(doc, "GetVariable", {Variant("VIEWSIZE")}).AsDouble();

    const std::int64_t before = cadlink::LastEntityObjectID(doc);
    Call(doc, "SendCommand", {Variant(BoundaryCommandText(point))});
    WaitForCadIdle(session, 200);
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
            outline = cadlink::PolylineVertices(entity);
            Call(entity, "Erase", {});
        }
        if (!outline.empty()) {
            const ObjectRef modelSpace = cadlink::GetObject(doc, "ModelSpace");
            const geometry::OutlineSplit split = geometry::TriangulateOutline(
                outline, viewSize, [&](const TAcadPoint& start, const TAcadPoint& end) {
                    (void)cadlink::AddLineOnLayer(modelSpace, start, end, style.sideLayer);
                });
            if (split.success) {
                // A split whose triangles do not add up to the outline gets no labels: its
                // numbers would reach the area table.
                const SplitAreaCheck check =
                    CheckSplitArea(outline, split.triangles, style.scaleDivisor);
                if (ReportSplitArea(session, doc, check)) triangles = split.triangles;
            } else {
                splitFailed = true;
                ShowMessageAndReturnToCad(session, kSplitFailedMessage);
            }
        }
    }

    // The number sizes are read only when there is something to number: "分割" never needs
    // them.
    if (labelsWanted && !splitFailed && !triangles.empty()) {
        ReadNumberSizes(session.options, style);
        LabelTrianglesAndTell(session, doc, style, triangles);
    }
    session.desktop.SetForegroundWindow(cadlink::Get(session.CadApp, "HWND").AsInt64());
}

}  // namespace tarsel::commands
