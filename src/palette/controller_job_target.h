// The palette controller as `tarsel run` drives it: options by settings key, buttons by control
// name or caption, and the message boxes the recording desktop saw.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "job/job_file.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"

namespace tarsel::palette {

class ControllerJobTarget final : public job::JobTarget {
public:
    // desktop must be the one the controller shows its messages on.
    ControllerJobTarget(PaletteController& controller, platform::RecordingDesktop& desktop)
        : controller_(controller), desktop_(desktop), seenMessages_(desktop.messages.size()) {}

    std::string SetOption(std::string_view key, std::string_view value) override;
    bool Press(std::string_view button) override;
    [[nodiscard]] int NextNumber() const override { return controller_.options().NextNumber(); }
    std::vector<job::JobMessage> TakeMessages() override;

private:
    PaletteController& controller_;
    platform::RecordingDesktop& desktop_;
    std::size_t seenMessages_;
};

}  // namespace tarsel::palette
