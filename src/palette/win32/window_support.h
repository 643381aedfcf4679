// What the palette and the target-CAD dialog share as windows: the window-procedure thunk, the
// exception kept across a window procedure, the dark look, 96-DPI layout scaled to the screen,
// control creation and the key hook on edits.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "platform/win32/unique_any.h"

namespace tarsel::palette::win32 {

using UniqueFont = platform::UniqueAny<platform::CloseWith<HFONT, ::DeleteObject>>;
using UniqueBrush = platform::UniqueAny<platform::CloseWith<HBRUSH, ::DeleteObject>>;
using UniqueWindow = platform::UniqueAny<platform::CloseWith<HWND, ::DestroyWindow>>;

// UTF-8 (the controller's texts) to what a window shows, and back.
[[nodiscard]] std::wstring Wide(std::string_view utf8);
[[nodiscard]] std::string WindowText(HWND window);
void SetWindowTextIfChanged(HWND window, std::string_view utf8);

// An exception thrown inside a window procedure must not cross into the system's code: it is
// kept here and the message loop rethrows it once the window procedure has returned.
class PendingException {
public:
    void Catch() noexcept { error_ = std::current_exception(); }
    [[nodiscard]] bool HasOne() const noexcept { return static_cast<bool>(error_); }
    void RethrowIfAny() {
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    std::exception_ptr error_;
};

// The "Windows10 Dark" look, drawn by us: dark window, tab, static, edit and button colours,
// and the dark title bar where the system offers one. Inactive (the default look) until
// Create succeeds.
class DarkTheme {
public:
    static constexpr const wchar_t* kName = L"Windows10 Dark";

    // False when the theme cannot be made; the caller reports it and keeps the default look.
    [[nodiscard]] bool Create() noexcept;
    [[nodiscard]] bool Active() const noexcept { return static_cast<bool>(window_); }

    // The colour questions (WM_CTLCOLOR*) and owner drawing (WM_DRAWITEM) of a window's
    // controls: true with the answer when the theme answers, false for the default procedure.
    [[nodiscard]] bool Answer(UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& answer) const noexcept;

    // Answers to WM_CTLCOLORSTATIC / WM_CTLCOLORBTN / WM_CTLCOLORDLG and WM_CTLCOLOREDIT /
    // WM_CTLCOLORLISTBOX; 0 lets the default procedure answer.
    [[nodiscard]] LRESULT ColorStatic(HDC dc) const noexcept;
    [[nodiscard]] LRESULT ColorEdit(HDC dc) const noexcept;
    [[nodiscard]] HBRUSH WindowBrush() const noexcept { return window_.get(); }

    // Applied to each top-level window and control as it is made.
    void DarkTitleBar(HWND window) const noexcept;
    void PlainControl(HWND control) const noexcept;  // radios, checks, groups: our colours win
    // The page control's body: dark, with a thin frame, whatever the visual style paints.
    void DarkPageControl(HWND tab) const noexcept;
    // WM_DRAWITEM of an owner-drawn push button or tab item.
    void DrawButton(const DRAWITEMSTRUCT& item) const noexcept;
    void DrawTab(const DRAWITEMSTRUCT& item) const noexcept;

private:
    UniqueBrush window_;
    UniqueBrush edit_;
    UniqueBrush button_;
    UniqueBrush pressed_;
};

// Layout is written at 96 DPI and scaled to the screen's DPI.
class DpiScale {
public:
    DpiScale();  // the primary screen's DPI
    explicit DpiScale(int dpi) noexcept : dpi_(dpi > 0 ? dpi : 96) {}
    [[nodiscard]] int operator()(int pixels) const noexcept { return MulDiv(pixels, dpi_, 96); }
    [[nodiscard]] int Dpi() const noexcept { return dpi_; }

private:
    int dpi_ = 96;
};

struct Rect96 {
    int x, y, width, height;
};

// A child control at a 96-DPI place, in the given font.
HWND CreateControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                   DWORD exStyle, Rect96 place, int id, const DpiScale& scale, HFONT font);

// A font by face name and character height in 96-DPI pixels.
[[nodiscard]] UniqueFont MakeFont(const wchar_t* face, int height, bool bold, const DpiScale& scale,
                                  BYTE charset);

// Every character typed into the edit reaches onChar first; true swallows it. The edit asks
// for Enter itself, so that dialog navigation does not turn it into a default-button press.
// onChar must outlive the edit.
void HookEditKeys(HWND edit, std::function<bool(wchar_t)>* onChar);

// The window-procedure thunk: `this` is stored at WM_NCCREATE (lpCreateParams) and every
// message goes to T::HandleMessage, which is noexcept; T keeps its HWND in hwnd_.
template <class T>
LRESULT CALLBACK WindowProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    T* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace tarsel::palette::win32
