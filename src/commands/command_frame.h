// The frame every drawing command runs first: connect to the running target CAD, bring its
// window to the front and cancel whatever it was doing, so that the command's own prompts meet
// a CAD waiting for input. Also the texts and helpers the commands share.
#pragma once

#include <optional>
#include <string_view>

#include "cadlink/automation.h"
#include "cadlink/cad_session.h"

namespace tarsel::commands {

inline constexpr std::string_view kMessageCaption = "Tarsel";

enum class FrameForm {
    Full,  // also drops the record of the last base-line triangle ("a-b反転" no longer offered)
    Keep,  // leaves that record alone ("基準線", "a-b反転", "最大")
};

// The active document, or nullopt when the target CAD is not running (the handler then
// returns without a word). Any failure after that raises; the palette's one catch around
// every handler ends the command quietly.
[[nodiscard]] std::optional<cadlink::ObjectRef> BeginCadCommand(cadlink::CadSession& session,
                                                                FrameForm form);

// A message box owned by the palette, then the CAD window brought to the front again.
void ShowMessageAndReturnToCad(cadlink::CadSession& session, std::string_view text,
                               std::string_view caption = kMessageCaption);

}  // namespace tarsel::commands
