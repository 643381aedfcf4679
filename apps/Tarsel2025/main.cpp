// Tarsel2025.exe: the palette beside a running CAD. Starts in this order: COM for the GUI
// thread (single-threaded apartment), the dark theme, the palette (settings loaded, message
// filter registered), the hidden target-CAD dialog, the message loop. Closing the palette
// saves the settings and revokes the filter; the CAD reference is let go before COM ends.
#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <exception>
#include <optional>
#include <string>

#include "cadlink/com/com_connection.h"
#include "cadlink/com/com_ptr.h"
#include "options/settings_file.h"
#include "palette/palette_controller.h"
#include "palette/win32/palette_window.h"
#include "palette/win32/window_support.h"
#include "platform/win32/executable_folder.h"
#include "platform/win32/win32_desktop.h"

namespace {

namespace com = tarsel::cadlink::com;
namespace platform = tarsel::platform;
namespace win32 = tarsel::palette::win32;

constexpr int kIconResource = 1;

HICON LoadAppIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, LR_SHARED));
}

void ShowFatal(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Tarsel", MB_OK | MB_ICONERROR | MB_TOPMOST);
}

int Run(HINSTANCE instance, const win32::DarkTheme& theme, win32::PendingException& pending) {
    // Declared before the window, so that they outlive it; all of them are gone before the
    // caller ends COM, the CAD reference (held by the controller) included.
    com::ComCadConnection connection;
    platform::Win32Desktop desktop;
    tarsel::palette::PaletteController controller(connection, desktop,
                                                  platform::ExecutableFolder());
    win32::PaletteWindowArgs args;
    args.instance = instance;
    args.icon = LoadAppIcon(instance, GetSystemMetrics(SM_CXICON));
    args.smallIcon = LoadAppIcon(instance, GetSystemMetrics(SM_CXSMICON));
    args.buildLabel = L"Build " TARSEL_BUILD_DATE;
    args.settingsFile = tarsel::options::SettingsPathFor(platform::ExecutablePath());
    args.listFile = platform::ExecutableFolder() / "TargetCAD_APIVersion.txt";

    win32::PaletteWindow palette(controller, theme, pending, std::move(args));
    desktop.SetOwner(reinterpret_cast<platform::WindowHandle>(palette.hwnd()));
    palette.CreateTargetCadDialog();
    palette.Show();

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (palette.hwnd() == nullptr || !IsDialogMessageW(palette.hwnd(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        pending.RethrowIfAny();
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::optional<com::ComApartment> apartment;
    try {
        apartment.emplace();
    } catch (const std::exception&) {
        ShowFatal(L"COM を初期化できません");
        return 1;
    }
    const INITCOMMONCONTROLSEX controls{
        sizeof(INITCOMMONCONTROLSEX),
        ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    // TARSEL_REFUSE_THEME: the tests' way onto the path where the look cannot be applied,
    // which no system they run on would take by itself.
    const bool refused = GetEnvironmentVariableW(L"TARSEL_REFUSE_THEME", nullptr, 0) != 0;
    win32::DarkTheme theme;
    if (refused || !theme.Create()) {
        ShowFatal(std::wstring(L"スタイル \"") + win32::DarkTheme::kName +
                  L"\" を適用できません。標準の外観で表示します。");
    }
    win32::PendingException pending;
    try {
        return Run(instance, theme, pending);
    } catch (const std::exception& e) {
        ShowFatal(win32::Wide(e.what()));
    } catch (...) {
        ShowFatal(L"予期しないエラーで終了します");
    }
    return 1;
}
