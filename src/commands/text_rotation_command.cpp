#include "commands/text_rotation_command.h"

#include <array>

#include "cadlink/drawing_services.h"
#include "commands/command_frame.h"

namespace tarsel::commands {

using cadlink::Variant;

void Button2Click(CadSession& session) {
    const auto doc = BeginCadCommand(session, FrameForm::Full);
    if (!doc) return;

    cadlink::SnapOffScope snapOff(*doc);
    const cadlink::ObjectRef utility = cadlink::GetObject(*doc, "Utility");
    std::array<Variant, 3> args = {Variant(), Variant(), Variant(kTextRotationPrompt)};
    cadlink::CallWithOut(utility, "GetEntity", args);
    const cadlink::ObjectRef entity = args[0].AsObject();

    if (cadlink::Get(entity, "EntityName").AsText() != "AcDbText") {
        ShowMessageAndReturnToCad(session, kNotTextMessage);
        return;
    }
    // A left-aligned text has no alignment point of its own; every other text turns about
    // the point it is aligned to, so a centred label stays centred on its side.
    const bool leftAligned = cadlink::Get(entity, "Alignment").AsInt() == 0;
    const geometry::TAcadPoint anchor =
        cadlink::GetPoint(entity, leftAligned ? "InsertionPoint" : "TextAlignmentPoint");
    double degrees = 0;
    try {
        degrees = options::ParseNumberField("Kakudo", session.options.Kakudo);
    } catch (const options::NumberFieldError&) {
        degrees = 0;
    }
    cadlink::Call(entity, "Rotate",
                  {cadlink::PointToVariant(anchor), Variant(degrees * geometry::kDegToRad)});
}

}  // namespace tarsel::commands
