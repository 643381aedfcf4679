// Opening and saving a drawing: kept apart from the automation objects because it is the
// one place that reaches the file system.
#include "minicad/application.h"
#include "minicad/automation_objects.h"

namespace tarsel::minicad {

void Application::Open(const std::filesystem::path& path, const DxfReadOptions& options) {
    Drawing drawing = ReadDxfFile(path, nullptr, options);
    // What a user sees after opening is the whole drawing; VIEWSIZE follows from that,
    // whatever view the file was saved with.
    drawing.variables.viewsize = 0;
    state_->document.Reset(std::move(drawing));
    state_->document.ZoomExtents();
    state_->path = path;
}

void Application::Save(const std::filesystem::path& path, std::optional<DxfVersion> version,
                       DxfNotes* dropped) const {
    WriteDxfFile(path, state_->document.drawing(), version, dropped);
}

}  // namespace tarsel::minicad
