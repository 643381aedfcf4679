// The control ids and window class names of the palette and the target-CAD dialog. A test in
// another process finds the windows by class and each control by its id, so these are the
// one place both sides agree on.
#pragma once

namespace tarsel::palette::win32 {

inline constexpr const wchar_t* kPaletteClass = L"TForm1";
inline constexpr const wchar_t* kTargetCadClass = L"TTargetCADForm";

// Palette controls keep their form names: ButtonId(10) is Button10, EditId(16) is Edit16.
inline constexpr int kPageControl1 = 100;
[[nodiscard]] constexpr int RadioGroup1ItemId(int index) {
    return 110 + index;
}  // 0 ヘロン, 1 三斜
[[nodiscard]] constexpr int ButtonId(int n) {
    return 200 + n;
}
[[nodiscard]] constexpr int EditId(int n) {
    return 300 + n;
}
[[nodiscard]] constexpr int UpDownId(int n) {
    return 400 + n;
}
[[nodiscard]] constexpr int RadioButtonId(int n) {
    return 500 + n;
}
[[nodiscard]] constexpr int CheckBoxId(int n) {
    return 600 + n;
}
[[nodiscard]] constexpr int SpeedButtonId(int n) {
    return 700 + n;
}
inline constexpr int kImage1 = 800;
inline constexpr int kLabelHaba1 = 901;  // "幅1", enabled with Edit11
inline constexpr int kLabelHaba2 = 902;  // "幅2", enabled with Edit20
inline constexpr int kFirstPlainLabel = 1000;

// The target-CAD dialog. Its OK and cancel buttons carry the dialog ids IDOK and IDCANCEL, so
// Enter and Escape reach them as in any dialog.
inline constexpr int kDialogButton1 = 1;  // "OK"
inline constexpr int kDialogButton2 = 2;  // "取り消し"
inline constexpr int kDialogListBox1 = 2001;
inline constexpr int kDialogEdit1 = 2011;  // name
inline constexpr int kDialogEdit2 = 2012;  // ProgID
[[nodiscard]] constexpr int DialogSpeedButtonId(int n) {
    return 2020 + n;
}  // 追加, 削除, 変更

}  // namespace tarsel::palette::win32
