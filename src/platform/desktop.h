// Window and input services that the command frame and the commands use. The Win32
// implementation calls the real functions; the recording one keeps a virtual clock and
// records what a user would have seen, so commands run headless and tests assert on it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::platform {

// A window handle as the CAD reports it (HWND as a 64-bit integer).
using WindowHandle = std::int64_t;

inline constexpr std::uint8_t kVkEscape = 0x1B;
inline constexpr std::uint32_t kKeyEventKeyUp = 2;  // KEYEVENTF_KEYUP

class Desktop {
public:
    virtual ~Desktop() = default;

    virtual void Sleep(std::uint32_t milliseconds) = 0;
    virtual bool IsIconic(WindowHandle window) = 0;
    virtual bool OpenIcon(WindowHandle window) = 0;
    virtual bool SetForegroundWindow(WindowHandle window) = 0;
    virtual WindowHandle GetForegroundWindow() = 0;
    virtual void KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                            std::uintptr_t extraInfo) = 0;
    // A message box with an OK button, owned by the palette window; returns when closed.
    virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
};

class RecordingDesktop final : public Desktop {
public:
    struct Message {
        std::string text;
        std::string caption;
        friend bool operator==(const Message&, const Message&) = default;
    };
    struct KeyStroke {
        std::uint8_t virtualKey;
        std::uint8_t scanCode;
        std::uint32_t flags;
        std::uintptr_t extraInfo;
        friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
    };
    // Every call in order, e.g. "Sleep 500", "OpenIcon 4711", "KeybdEvent 27 0 2 0".
    std::vector<std::string> log;
    std::vector<Message> messages;
    std::vector<KeyStroke> keys;
    std::uint64_t clockMs = 0;      // advanced by Sleep; nothing waits
    WindowHandle foreground = 0;    // the window in front
    std::set<WindowHandle> iconic;  // minimised windows
    bool refuseForeground = false;  // SetForegroundWindow fails, as Windows may refuse it

    void Sleep(std::uint32_t milliseconds) override;
    bool IsIconic(WindowHandle window) override;
    bool OpenIcon(WindowHandle window) override;
    bool SetForegroundWindow(WindowHandle window) override;
    WindowHandle GetForegroundWindow() override;
    void KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                    std::uintptr_t extraInfo) override;
    void ShowMessage(std::string_view text, std::string_view caption) override;
};

}  // namespace tarsel::platform
