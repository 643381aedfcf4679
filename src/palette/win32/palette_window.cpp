#include "palette/win32/palette_window.h"

#include <commctrl.h>

#include <algorithm>
#include <charconv>
#include <span>
#include <stdexcept>

#include "options/profile_file.h"
#include "options/settings_file.h"
#include "palette/win32/control_ids.h"
#include "text/numbers.h"

namespace tarsel::palette::win32 {

namespace {

using options::PaletteOptions;

enum class Kind { Group, Label, Button, Edit, ReadOnlyEdit, UpDown, Radio, Check, Image };

enum Flags : unsigned {
    kDisabled = 1,
    kHidden = 2,       // never shown: controls that lie outside their group's visible part
    kBold = 4,         // labels "a辺", "b辺"
    kNumberFont = 8,   // Edit16: bold, 16 pixels
    kFirstRadio = 16,  // the first button of a radio group
    kAlignLeft = 32,   // an up-down with its buttons on the left of its field
};

// One control of a tab page, placed in 96-DPI client pixels. Page -1: the page control.
struct ControlRow {
    int page;
    Kind kind;
    int id;  // 0: a plain label or group, numbered on creation
    const wchar_t* text;
    Rect96 place;
    const wchar_t* hint = nullptr;
    unsigned flags = 0;
    int buddy = 0;  // up-downs: their field
};

constexpr int kPageCount = 4;
constexpr const wchar_t* kPageCaptions[kPageCount] = {L"ヘロン", L" 設定1", L" 設定2", L"ツール"};
constexpr int kTabWidth = 47;
constexpr int kTabHeight = 20;
constexpr int kAboutPage = 3;  // the page with Image1 and the build label
constexpr int kClientWidth = 195;
constexpr int kClientHeight = 266;
constexpr Rect96 kBuildLabelPlace = {52, 232, 132, 14};  // below "Tarsel2025" on the last page

// The four pages, in their order. Groups are made after the controls they frame, so that they
// lie below them; radio groups are made in sequence, so that each starts a group of its own.
// clang-format off
const ControlRow kControls[] = {
    // TabSheet2 "ヘロン" / "三斜"
    {0, Kind::Group, 0, L"求積", {4, 24, 106, 38}},
    {0, Kind::Radio, RadioGroup1ItemId(0), L"ヘロン", {9, 40, 52, 17}, nullptr, kFirstRadio},
    {0, Kind::Radio, RadioGroup1ItemId(1), L"三斜", {63, 40, 45, 17}},
    {0, Kind::Group, 0, L"No.", {113, 24, 78, 38}},
    {0, Kind::Edit, EditId(16), L"1", {117, 37, 42, 21}, nullptr, kNumberFont},
    {0, Kind::UpDown, UpDownId(4), L"", {0, 0, 16, 21}, nullptr, 0, EditId(16)},
    {0, Kind::Button, ButtonId(4), L"最大", {161, 37, 27, 21}, L"図面内の番号の最大値を得る"},
    {0, Kind::Group, 0, L"一括処理", {4, 64, 187, 42}},
    {0, Kind::Button, ButtonId(12), L"分割", {9, 80, 56, 21},
     L"閉鎖領域内を１点指示すると、三角形に自動分割"},
    {0, Kind::Button, ButtonId(13), L"群選択", {68, 80, 58, 21},
     L"分割された線分をすべて選ぶと、三角形群を取得し、長さを記入"},
    {0, Kind::Button, ButtonId(10), L"自動", {129, 80, 57, 21},
     L"閉鎖領域内を１点指示すると、自動分割後、長さ、番号を記入"},
    {0, Kind::Group, 0, L"個別処理", {4, 108, 187, 42}},
    {0, Kind::Button, ButtonId(8), L"２辺指示", {9, 124, 86, 21},
     L"線分を２本選ぶと、他の１辺を作成し、長さを記入"},
    {0, Kind::Button, ButtonId(6), L"１点指示", {99, 124, 87, 21},
     L"三角形内の１点を指示すると、長さを記入"},
    {0, Kind::Group, 0, L"求積表", {4, 152, 187, 42}},
    {0, Kind::Button, ButtonId(3), L"作成", {9, 168, 60, 21}, L"求積表を作成する基点（左上）を指示"},
    {0, Kind::Check, CheckBoxId(2), L"全データ", {76, 170, 80, 17}, L"ﾁｪｯｸを外した時は、番号を選択"},
    {0, Kind::Button, SpeedButtonId(1), L"", {150, 168, 12, 21}, nullptr, kHidden},
    {0, Kind::Button, SpeedButtonId(2), L"", {162, 168, 12, 21}, nullptr, kHidden},
    {0, Kind::Button, SpeedButtonId(3), L"", {174, 168, 12, 21}, nullptr, kHidden},
    {0, Kind::Button, ButtonId(15), L"CAD", {4, 200, 60, 22}},

    // TabSheet3 " 設定1"
    {1, Kind::Group, 0, L"尺度", {4, 24, 187, 38}},
    {1, Kind::Label, 0, L"1 :", {10, 42, 18, 14}},
    {1, Kind::ReadOnlyEdit, EditId(8), L"1000", {30, 39, 74, 21}},
    {1, Kind::UpDown, UpDownId(3), L"", {0, 0, 16, 21}, nullptr, kAlignLeft, EditId(8)},
    {1, Kind::Group, 0, L"長さ", {4, 64, 187, 40}},
    {1, Kind::ReadOnlyEdit, EditId(7), L"2", {10, 79, 40, 21}},
    {1, Kind::UpDown, UpDownId(2), L"", {0, 0, 16, 21}, nullptr, 0, EditId(7)},
    {1, Kind::Radio, RadioButtonId(1), L"切捨", {56, 81, 42, 17}, nullptr, kFirstRadio},
    {1, Kind::Radio, RadioButtonId(2), L"四捨", {100, 81, 42, 17}},
    {1, Kind::Radio, RadioButtonId(3), L"切上", {144, 81, 42, 17}},
    {1, Kind::Group, 0, L"面積", {4, 106, 187, 40}},
    {1, Kind::ReadOnlyEdit, EditId(18), L"4", {10, 121, 40, 21}},
    {1, Kind::UpDown, UpDownId(6), L"", {0, 0, 16, 21}, nullptr, 0, EditId(18)},
    {1, Kind::Radio, RadioButtonId(4), L"切捨", {56, 123, 42, 17}, nullptr, kFirstRadio},
    {1, Kind::Radio, RadioButtonId(5), L"四捨", {100, 123, 42, 17}},
    {1, Kind::Radio, RadioButtonId(6), L"切上", {144, 123, 42, 17}},
    {1, Kind::Group, 0, L"最終", {4, 148, 187, 40}},
    {1, Kind::ReadOnlyEdit, EditId(4), L"2", {10, 163, 40, 21}},
    {1, Kind::UpDown, UpDownId(1), L"", {0, 0, 16, 21}, nullptr, 0, EditId(4)},
    {1, Kind::Radio, RadioButtonId(7), L"切捨", {56, 165, 42, 17}, nullptr, kFirstRadio},
    {1, Kind::Radio, RadioButtonId(8), L"四捨", {100, 165, 42, 17}},
    {1, Kind::Radio, RadioButtonId(9), L"切上", {144, 165, 42, 17}},
    {1, Kind::Group, 0, L"画層", {4, 190, 187, 72}},
    {1, Kind::Label, 0, L"文字", {10, 207, 58, 14}},
    {1, Kind::Edit, EditId(12), L"H_TEXT", {70, 205, 115, 18}},
    {1, Kind::Label, 0, L"辺の線分", {10, 226, 58, 14}},
    {1, Kind::Edit, EditId(15), L"H_HEN", {70, 224, 115, 18}},
    {1, Kind::Label, 0, L"高さ線分", {10, 245, 58, 14}},
    {1, Kind::Edit, EditId(19), L"H_TAKASA", {70, 243, 115, 18}},

    // TabSheet4 " 設定2"
    {2, Kind::Group, 0, L"辺、高さ", {4, 24, 187, 76}},
    {2, Kind::Label, 0, L"文字高", {10, 41, 62, 14}},
    {2, Kind::Edit, EditId(3), L"300", {76, 39, 108, 18}},
    {2, Kind::Label, 0, L"番号字高", {10, 60, 62, 14}},
    {2, Kind::Edit, EditId(5), L"400", {76, 58, 108, 18}},
    {2, Kind::Label, 0, L"番号半径", {10, 79, 62, 14}},
    {2, Kind::Edit, EditId(6), L"500", {76, 77, 108, 18}},
    {2, Kind::Group, 0, L"求積表", {4, 102, 187, 96}},
    {2, Kind::Label, 0, L"文字高", {10, 119, 62, 14}},
    {2, Kind::Edit, EditId(9), L"400", {76, 117, 108, 18}},
    {2, Kind::Label, 0, L"行高", {10, 138, 62, 14}},
    {2, Kind::Edit, EditId(10), L"800", {76, 136, 108, 18}},
    {2, Kind::Label, kLabelHaba1, L"幅1", {10, 157, 62, 14}},
    {2, Kind::Edit, EditId(11), L"1500,3000,3000,3000,4500", {76, 155, 108, 18}},
    {2, Kind::Label, kLabelHaba2, L"幅2", {10, 176, 62, 14}, nullptr, kDisabled},
    {2, Kind::Edit, EditId(20), L"1500,3000,3000,4500", {76, 174, 108, 18}, nullptr, kDisabled},
    {2, Kind::Group, 0, L"作成文字", {4, 200, 187, 40}},
    {2, Kind::Check, CheckBoxId(4), L"現在の文字スタイルで作成", {10, 217, 176, 17}, nullptr,
     kDisabled},

    // TabSheet1 "ツール"
    {3, Kind::Button, ButtonId(2), L"文字回転", {4, 26, 72, 21}, L"文字を回転"},
    {3, Kind::Label, 0, L"角度", {82, 30, 28, 14}},
    {3, Kind::Edit, EditId(13), L"180.0", {112, 26, 76, 21}},
    {3, Kind::Button, ButtonId(5), L"番号と円移動", {4, 50, 90, 21}, L"番号の文字と円を選んで移動"},
    {3, Kind::Check, CheckBoxId(3), L"矢印", {98, 52, 44, 17}},
    {3, Kind::Edit, EditId(14), L"400", {144, 50, 44, 21}},
    {3, Kind::Button, ButtonId(11), L"長さ記入", {4, 74, 72, 21}, L"線分に長さを記入"},
    {3, Kind::Button, ButtonId(14), L"番号更新", {80, 74, 60, 21}, nullptr, kDisabled | kHidden},
    {3, Kind::Edit, EditId(21), L"1", {80, 96, 24, 18}, nullptr, kDisabled | kHidden},
    {3, Kind::Label, 0, L"を", {106, 98, 12, 14}, nullptr, kHidden},
    {3, Kind::Edit, EditId(22), L"2", {120, 96, 24, 18}, nullptr, kDisabled | kHidden},
    {3, Kind::Label, 0, L"に", {146, 98, 12, 14}, nullptr, kHidden},
    {3, Kind::Group, 0, L"基準線から三角形を作成", {4, 98, 187, 96}},
    {3, Kind::Label, 0, L"a辺", {10, 116, 26, 14}, nullptr, kBold},
    {3, Kind::Edit, EditId(1), L"8.0", {38, 113, 56, 21}},
    {3, Kind::Label, 0, L"b辺", {10, 140, 26, 14}, nullptr, kBold},
    {3, Kind::Edit, EditId(2), L"10.0", {38, 137, 56, 21}},
    {3, Kind::Label, 0, L"X", {100, 116, 10, 14}},
    {3, Kind::ReadOnlyEdit, EditId(17), L"1000", {112, 113, 74, 21}},
    {3, Kind::UpDown, UpDownId(5), L"", {0, 0, 16, 21}, nullptr, kAlignLeft, EditId(17)},
    {3, Kind::Check, CheckBoxId(1), L"作成側自動", {100, 140, 86, 17}, nullptr, kDisabled},
    {3, Kind::Button, ButtonId(1), L"基準線", {10, 166, 56, 21}},
    {3, Kind::Button, ButtonId(9), L"a-b反転", {70, 166, 60, 21}, nullptr, kDisabled},
    {3, Kind::Button, ButtonId(7), L"戻す", {134, 166, 50, 21}, nullptr, kDisabled},
    {3, Kind::Group, 0, L"", {4, 196, 187, 64}},
    {3, Kind::Image, kImage1, L"", {12, 212, 32, 32}},
    {3, Kind::Label, 0, L"Tarsel2025", {52, 214, 132, 14}},
};
// clang-format on

// A text field and the option it holds.
struct TextBinding {
    int edit;
    std::string PaletteOptions::*field;
};
constexpr TextBinding kTextFields[] = {
    {EditId(13), &PaletteOptions::Kakudo},  {EditId(14), &PaletteOptions::Yajirusi},
    {EditId(1), &PaletteOptions::A_Hen},    {EditId(2), &PaletteOptions::B_Hen},
    {EditId(12), &PaletteOptions::M_Layer}, {EditId(15), &PaletteOptions::H_Layer},
    {EditId(19), &PaletteOptions::T_Layer}, {EditId(3), &PaletteOptions::M_Taka1},
    {EditId(5), &PaletteOptions::N_Taka1},  {EditId(6), &PaletteOptions::Hankei1},
    {EditId(9), &PaletteOptions::M_Taka2},  {EditId(10), &PaletteOptions::G_Taka},
    {EditId(11), &PaletteOptions::Haba1},   {EditId(20), &PaletteOptions::Haba2},
};

// An up-down, its field, its range and its handler. The scale fields show 10^position, so
// their up-downs keep the position themselves and the field is written from the options.
struct UpDownBinding {
    int upDown;
    int buddy;
    int min;
    int max;
    int (PaletteOptions::*position)() const;
    void (PaletteController::*click)(int);
    const std::string& (PaletteOptions::*powerText)() const = nullptr;
};
constexpr UpDownBinding kUpDowns[] = {
    {UpDownId(2), EditId(7), 0, options::kDigitsMax, &PaletteOptions::Keta1,
     &PaletteController::UpDown2Click},
    {UpDownId(6), EditId(18), 0, options::kDigitsMax, &PaletteOptions::Keta2,
     &PaletteController::UpDown6Click},
    {UpDownId(1), EditId(4), 0, options::kDigitsMax, &PaletteOptions::Keta3,
     &PaletteController::UpDown1Click},
    {UpDownId(3), EditId(8), 0, options::kScaleMax, &PaletteOptions::Syakudo,
     &PaletteController::UpDown3Click, &PaletteOptions::Edit8Text},
    {UpDownId(5), EditId(17), 0, options::kScaleMax, &PaletteOptions::Jouritu,
     &PaletteController::UpDown5Click, &PaletteOptions::Edit17Text},
    {UpDownId(4), EditId(16), options::kNextNumberMin, options::kNextNumberMax,
     &PaletteOptions::NextNumber, &PaletteController::UpDown4Click},
};

// A radio group: its first button, how many, the checked index and the group's handler.
struct RadioBinding {
    int first;
    int count;
    int (PaletteOptions::*index)() const;
    void (PaletteController::*click)(int);
};
constexpr RadioBinding kRadioGroups[] = {
    {RadioGroup1ItemId(0), 2, &PaletteOptions::Kyuuseki, &PaletteController::RadioGroup1Click},
    {RadioButtonId(1), 3, &PaletteOptions::Nagasa, &PaletteController::RadioButton1Click},
    {RadioButtonId(4), 3, &PaletteOptions::Menseki, &PaletteController::RadioButton4Click},
    {RadioButtonId(7), 3, &PaletteOptions::Goukei, &PaletteController::RadioButton7Click},
};

const UpDownBinding* UpDownFor(int id, bool byBuddy) {
    for (const UpDownBinding& binding : kUpDowns) {
        if ((byBuddy ? binding.buddy : binding.upDown) == id) return &binding;
    }
    return nullptr;
}

// "Edit2" -> EditId(2), "Button1" -> ButtonId(1); 0 for any other name.
int ControlIdFromName(std::string_view name) {
    const auto number = [&](std::string_view prefix) {
        int n = 0;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        const auto [end, error] = std::from_chars(first, last, n);
        return error == std::errc() && end == last ? n : 0;
    };
    if (name.starts_with("Edit")) return EditId(number("Edit"));
    if (name.starts_with("Button")) return ButtonId(number("Button"));
    return 0;
}

DWORD StyleOf(const ControlRow& row, bool dark) {
    DWORD style = (row.flags & kDisabled) != 0 ? WS_DISABLED : 0;
    switch (row.kind) {
        // A group lies below what it frames; clipped by them, it never paints over them.
        case Kind::Group: return style | BS_GROUPBOX | WS_CLIPSIBLINGS;
        case Kind::Label: return style | SS_LEFT | WS_GROUP;
        case Kind::Button:
            return style | (dark ? BS_OWNERDRAW : BS_PUSHBUTTON) | WS_TABSTOP | WS_GROUP;
        case Kind::Edit: return style | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
        case Kind::ReadOnlyEdit: return style | ES_AUTOHSCROLL | ES_READONLY | WS_GROUP;
        case Kind::UpDown: {
            style |= UDS_ARROWKEYS | UDS_NOTHOUSANDS;
            style |= (row.flags & kAlignLeft) != 0 ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT;
            const UpDownBinding* binding = UpDownFor(row.id, false);
            return binding != nullptr && binding->powerText == nullptr ? style | UDS_SETBUDDYINT
                                                                       : style;
        }
        case Kind::Radio:
            return style | BS_AUTORADIOBUTTON |
                   ((row.flags & kFirstRadio) != 0 ? WS_GROUP | WS_TABSTOP : 0);
        case Kind::Check: return style | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
        case Kind::Image: return style | SS_ICON | SS_CENTERIMAGE | WS_GROUP;
    }
    return style;
}

const wchar_t* ClassOf(Kind kind) {
    switch (kind) {
        case Kind::Edit:
        case Kind::ReadOnlyEdit: return L"EDIT";
        case Kind::Label:
        case Kind::Image: return L"STATIC";
        case Kind::UpDown: return UPDOWN_CLASSW;
        default: return L"BUTTON";
    }
}

HFONT FontOf(const ControlRow& row, HFONT normal, HFONT bold, HFONT number) {
    if ((row.flags & kNumberFont) != 0) return number;
    return (row.flags & kBold) != 0 ? bold : normal;
}

void RegisterPaletteClass(HINSTANCE instance, const DarkTheme& theme, HICON icon, HICON small) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcThunk<PaletteWindow>;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = small;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground =
        theme.Active() ? theme.WindowBrush() : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kPaletteClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("the palette's window class cannot be registered");
    }
}

// Not WS_CLIPCHILDREN: the window erases the insides of the groups, which do not.
constexpr DWORD kPaletteStyle = WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPaletteExStyle = WS_EX_TOPMOST;

}  // namespace

PaletteWindow::PaletteWindow(PaletteController& controller, const DarkTheme& theme,
                             PendingException& pending, PaletteWindowArgs args)
    : controller_(controller),
      theme_(theme),
      pending_(pending),
      args_(std::move(args)),
      dialogModel_(args_.listFile) {
    RegisterPaletteClass(args_.instance, theme_, args_.icon, args_.smallIcon);
    RECT frame{0, 0, scale_(kClientWidth), scale_(kClientHeight)};
    AdjustWindowRectEx(&frame, kPaletteStyle, FALSE, kPaletteExStyle);
    // The application title is empty: the caption is only the target's part, set below.
    CreateWindowExW(kPaletteExStyle, kPaletteClass, L"", kPaletteStyle, 0, 0,
                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                    args_.instance, this);
    if (hwnd_ == nullptr) throw std::runtime_error("the palette window cannot be created");
    theme_.DarkTitleBar(hwnd_);
    fonts_ = MakeFonts();
    CreateControls();
    FormCreate();
}

PaletteWindow::~PaletteWindow() {
    dialog_.reset();
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

PaletteWindow::Fonts PaletteWindow::MakeFonts() const {
    return {MakeFont(L"ＭＳ Ｐゴシック", 12, false, scale_, SHIFTJIS_CHARSET),
            MakeFont(L"ＭＳ Ｐゴシック", 12, true, scale_, SHIFTJIS_CHARSET),
            MakeFont(L"ＭＳ Ｐゴシック", 16, true, scale_, SHIFTJIS_CHARSET)};
}

void PaletteWindow::CreateControls() {
    const bool dark = theme_.Active();
    HWND tab = CreateControl(hwnd_, WC_TABCONTROLW, L"",
                             WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_MULTILINE |
                                 TCS_FIXEDWIDTH | (dark ? TCS_OWNERDRAWFIXED : 0),
                             0, {0, 0, kClientWidth, kClientHeight}, kPageControl1, scale_,
                             fonts_.normal.get());
    theme_.DarkPageControl(tab);
    // Four tabs of one width fit one row, whatever the font's widths.
    SendMessageW(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(scale_(kTabWidth), scale_(kTabHeight)));
    for (int page = 0; page < kPageCount; ++page) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageCaptions[page]);
        SendMessageW(tab, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&item));
    }

    // Plain labels and groups are numbered in table order, whichever page is made first.
    int nextLabel = kFirstPlainLabel;
    for (const ControlRow& row : kControls) {
        controlIds_.push_back(row.id != 0 ? row.id : nextLabel++);
    }
    buildLabelId_ = nextLabel;

    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, args_.instance, nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, scale_(240));
    edit1Keys_ = [this](wchar_t key) { return EditKeyPress(1, key); };
    edit2Keys_ = [this](wchar_t key) { return EditKeyPress(2, key); };
    // The first page now; the others when first shown. Under Wine every control costs
    // milliseconds to make, and three quarters of them lie on pages a start does not show.
    (void)MakePage(0);
}

bool PaletteWindow::MakePage(int page) {
    if (pageMade_[page]) return false;
    pageMade_[page] = true;
    const bool dark = theme_.Active();
    const auto make = [&](std::size_t index) {
        const ControlRow& row = kControls[index];
        const int id = controlIds_[index];
        const HFONT font = FontOf(row, fonts_.normal.get(), fonts_.bold.get(), fonts_.number.get());
        const DWORD exStyle =
            row.kind == Kind::Edit || row.kind == Kind::ReadOnlyEdit ? WS_EX_CLIENTEDGE : 0;
        // Dark: a group's caption is a label of its own, since the system draws a group's
        // caption in its own colour.
        const bool ownCaption = dark && row.kind == Kind::Group && row.text[0] != L'\0';
        HWND control = CreateControl(hwnd_, ClassOf(row.kind), ownCaption ? L"" : row.text,
                                     StyleOf(row, dark), exStyle, row.place, id, scale_, font);
        if (control == nullptr) throw std::runtime_error("a palette control cannot be created");
        if (row.kind == Kind::Radio || row.kind == Kind::Check || row.kind == Kind::Group) {
            theme_.PlainControl(control);
        }
        if (row.kind == Kind::UpDown) {
            const UpDownBinding* binding = UpDownFor(row.id, false);
            SendMessageW(control, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Control(row.buddy)), 0);
            SendMessageW(control, UDM_SETRANGE32, binding->min, binding->max);
        }
        if (row.hint != nullptr) {
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(control);
            tool.lpszText = const_cast<wchar_t*>(row.hint);
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    };
    // Groups last, so that they lie below what they frame (their captions included).
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        if (kControls[i].page == page && kControls[i].kind != Kind::Group) make(i);
    }
    if (dark) MakeGroupCaptions(page);
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        if (kControls[i].page == page && kControls[i].kind == Kind::Group) make(i);
    }
    if (page == kAboutPage) {
        buildLabel_ = CreateControl(hwnd_, L"STATIC", args_.buildLabel.c_str(), SS_LEFT, 0,
                                    kBuildLabelPlace, buildLabelId_, scale_, fonts_.normal.get());
        SendMessageW(Control(kImage1), STM_SETICON, reinterpret_cast<WPARAM>(args_.icon), 0);
        HookEditKeys(Control(EditId(1)), &edit1Keys_);
        HookEditKeys(Control(EditId(2)), &edit2Keys_);
    }
    // The page control lies below every control on its pages, or it paints over them; a new
    // child window is made below those before it.
    SetWindowPos(Control(kPageControl1), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void PaletteWindow::MakeGroupCaptions(int page) {
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const ControlRow& row = kControls[i];
        if (row.page != page || row.kind != Kind::Group || row.text[0] == L'\0') continue;
        HWND caption = CreateWindowExW(0, L"STATIC", row.text, WS_CHILD | SS_CENTER, 0, 0, 0, 0,
                                       hwnd_, nullptr, args_.instance, nullptr);
        if (caption == nullptr) continue;
        groupCaptions_.push_back({i, caption});
    }
    PlaceGroupCaptions(fonts_.normal.get());
}

void PaletteWindow::PlaceGroupCaptions(HFONT font) {
    // A caption is as wide as its text, over the group's frame line near its left end.
    HDC dc = GetDC(hwnd_);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    for (const GroupCaption& caption : groupCaptions_) {
        const ControlRow& row = kControls[caption.row];
        SIZE extent{};
        GetTextExtentPoint32W(dc, row.text, static_cast<int>(wcslen(row.text)), &extent);
        SetWindowPos(caption.label, nullptr, scale_(row.place.x + 6), scale_(row.place.y),
                     extent.cx + scale_(4), extent.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(caption.label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd_, dc);
}

void PaletteWindow::PlaceControls(const Fonts& fonts) {
    const auto place = [&](HWND control, Rect96 at, HFONT font) {
        SetWindowPos(control, nullptr, scale_(at.x), scale_(at.y), scale_(at.width),
                     scale_(at.height), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    HWND tab = Control(kPageControl1);
    place(tab, {0, 0, kClientWidth, kClientHeight}, fonts.normal.get());
    SendMessageW(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(scale_(kTabWidth), scale_(kTabHeight)));
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const ControlRow& row = kControls[i];
        if (!pageMade_[row.page]) continue;
        place(Control(controlIds_[i]), row.place,
              FontOf(row, fonts.normal.get(), fonts.bold.get(), fonts.number.get()));
    }
    // An up-down takes its place beside its field again (and narrows the field) when given it.
    for (const ControlRow& row : kControls) {
        if (pageMade_[row.page] && row.kind == Kind::UpDown) {
            SendMessageW(Control(row.id), UDM_SETBUDDY,
                         reinterpret_cast<WPARAM>(Control(row.buddy)), 0);
        }
    }
    if (buildLabel_ != nullptr) place(buildLabel_, kBuildLabelPlace, fonts.normal.get());
    PlaceGroupCaptions(fonts.normal.get());
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, scale_(240));
}

void PaletteWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    scale_ = DpiScale(dpi);
    // The new fonts are in every control before the old ones are deleted.
    Fonts fonts = MakeFonts();
    PlaceControls(fonts);
    fonts_ = std::move(fonts);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void PaletteWindow::FormCreate() {
    // The creation defaults (target BricsCAD, digits 2/4/2, modes 四捨) are the controller's
    // own; the settings override them.
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const options::ScreenLayout layout{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                       frame.right - frame.left, frame.bottom - frame.top};
    try {
        (void)controller_.LoadSettings(args_.settingsFile, layout);
    } catch (const options::ProfileFileError& e) {
        ShowError(e.what());
    }
    const options::FormPosition& position = controller_.FormPosition();
    SetWindowPos(hwnd_, nullptr, position.Left, position.Top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowState();  // the scale fields and the caption among the rest
    filter_ = cadlink::com::TMessageFilter::Create();
    filter_->RegisterFilter();
    SendMessageW(Control(kPageControl1), TCM_SETCURSEL, 0, 0);
    ShowPage(0);
}

void PaletteWindow::FormDestroy() noexcept {
    RECT frame{};
    if (GetWindowRect(hwnd_, &frame)) controller_.SetFormPosition({frame.left, frame.top});
    // A failed save is reported and the rest of the ending still runs: the filter is put back
    // and the program ends normally.
    try {
        (void)controller_.SaveSettings(args_.settingsFile);
    } catch (const std::exception& e) {
        ShowError(std::string("設定を保存できません: ") + e.what());
    } catch (...) {
        ShowError("設定を保存できません");
    }
    if (filter_) filter_->RevokeFilter();
    PostQuitMessage(0);
}

void PaletteWindow::CreateTargetCadDialog() {
    dialog_ =
        std::make_unique<TargetCadWindow>(hwnd_, dialogModel_, theme_, pending_, args_.instance);
}

void PaletteWindow::Show() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
}

void PaletteWindow::ShowError(const std::string& text) noexcept {
    // While the palette is being destroyed it can no longer own the box.
    const bool alive = hwnd_ != nullptr && IsWindowVisible(hwnd_);
    MessageBoxW(alive ? hwnd_ : nullptr, Wide(text).c_str(), L"Tarsel",
                MB_OK | MB_ICONERROR | (alive ? 0 : MB_TOPMOST | MB_TASKMODAL));
}

void PaletteWindow::ShowState() {
    updating_ = true;
    const PaletteOptions& options = controller_.options();
    std::wstring tabCaption = Wide(options.TabSheet2Caption());
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = tabCaption.data();
    SendMessageW(Control(kPageControl1), TCM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (const TextBinding& binding : kTextFields) {
        SetWindowTextIfChanged(Control(binding.edit), options.*binding.field);
    }
    for (const UpDownBinding& binding : kUpDowns) {
        SendMessageW(Control(binding.upDown), UDM_SETPOS32, 0, (options.*binding.position)());
        if (binding.powerText != nullptr) {
            SetWindowTextIfChanged(Control(binding.buddy), (options.*binding.powerText)());
        }
    }
    for (const RadioBinding& group : kRadioGroups) {
        const int checked = (options.*group.index)();
        for (int i = 0; i < group.count; ++i) {
            SendMessageW(Control(group.first + i), BM_SETCHECK,
                         i == checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    const auto check = [&](int id, bool on) {
        SendMessageW(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    check(CheckBoxId(1), options.AutoCheck);
    check(CheckBoxId(2), options.AllData);
    check(CheckBoxId(3), options.Leader());
    check(CheckBoxId(4), options.UseTextStyle);
    EnableWindow(Control(EditId(11)), options.Edit11Enabled());
    EnableWindow(Control(kLabelHaba1), options.Edit11Enabled());
    EnableWindow(Control(EditId(20)), options.Edit20Enabled());
    EnableWindow(Control(kLabelHaba2), options.Edit20Enabled());
    EnableWindow(Control(EditId(14)), options.Edit14Enabled());
    EnableWindow(Control(ButtonId(9)), controller_.Button9Enabled());
    SetWindowTextIfChanged(hwnd_, controller_.Caption());
    updating_ = false;
}

void PaletteWindow::ShowPage(int page) {
    if (MakePage(page)) ShowState();  // its controls show the options as the others do
    page_ = page;
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        if (!pageMade_[kControls[i].page]) continue;
        const bool shown = kControls[i].page == page && (kControls[i].flags & kHidden) == 0;
        ShowWindow(Control(controlIds_[i]), shown ? SW_SHOWNA : SW_HIDE);
    }
    if (buildLabel_ != nullptr) ShowWindow(buildLabel_, page == kAboutPage ? SW_SHOWNA : SW_HIDE);
    for (const GroupCaption& caption : groupCaptions_) {
        ShowWindow(caption.label, kControls[caption.row].page == page ? SW_SHOWNA : SW_HIDE);
    }
}

bool PaletteWindow::EditKeyPress(int editId, wchar_t key) {
    if (key > 0x7F) return false;
    try {
        const char ascii = static_cast<char>(key);
        const bool swallowed =
            editId == 1 ? controller_.Edit1KeyPress(ascii) : controller_.Edit2KeyPress(ascii);
        if (swallowed) {
            const int next = ControlIdFromName(controller_.FocusedControl());
            if (next != 0) SetFocus(Control(next));
        }
        return swallowed;
    } catch (...) {
        pending_.Catch();
        return true;
    }
}

void PaletteWindow::Button15Click() {
    controller_.Button15Click(dialogModel_, [this] { return dialog_ && dialog_->ShowModal(); });
    ShowState();
}

void PaletteWindow::OnUpDown(HWND upDown) {
    const UpDownBinding* binding = UpDownFor(GetDlgCtrlID(upDown), false);
    if (binding == nullptr) return;
    BOOL error = FALSE;
    const int position =
        static_cast<int>(SendMessageW(upDown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
    (controller_.*binding->click)(position);
    ShowState();
}

void PaletteWindow::OnCommand(int id, int code, HWND control) {
    if (updating_ || control == nullptr) return;
    if (code == EN_CHANGE) {
        for (const TextBinding& binding : kTextFields) {
            if (binding.edit == id) controller_.options().*binding.field = WindowText(control);
        }
        // A field an up-down writes (or "No.", which the user may type): the typed number goes
        // to the handler, which keeps it in range; the field shows the clamped number once
        // the user leaves it.
        const UpDownBinding* binding = UpDownFor(id, true);
        if (binding != nullptr && binding->powerText == nullptr) {
            if (const auto typed = text::ParseInteger(WindowText(control))) {
                const long long clamped = std::clamp<long long>(*typed, binding->min, binding->max);
                (controller_.*binding->click)(static_cast<int>(clamped));
            }
        }
        return;
    }
    if (code == EN_KILLFOCUS && id == EditId(16)) {
        ShowState();
        return;
    }
    if (code != BN_CLICKED) return;
    for (const RadioBinding& group : kRadioGroups) {
        if (id < group.first || id >= group.first + group.count) continue;
        if (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            (controller_.*group.click)(id - group.first);
            ShowState();
        }
        return;
    }
    const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (id == CheckBoxId(3)) {
        controller_.CheckBox3Click(checked);
    } else if (id == CheckBoxId(2)) {
        controller_.options().AllData = checked;
    } else if (id == CheckBoxId(1)) {
        controller_.options().AutoCheck = checked;
    } else if (id == CheckBoxId(4)) {
        controller_.options().UseTextStyle = checked;
    } else if (id == ButtonId(15)) {
        Button15Click();
    } else if (id > ButtonId(0) && id <= ButtonId(15)) {
        // Every command runs here, on the GUI thread, to its end.
        if (!controller_.Press("Button" + std::to_string(id - ButtonId(0)))) return;
    } else {
        return;
    }
    ShowState();
}

LRESULT PaletteWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (LRESULT answer = 0; theme_.Answer(message, wParam, lParam, answer)) return answer;
    try {
        switch (message) {
            case WM_COMMAND:
                OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
                return 0;
            case WM_VSCROLL:
                if (lParam != 0 && !updating_) OnUpDown(reinterpret_cast<HWND>(lParam));
                return 0;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->idFrom == kPageControl1 && header->code == TCN_SELCHANGE) {
                    ShowPage(static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
                }
                break;
            }
            case WM_DPICHANGED:
                OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
                return 0;
            case WM_DESTROY: FormDestroy(); return 0;
            default: break;
        }
    } catch (...) {
        pending_.Catch();
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace tarsel::palette::win32
