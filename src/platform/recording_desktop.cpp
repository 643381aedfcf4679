#include "platform/desktop.h"

namespace tarsel::platform {

void RecordingDesktop::Sleep(std::uint32_t milliseconds) {
    clockMs += milliseconds;
    log.push_back("Sleep " + std::to_string(milliseconds));
}

bool RecordingDesktop::IsIconic(WindowHandle window) {
    log.push_back("IsIconic " + std::to_string(window));
    return iconic.count(window) != 0;
}

bool RecordingDesktop::OpenIcon(WindowHandle window) {
    log.push_back("OpenIcon " + std::to_string(window));
    return iconic.erase(window) != 0;
}

bool RecordingDesktop::SetForegroundWindow(WindowHandle window) {
    log.push_back("SetForegroundWindow " + std::to_string(window));
    if (refuseForeground) return false;
    foreground = window;
    return true;
}

WindowHandle RecordingDesktop::GetForegroundWindow() {
    log.push_back("GetForegroundWindow");
    return foreground;
}

void RecordingDesktop::KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode,
                                  std::uint32_t flags, std::uintptr_t extraInfo) {
    keys.push_back({virtualKey, scanCode, flags, extraInfo});
    log.push_back("KeybdEvent " + std::to_string(virtualKey) + " " + std::to_string(scanCode) +
                  " " + std::to_string(flags) + " " + std::to_string(extraInfo));
}

void RecordingDesktop::ShowMessage(std::string_view text, std::string_view caption) {
    messages.push_back({std::string(text), std::string(caption)});
    log.push_back("ShowMessage " + std::string(caption) + ": " + std::string(text));
}

}  // namespace tarsel::platform
