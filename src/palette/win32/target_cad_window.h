// The target-CAD dialog (TTargetCADForm) on Windows: a view over the dialog model. Made hidden
// at start and reused; each showing reads the list file again and runs modally over the
// palette until OK or cancel.
#pragma once

#include <windows.h>

#include <functional>

#include "palette/target_cad_dialog.h"
#include "palette/win32/window_support.h"

namespace tarsel::palette::win32 {

class TargetCadWindow {
public:
    TargetCadWindow(HWND owner, TargetCadDialog& model, const DarkTheme& theme,
                    PendingException& pending, HINSTANCE instance);
    ~TargetCadWindow();
    TargetCadWindow(const TargetCadWindow&) = delete;
    TargetCadWindow& operator=(const TargetCadWindow&) = delete;

    // FormShow, then the dialog runs modally, the palette disabled; true when it closed with
    // OK. The model's edits hold what the user left in them.
    bool ShowModal();
    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    template <class T>
    friend LRESULT CALLBACK WindowProcThunk(HWND, UINT, WPARAM, LPARAM) noexcept;

    // The model's list, selection and edits into the controls.
    void ShowModel();
    // After an edit of the list: the model's error, if any, is shown.
    void AfterListEdit();
    void Finish(bool ok) noexcept;
    void OnCommand(int id, int code);
    [[nodiscard]] HWND Control(int id) const { return GetDlgItem(hwnd_, id); }

    HWND owner_;
    TargetCadDialog& model_;
    const DarkTheme& theme_;
    PendingException& pending_;
    DpiScale scale_;
    HWND hwnd_ = nullptr;
    UniqueFont font_;
    std::function<bool(wchar_t)> editKeys_;
    bool updating_ = false;
    bool running_ = false;
    bool ok_ = false;
};

}  // namespace tarsel::palette::win32
