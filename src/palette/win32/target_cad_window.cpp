#include "palette/win32/target_cad_window.h"

#include <stdexcept>

#include "palette/win32/control_ids.h"

namespace tarsel::palette::win32 {

namespace {

constexpr int kClientWidth = 315;
constexpr int kClientHeight = 307;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;

void RegisterDialogClass(HINSTANCE instance, const DarkTheme& theme) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcThunk<TargetCadWindow>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground =
        theme.Active() ? theme.WindowBrush() : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kTargetCadClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("the target-CAD dialog's window class cannot be registered");
    }
}

}  // namespace

TargetCadWindow::TargetCadWindow(HWND owner, TargetCadDialog& model, const DarkTheme& theme,
                                 PendingException& pending, HINSTANCE instance)
    : owner_(owner), model_(model), theme_(theme), pending_(pending) {
    RegisterDialogClass(instance, theme_);
    RECT frame{0, 0, scale_(kClientWidth), scale_(kClientHeight)};
    AdjustWindowRectEx(&frame, kDialogStyle, FALSE, kDialogExStyle);
    CreateWindowExW(kDialogExStyle, kTargetCadClass, L"ターゲット CAD", kDialogStyle, 0, 0,
                    frame.right - frame.left, frame.bottom - frame.top, owner_, nullptr, instance,
                    this);
    if (hwnd_ == nullptr) throw std::runtime_error("the target-CAD dialog cannot be created");
    theme_.DarkTitleBar(hwnd_);
    font_ = MakeFont(L"Tahoma", 11, false, scale_, DEFAULT_CHARSET);  // Tahoma 8 pt
    const DWORD button = (theme_.Active() ? BS_OWNERDRAW : BS_PUSHBUTTON) | WS_TABSTOP;
    const auto make = [&](const wchar_t* windowClass, const wchar_t* text, DWORD style,
                          DWORD exStyle, Rect96 place, int id) {
        if (CreateControl(hwnd_, windowClass, text, WS_VISIBLE | style, exStyle, place, id, scale_,
                          font_.get()) == nullptr) {
            throw std::runtime_error("a control of the target-CAD dialog cannot be created");
        }
    };
    // The list keeps the model's order (sorted by the model); tabs show as columns.
    make(L"LISTBOX", L"",
         WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
         WS_EX_CLIENTEDGE, {8, 8, 299, 148}, kDialogListBox1);
    make(L"STATIC", L"名称 （説明）", SS_LEFT, 0, {8, 162, 200, 14}, 3001);
    make(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, {8, 178, 299, 21},
         kDialogEdit1);
    make(L"STATIC", L"ProgID （クラス文字列）", SS_LEFT, 0, {8, 206, 200, 14}, 3002);
    make(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, {8, 222, 299, 21},
         kDialogEdit2);
    make(L"BUTTON", L"追加", button, 0, {8, 250, 60, 23}, DialogSpeedButtonId(1));
    make(L"BUTTON", L"削除", button, 0, {72, 250, 60, 23}, DialogSpeedButtonId(2));
    make(L"BUTTON", L"変更", button, 0, {136, 250, 60, 23}, DialogSpeedButtonId(3));
    make(L"BUTTON", L"OK", button | (theme_.Active() ? 0 : BS_DEFPUSHBUTTON), 0, {150, 278, 75, 23},
         kDialogButton1);
    make(L"BUTTON", L"取り消し", button, 0, {232, 278, 75, 23}, kDialogButton2);
    editKeys_ = [this](wchar_t key) {
        try {
            if (key > 0x7F || !model_.Edit1KeyPress(static_cast<char>(key))) return false;
            AfterListEdit();
        } catch (...) {
            pending_.Catch();
        }
        return true;
    };
    HookEditKeys(Control(kDialogEdit1), &editKeys_);
    HookEditKeys(Control(kDialogEdit2), &editKeys_);
}

TargetCadWindow::~TargetCadWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool TargetCadWindow::ShowModal() {
    model_.FormShow();
    ShowModel();
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE);
    EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(Control(kDialogListBox1));
    if (!model_.LastError().empty()) {
        MessageBoxW(hwnd_, Wide(model_.LastError()).c_str(), L"Tarsel", MB_OK | MB_ICONERROR);
    }
    running_ = true;
    ok_ = false;
    MSG message{};
    while (running_ && !pending_.HasOne()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the quit goes on to the palette's loop.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageW(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    running_ = false;
    // The owner first, or the system activates some other program's window.
    EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    return ok_;
}

void TargetCadWindow::ShowModel() {
    updating_ = true;
    HWND list = Control(kDialogListBox1);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : model_.Items()) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    }
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()), 0);
    SetWindowTextIfChanged(Control(kDialogEdit1), model_.Edit1);
    SetWindowTextIfChanged(Control(kDialogEdit2), model_.Edit2);
    updating_ = false;
}

void TargetCadWindow::AfterListEdit() {
    ShowModel();
    if (!model_.LastError().empty()) {
        MessageBoxW(hwnd_, Wide(model_.LastError()).c_str(), L"Tarsel", MB_OK | MB_ICONERROR);
    }
}

void TargetCadWindow::Finish(bool ok) noexcept {
    ok_ = ok;
    running_ = false;
}

void TargetCadWindow::OnCommand(int id, int code) {
    if (updating_) return;
    if (code == EN_CHANGE) {
        if (id == kDialogEdit1) model_.Edit1 = WindowText(Control(id));
        if (id == kDialogEdit2) model_.Edit2 = WindowText(Control(id));
        return;
    }
    if (id == kDialogListBox1) {
        if (code == LBN_SELCHANGE) {
            model_.ClickItem(static_cast<int>(SendMessageW(Control(id), LB_GETCURSEL, 0, 0)));
            ShowModel();
        }
        return;
    }
    if (code != BN_CLICKED) return;
    if (id == kDialogButton1) {
        Finish(true);
    } else if (id == kDialogButton2) {
        Finish(false);
    } else if (id == DialogSpeedButtonId(1)) {
        model_.SpeedButton1Click();
        AfterListEdit();
    } else if (id == DialogSpeedButtonId(2)) {
        model_.SpeedButton2Click();
        AfterListEdit();
    } else if (id == DialogSpeedButtonId(3)) {
        model_.SpeedButton3Click();
        AfterListEdit();
    }
}

LRESULT TargetCadWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (LRESULT answer = 0; theme_.Answer(message, wParam, lParam, answer)) return answer;
    try {
        switch (message) {
            case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
            case WM_CLOSE: Finish(false); return 0;
            default: break;
        }
    } catch (...) {
        pending_.Catch();
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace tarsel::palette::win32
