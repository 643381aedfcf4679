// MOVE: the objects selected (the typed "PRE" takes the previous selection), a base point and
// a second point; every object is moved by the difference. The second point is the user's,
// typed or picked; cancelling it moves nothing.
//
// LASTPOINT follows the points as they are entered: after a completed move it is the second
// point; after a cancelled second point it is still the base point, which was entered before
// the user gave up. A caller that wants to know whether anything moved looks at the objects,
// not at LASTPOINT.
#include <cstdint>
#include <string>
#include <vector>

#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/placement.h"

namespace tarsel::minicad {

void RegisterMoveCommand(CommandLine& line) {
    line.Register("MOVE", [](CommandContext& context) {
        const std::vector<std::int64_t> ids = context.GetSelection("Select objects: ");
        if (ids.empty()) {
            context.Log("Nothing selected.");
            return;
        }
        const Point3 base = context.GetPoint("Specify base point: ");
        const Point3 to = context.GetPoint("Specify second point: ");
        const Placement shift{base, to, 1, 1, 1, 0};
        Document& document = context.document();
        for (std::int64_t id : ids) {
            document.ModifyEntity(id, [&](Entity& e) { e = TransformEntity(e, shift); });
        }
        context.Log(std::to_string(ids.size()) + " object(s) moved.");
    });
}

}  // namespace tarsel::minicad
