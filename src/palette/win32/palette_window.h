// The palette window (TForm1) on Windows: a view over the palette controller. Its controls show
// the controller's option state, forward every change to the controller's handlers and run a
// clicked button's command synchronously; after each command the view shows the controller
// again. Creating it is FormCreate (settings loaded, message filter registered), destroying it
// FormDestroy (settings saved, filter revoked).
#pragma once

#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cadlink/com/com_ptr.h"
#include "cadlink/com/message_filter.h"
#include "palette/palette_controller.h"
#include "palette/target_cad_dialog.h"
#include "palette/win32/target_cad_window.h"
#include "palette/win32/window_support.h"

namespace tarsel::palette::win32 {

struct PaletteWindowArgs {
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;                // the application's icon (caption and Image1)
    HICON smallIcon = nullptr;           // the caption's small icon
    std::wstring buildLabel;             // "Build 2026-12-10"
    std::filesystem::path settingsFile;  // Tarsel2025.ini beside the executable
    std::filesystem::path listFile;      // TargetCAD_APIVersion.txt beside it
};

class PaletteWindow {
public:
    // Creates the window hidden and runs FormCreate; Show() puts it on the screen. The theme,
    // controller and pending-exception slot must outlive the window.
    PaletteWindow(PaletteController& controller, const DarkTheme& theme, PendingException& pending,
                  PaletteWindowArgs args);
    ~PaletteWindow();
    PaletteWindow(const PaletteWindow&) = delete;
    PaletteWindow& operator=(const PaletteWindow&) = delete;

    void Show();
    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }
    // The hidden target-CAD dialog, made after the palette as the program's start has it.
    void CreateTargetCadDialog();

    // Every message the thunk delivers.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    template <class T>
    friend LRESULT CALLBACK WindowProcThunk(HWND, UINT, WPARAM, LPARAM) noexcept;

    // The three fonts of the palette at the current scale.
    struct Fonts {
        UniqueFont normal;
        UniqueFont bold;
        UniqueFont number;  // Edit16
    };
    [[nodiscard]] Fonts MakeFonts() const;
    void CreateControls();
    // Makes a page's controls the first time; true then.
    bool MakePage(int page);
    void MakeGroupCaptions(int page);
    void PlaceGroupCaptions(HFONT font);
    // Every control placed and sized from its 96-DPI place at the current scale, in fonts.
    void PlaceControls(const Fonts& fonts);
    // WM_DPICHANGED: the palette moves to a screen of another DPI.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void FormCreate();
    void FormDestroy() noexcept;
    // Writes the controller's state into every control; notifications it causes are ignored.
    void ShowState();
    void ShowPage(int page);
    [[nodiscard]] HWND Control(int id) const { return GetDlgItem(hwnd_, id); }

    void OnCommand(int id, int code, HWND control);
    void OnUpDown(HWND upDown);
    void Button15Click();
    bool EditKeyPress(int editId, wchar_t key);
    void ShowError(const std::string& text) noexcept;

    PaletteController& controller_;
    const DarkTheme& theme_;
    PendingException& pending_;
    PaletteWindowArgs args_;
    DpiScale scale_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND buildLabel_ = nullptr;  // made with the last page
    int buildLabelId_ = 0;
    std::array<bool, 4> pageMade_{};
    // The id of each control of the pages, in the order of the page table (plain labels and
    // groups are numbered).
    std::vector<int> controlIds_;
    struct GroupCaption {
        std::size_t row;  // the group's row in the page table
        HWND label;
    };
    std::vector<GroupCaption> groupCaptions_;
    Fonts fonts_;
    cadlink::com::ComPtr<cadlink::com::TMessageFilter> filter_;
    bool updating_ = false;  // ShowState is writing: control notifications are ours
    int page_ = 0;
    std::function<bool(wchar_t)> edit1Keys_;
    std::function<bool(wchar_t)> edit2Keys_;
    TargetCadDialog dialogModel_;
    std::unique_ptr<TargetCadWindow> dialog_;
};

}  // namespace tarsel::palette::win32
