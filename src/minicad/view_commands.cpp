// REGEN and ZOOM: minicad draws nothing, but a script may zoom to extents so that VIEWSIZE
// (and with it the pick box) follows what was drawn, as a user's view would.
#include <array>
#include <string_view>

#include "minicad/command_line.h"
#include "minicad/document.h"

namespace tarsel::minicad {

void RegisterViewCommands(CommandLine& line) {
    line.Register("REGEN", [](CommandContext& context) { context.Log("Regenerating model."); });
    line.Register("ZOOM", [](CommandContext& context) {
        static constexpr std::array<std::string_view, 2> kKeywords{"All", "Extents"};
        const std::string choice = context.GetKeyword(
            "Specify corner of window, enter a scale factor or [All/Extents]: ", kKeywords);
        if (!choice.empty()) context.document().ZoomExtents();
    });
}

}  // namespace tarsel::minicad
