// The frame every drawing command runs first: connect to the running target CAD, bring its
// window to the front and cancel whatever it was doing, so that the command's own prompts meet
// a CAD waiting for input. Also the texts and helpers the commands share.
#pragma once

#include <optional>
#include <string_view>

#include "cadlink/automation.h"
#include "commands/cad_session.h"

namespace tarsel::commands {

inline constexpr std::string_view kMessageCaption = "Tarsel";

enum class FrameForm {
    Full,  // also drops the record of the last base-line triangle ("a-b反転" no longer offered)
    Keep,  // leaves that record alone ("基準線", "a-b反転", "最大")
};

// The active document, or nullopt when the target CAD is not running (the handler then
// returns without a word). Any failure after that raises; the palette's one catch around
// every handler ends the command quietly.
[[nodiscard]] std::optional<cadlink::ObjectRef> BeginCadCommand(CadSession& session,
                                                                FrameForm form);

// Restores a minimised CAD window, brings it to the front and, when it came, cancels whatever
// the CAD was doing with one Escape stroke: the frame's activation, again for a command that
// showed the palette in between.
void ActivateCadWindow(CadSession& session);

// Brings the CAD window to the front and, when it came, sends one Escape stroke (no settling
// pause): how a command that leaves the CAD at a prompt of its own ends it.
void SendClosingEscape(CadSession& session);

// A message box owned by the palette, then the CAD window brought to the front again.
void ShowMessageAndReturnToCad(CadSession& session, std::string_view text,
                               std::string_view caption = kMessageCaption);

}  // namespace tarsel::commands
