// The process-wide state every command receives: the target CAD, the one application
// reference, the record of what the last base-line triangle drew, and the services
// (connection, desktop, options) a command may use. Lives on the GUI thread. Label writers
// below the commands never see it: a command hands them a LabelTarget made from it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cadlink/automation.h"
#include "cadlink/connection.h"
#include "geometry/primitives.h"
#include "options/palette_options.h"
#include "platform/desktop.h"

namespace tarsel::commands {

inline constexpr const char* kDefaultTargetProgID = "BricscadApp.AcadApplication";
inline constexpr const char* kDefaultTargetCadName = "BricsCAD";

struct CadSession {
    CadSession(cadlink::CadConnection& connectionIn, platform::Desktop& desktopIn,
               options::PaletteOptions& optionsIn, std::filesystem::path executableFolderIn = {})
        : connection(connectionIn),
          desktop(desktopIn),
          options(optionsIn),
          executableFolder(std::move(executableFolderIn)) {}

    cadlink::CadConnection& connection;
    platform::Desktop& desktop;
    options::PaletteOptions& options;
    // Where the executable lies: the tagged DXF fragments are written here.
    std::filesystem::path executableFolder;

    // The ProgID also selects CAD-specific behaviour (state call, fragment road).
    std::string TargetProgID = kDefaultTargetProgID;
    std::string TargetCadName = kDefaultTargetCadName;
    // The running CAD's application object; refreshed by every command frame.
    cadlink::ObjectRef CadApp;

    // While RecordCreatedIds is set every label writer appends the ObjectID of each entity it
    // creates, in creation order, so "a-b反転" can delete what the last base-line triangle drew.
    std::vector<std::int64_t> CreatedIds;
    bool RecordCreatedIds = false;
    // p1, p2: the base line's end points; p3: the apex. Set by "基準線", never cleared.
    std::optional<geometry::TAcadTriangle> LastBaseLineTriangle;
    // Button9 "a-b反転": enabled by a successful "基準線", disabled by every full frame.
    bool Button9Enabled = false;

    // Appends an entity's id while recording is on.
    void RecordCreated(std::int64_t objectId) {
        if (RecordCreatedIds) CreatedIds.push_back(objectId);
    }
};

// WaitForCadIdle for the session's application and target.
void WaitForCadIdle(const CadSession& session, std::uint32_t intervalMs);

}  // namespace tarsel::commands
