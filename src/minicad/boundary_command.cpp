// -BOUNDARY: the command-line form of a CAD's boundary command. Internal points are traced
// as they are picked; Enter adds the outlines as closed polylines on the current layer.
// The advanced options are read as a CAD asks them, but only what minicad does is
// available: polylines, the whole drawing as the boundary set, islands ignored.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "minicad/boundary.h"
#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/segment_index_tracker.h"

namespace tarsel::minicad {

namespace {

constexpr std::array<std::string_view, 1> kPickOptions{"Advanced"};
constexpr std::array<std::string_view, 3> kAdvancedOptions{"Boundary", "Island", "Object"};
constexpr std::array<std::string_view, 2> kObjectTypes{"Region", "Polyline"};
constexpr std::array<std::string_view, 2> kYesNo{"Yes", "No"};
constexpr std::array<std::string_view, 2> kBoundarySets{"New", "Everything"};

void AdvancedOptions(CommandContext& context) {
    for (;;) {
        const std::string option = context.GetKeyword(
            "Enter an option [Boundary set/Island detection/Object type]: ", kAdvancedOptions);
        if (option.empty()) return;
        if (option == "Object") {
            const std::string type = context.GetKeyword(
                "Enter type of boundary object [Region/Polyline] <Polyline>: ", kObjectTypes);
            if (type == "Region")
                context.Log("Regions are not available; boundaries are polylines.");
        } else if (option == "Island") {
            const std::string yes =
                context.GetKeyword("Do you want island detection? [Yes/No] <No>: ", kYesNo);
            if (yes == "Yes")
                context.Log("Island detection is not available; islands are ignored.");
        } else {
            const std::string set = context.GetKeyword(
                "Specify candidate set for boundary [New/Everything] <Everything>: ",
                kBoundarySets);
            if (set == "New") context.Log("The boundary set is always the whole drawing.");
        }
    }
}

}  // namespace

void RegisterBoundaryCommand(CommandLine& line) {
    // One index per command line, that is per document; it follows the document's changes
    // from the first trace on, so a pick costs its neighbourhood, not the drawing.
    auto tracked = std::make_shared<std::unique_ptr<TrackedSegmentIndex>>();
    line.Register("-BOUNDARY", [tracked](CommandContext& context) {
        Document& document = context.document();
        if (!*tracked || &(*tracked)->document() != &document) {
            *tracked = std::make_unique<TrackedSegmentIndex>(document);
        }
        std::vector<PolylineData> outlines;
        for (;;) {
            const CommandContext::PointOrKeyword answer = context.GetPointOrKeyword(
                "Pick internal point or [Advanced options]: ", kPickOptions);
            if (answer.enter) break;
            if (!answer.point) {
                AdvancedOptions(context);
                continue;
            }
            const TraceResult traced =
                TraceBoundary((*tracked)->Index(), answer.point->x, answer.point->y);
            if (!traced.polyline) {
                context.Log("Valid boundary not found at " + FormatPoint(*answer.point) + ": " +
                            traced.reason + ".");
                continue;
            }
            outlines.push_back(*traced.polyline);
        }
        // Added only when the command ends with Enter: a cancelled command leaves nothing.
        const std::string layer = document.drawing().variables.clayer;
        for (PolylineData& outline : outlines) {
            Entity e;
            e.layer = layer;
            e.data = std::move(outline);
            document.AddEntity(std::move(e));
        }
        context.Log("BOUNDARY created " + std::to_string(outlines.size()) +
                    (outlines.size() == 1 ? " polyline" : " polylines"));
    });
}

}  // namespace tarsel::minicad
