// The desktop services on Windows: the real window functions, keyboard input and message
// boxes owned by the palette window.
#pragma once

#include "platform/desktop.h"

namespace tarsel::platform {

class Win32Desktop final : public Desktop {
public:
    // owner: the palette window that owns message boxes (0 until it exists).
    explicit Win32Desktop(WindowHandle owner = 0) : owner_(owner) {}
    void SetOwner(WindowHandle owner) { owner_ = owner; }

    void Sleep(std::uint32_t milliseconds) override;
    bool IsIconic(WindowHandle window) override;
    bool OpenIcon(WindowHandle window) override;
    bool SetForegroundWindow(WindowHandle window) override;
    WindowHandle GetForegroundWindow() override;
    void KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                    std::uintptr_t extraInfo) override;
    // MessageBoxW with an OK button; texts are UTF-8 (invalid bytes show as U+FFFD).
    void ShowMessage(std::string_view text, std::string_view caption) override;

private:
    WindowHandle owner_;
};

}  // namespace tarsel::platform
