#include "palette/win32/window_support.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <uxtheme.h>

#include "platform/win32/wide_text.h"

namespace tarsel::palette::win32 {

namespace {

constexpr COLORREF kWindowColour = RGB(32, 32, 32);
constexpr COLORREF kEditColour = RGB(45, 45, 48);
constexpr COLORREF kButtonColour = RGB(58, 58, 62);
constexpr COLORREF kPressedColour = RGB(90, 90, 96);
constexpr COLORREF kTextColour = RGB(235, 235, 235);
constexpr COLORREF kDisabledTextColour = RGB(128, 128, 128);
constexpr COLORREF kFrameColour = RGB(100, 100, 108);
// DWMWA_USE_IMMERSIVE_DARK_MODE: Windows 10 20H1 and later; older systems refuse it, which
// leaves the light title bar and nothing else.
constexpr DWORD kDwmDarkTitleBar = 20;

LRESULT CALLBACK EditKeysProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR /*id*/, DWORD_PTR data) noexcept {
    auto* onChar = reinterpret_cast<std::function<bool(wchar_t)>*>(data);
    switch (message) {
        case WM_GETDLGCODE:
            if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
                return DefSubclassProc(edit, message, wParam, lParam) | DLGC_WANTALLKEYS;
            }
            break;
        case WM_CHAR:
            // The callers' callbacks catch what they raise; this one only must not let go.
            try {
                if ((*onChar)(static_cast<wchar_t>(wParam))) return 0;
            } catch (...) {
                return 0;
            }
            break;
        default: break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

// The page control's body and tab row, painted whole in our colours. A visual style would
// paint them in its own light ones in WM_PAINT (erasing is not enough, and it frames even
// owner-drawn tabs), and painting that first only to paint over it costs a start time. The
// controls on the pages are siblings, which the page control's clipping keeps out of this.
LRESULT CALLBACK DarkPageProc(HWND tab, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                              DWORD_PTR data) noexcept {
    if (message != WM_PAINT && message != WM_ERASEBKGND) {
        return DefSubclassProc(tab, message, wParam, lParam);
    }
    if (message == WM_ERASEBKGND) return 1;  // WM_PAINT paints every pixel
    const auto& theme = *reinterpret_cast<const DarkTheme*>(data);
    PAINTSTRUCT paint{};
    HDC dc = wParam != 0 ? reinterpret_cast<HDC>(wParam) : BeginPaint(tab, &paint);
    RECT body{};
    GetClientRect(tab, &body);
    FillRect(dc, &body, theme.WindowBrush());
    RECT item{};
    if (TabCtrl_GetItemRect(tab, 0, &item)) body.top = item.bottom;
    SetDCBrushColor(dc, kFrameColour);
    FrameRect(dc, &body, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tab, WM_GETFONT, 0, 0)));
    const int selected = TabCtrl_GetCurSel(tab);
    for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
        if (!TabCtrl_GetItemRect(tab, i, &item)) continue;
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_TAB;
        draw.itemID = static_cast<UINT>(i);
        draw.itemState = i == selected ? ODS_SELECTED : 0;
        draw.hwndItem = tab;
        draw.hDC = dc;
        draw.rcItem = item;
        theme.DrawTab(draw);
    }
    SelectObject(dc, oldFont);
    if (wParam == 0) EndPaint(tab, &paint);
    return 0;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
    return platform::Utf8ToWide(utf8, platform::InvalidUtf8::Replace).value_or(std::wstring());
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return platform::WideToUtf8(text);
}

void SetWindowTextIfChanged(HWND window, std::string_view utf8) {
    // Setting an edit's text moves its caret to the start: only when the text differs.
    if (WindowText(window) != utf8) SetWindowTextW(window, Wide(utf8).c_str());
}

bool DarkTheme::Create() noexcept {
    window_ = UniqueBrush::Adopt(CreateSolidBrush(kWindowColour));
    edit_ = UniqueBrush::Adopt(CreateSolidBrush(kEditColour));
    button_ = UniqueBrush::Adopt(CreateSolidBrush(kButtonColour));
    pressed_ = UniqueBrush::Adopt(CreateSolidBrush(kPressedColour));
    if (window_ && edit_ && button_ && pressed_) return true;
    window_.reset();
    return false;
}

LRESULT DarkTheme::ColorStatic(HDC dc) const noexcept {
    if (!Active()) return 0;
    SetTextColor(dc, kTextColour);
    SetBkColor(dc, kWindowColour);
    return reinterpret_cast<LRESULT>(window_.get());
}

LRESULT DarkTheme::ColorEdit(HDC dc) const noexcept {
    if (!Active()) return 0;
    SetTextColor(dc, kTextColour);
    SetBkColor(dc, kEditColour);
    return reinterpret_cast<LRESULT>(edit_.get());
}

bool DarkTheme::Answer(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer) const noexcept {
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG: answer = ColorStatic(reinterpret_cast<HDC>(wParam)); break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: answer = ColorEdit(reinterpret_cast<HDC>(wParam)); break;
        case WM_DRAWITEM: {
            if (!Active()) return false;
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_TAB) {
                DrawTab(item);
            } else {
                DrawButton(item);
            }
            answer = TRUE;
            break;
        }
        default: return false;
    }
    return answer != 0;
}

void DarkTheme::DarkTitleBar(HWND window) const noexcept {
    if (!Active()) return;
    const BOOL dark = TRUE;
    (void)DwmSetWindowAttribute(window, kDwmDarkTitleBar, &dark, sizeof dark);
}

void DarkTheme::PlainControl(HWND control) const noexcept {
    // Visual styles draw radio, check and group texts in their own colour; without them the
    // control asks its parent (WM_CTLCOLORSTATIC), where the dark colours are given.
    if (Active()) (void)SetWindowTheme(control, L"", L"");
}

void DarkTheme::DarkPageControl(HWND tab) const noexcept {
    if (Active()) {
        SetWindowSubclass(tab, DarkPageProc, 2, reinterpret_cast<DWORD_PTR>(this));
    }
}

void DarkTheme::DrawButton(const DRAWITEMSTRUCT& item) const noexcept {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT rect = item.rcItem;
    FillSolid(item.hDC, rect, kFrameColour);
    InflateRect(&rect, -1, -1);
    FillRect(item.hDC, &rect, pressed ? pressed_.get() : button_.get());
    wchar_t text[128] = {};
    GetWindowTextW(item.hwndItem, text, static_cast<int>(std::size(text)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, disabled ? kDisabledTextColour : kTextColour);
    DrawTextW(item.hDC, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if ((item.itemState & ODS_FOCUS) != 0) {
        InflateRect(&rect, -2, -2);
        DrawFocusRect(item.hDC, &rect);
    }
}

void DarkTheme::DrawTab(const DRAWITEMSTRUCT& item) const noexcept {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillSolid(item.hDC, item.rcItem, kFrameColour);
    RECT inside = item.rcItem;
    InflateRect(&inside, -1, -1);
    FillRect(item.hDC, &inside, selected ? pressed_.get() : button_.get());
    wchar_t text[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(item.hwndItem, TCM_GETITEMW, item.itemID, reinterpret_cast<LPARAM>(&tab));
    RECT rect = item.rcItem;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, kTextColour);
    DrawTextW(item.hDC, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

DpiScale::DpiScale() {
    // Per-monitor aware: the DPI of the primary screen at start; the palette opens there.
    if (HDC screen = GetDC(nullptr)) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpi_ <= 0) dpi_ = 96;
}

HWND CreateControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                   DWORD exStyle, Rect96 place, int id, const DpiScale& scale, HFONT font) {
    HWND control = CreateWindowExW(
        exStyle, windowClass, text, WS_CHILD | style, scale(place.x), scale(place.y),
        scale(place.width), scale(place.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (control != nullptr && font != nullptr) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return control;
}

UniqueFont MakeFont(const wchar_t* face, int height, bool bold, const DpiScale& scale,
                    BYTE charset) {
    LOGFONTW font{};
    font.lfHeight = -scale(height);  // negative: the character height, not the cell's
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = charset;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return UniqueFont::Adopt(CreateFontIndirectW(&font));
}

void HookEditKeys(HWND edit, std::function<bool(wchar_t)>* onChar) {
    SetWindowSubclass(edit, EditKeysProc, 1, reinterpret_cast<DWORD_PTR>(onChar));
}

}  // namespace tarsel::palette::win32
