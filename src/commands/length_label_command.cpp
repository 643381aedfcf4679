#include "commands/length_label_command.h"

#include <array>

#include "annotation/side_labels.h"
#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"
#include "commands/labelling.h"

namespace tarsel::commands {

using cadlink::Variant;

void Button11Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;

    cadlink::SnapOffScope snapOff(*doc);
    const cadlink::ObjectRef utility = cadlink::GetObject(*doc, "Utility");
    std::array<Variant, 3> args = {Variant(), Variant(), Variant(kLengthLabelPrompt)};
    cadlink::CallWithOut(utility, "GetEntity", args);
    const cadlink::ObjectRef entity = args[0].AsObject();

    geometry::TAcadPoint p1;
    geometry::TAcadPoint p2;
    const std::string type = cadlink::Get(entity, "EntityName").AsText();
    if (type == "AcDbLine") {
        p1 = cadlink::GetPoint(entity, "StartPoint");
        p2 = cadlink::GetPoint(entity, "EndPoint");
    } else if (type == "AcDbPolyline") {
        const auto segment = cadlink::PickedPolylineSegment(
            *doc, entity, cadlink::VariantToPoint(args[1], "GetEntity"));
        if (!segment) return;
        p1 = segment->p1;
        p2 = segment->p2;
    } else {
        return;
    }

    annotation::LabelStyle style = ReadLengthStyle(session.options);
    style.angles = cadlink::ReadAngleSettings(*doc);
    annotation::WriteSideLength(LabelTargetFor(session, *doc), style, p1, p2, true);
}

}  // namespace tarsel::commands
