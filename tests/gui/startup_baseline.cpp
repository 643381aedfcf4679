// startup_baseline.exe: the smallest palette-like program (one topmost window, one label in the
// palette's Japanese font), built with the palette's manifest and linked the same way. Timed by
// palette_startup.exe beside Tarsel2025.exe, it shows what starting any GUI program costs under
// the same Wine and display, so that the palette's own share can be told apart.
#include <windows.h>

#include "palette/win32/control_ids.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // The palette's class name: the probe finds both programs' windows the same way.
    windowClass.lpszClassName = tarsel::palette::win32::kPaletteClass;
    if (RegisterClassExW(&windowClass) == 0) return 1;
    HWND window =
        CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"", WS_CAPTION | WS_SYSMENU, 589,
                        336, 201, 290, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    LOGFONTW face{};
    face.lfHeight = -12;
    face.lfCharSet = SHIFTJIS_CHARSET;
    wcscpy(face.lfFaceName, L"ＭＳ Ｐゴシック");
    HFONT font = CreateFontIndirectW(&face);
    HWND label = CreateWindowExW(0, L"STATIC", L"求積 ヘロン 三斜", WS_CHILD | WS_VISIBLE, 8, 8,
                                 180, 16, window, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(font);
    return static_cast<int>(message.wParam);
}
