#include "commands/maximum_number_command.h"

#include <algorithm>
#include <cstdint>

#include "areatable/triangle_data.h"
#include "commands/command_frame.h"
#include "commands/triangle_collection.h"

namespace tarsel::commands {

using areatable::SortTriangleData;
using areatable::TriangleDataNumber;
using areatable::TriangleNumberKey;

void Button4Click(CadSession& session) {
    session.options.SetNextNumber(1);
    const auto doc = BeginCadCommand(session, FrameForm::Keep);
    if (!doc) return;
    // The on-screen choice of "全データ" does not apply: the largest number is the drawing's.
    CollectedTriangles collected = CollectTriangleData(*doc, true);
    if (collected.lines.empty()) return;
    SortTriangleData(collected.lines);
    const std::string_view number = TriangleDataNumber(collected.lines.back());
    if (number.empty()) return;
    // The field cannot go past 1000: after 1000 it shows 1000 again, as counting on from the
    // up-down's top does.
    const std::int64_t next = std::int64_t{TriangleNumberKey(number)} + 1;
    session.options.SetNextNumber(static_cast<int>(
        std::clamp<std::int64_t>(next, options::kNextNumberMin, options::kNextNumberMax)));
}

}  // namespace tarsel::commands
