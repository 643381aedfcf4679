#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace tarsel::platform {
namespace {

// The CAD reports its window as a 64-bit integer (its HWND property).
HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window));
}

// A message box shows what it is given: bytes that are not UTF-8 become U+FFFD.
std::wstring Wide(std::string_view utf8) {
    return Utf8ToWide(utf8, InvalidUtf8::Replace).value_or(std::wstring());
}

}  // namespace

void Win32Desktop::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

bool Win32Desktop::IsIconic(WindowHandle window) {
    return ::IsIconic(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::OpenIcon(WindowHandle window) {
    return ::OpenIcon(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(ToHwnd(window)) != FALSE;
}

WindowHandle Win32Desktop::GetForegroundWindow() {
    return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(::GetForegroundWindow()));
}

void Win32Desktop::KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                              std::uintptr_t extraInfo) {
    ::keybd_event(virtualKey, scanCode, flags, static_cast<ULONG_PTR>(extraInfo));
}

void Win32Desktop::ShowMessage(std::string_view text, std::string_view caption) {
    ::MessageBoxW(ToHwnd(owner_), Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

}  // namespace tarsel::platform
