// Tarsel2025.exe driven as a user would, from another process, by its windows' messages: the
// settings it opens and closes with, the option handlers behind the real controls, the
// target-CAD dialog, a failed save, and a command against minicad-server.exe drawing what
// `tarsel run` draws. Every wait polls with a bound; nothing waits a fixed time.
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cadlink/automation.h"
#include "cadlink/com/com_connection.h"
#include "cadlink/com/running_object.h"
#include "drawing_description.h"
#include "minicad/dxf.h"
#include "palette/win32/control_ids.h"
#include "palette_process.h"
#include "platform/win32/wide_text.h"
#include "server_process.h"

namespace tarsel::palette::win32 {
namespace {

namespace fs = std::filesystem;
using cadlink::com::testing::ProgramResult;
using cadlink::com::testing::RunProgram;
using cadlink::com::testing::ServerProcess;
using cadlink::com::testing::TempFolder;
using testing::Checked;
using testing::PaletteProcess;
using testing::SetText;
using testing::Text;
using testing::WaitFor;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "Section/Key=Value" for every key line of a profile file, in file order.
std::vector<std::string> ProfileLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("[")) {
            section = line.substr(1, line.find(']') - 1);
        } else if (line.find('=') != std::string::npos) {
            lines.push_back(section + "/" + line);
        }
    }
    return lines;
}

std::vector<std::string> ProfileKeys(const fs::path& path) {
    std::vector<std::string> keys;
    for (const std::string& line : ProfileLines(path))
        keys.push_back(line.substr(0, line.find('=')));
    return keys;
}

class PaletteGuiTest : public ::testing::Test {
protected:
    [[nodiscard]] fs::path Settings() const { return folder_ / "Tarsel2025.ini"; }
    [[nodiscard]] fs::path CadList() const { return folder_ / "TargetCAD_APIVersion.txt"; }
    void WriteSettings(const std::string& text) const {
        std::ofstream(Settings(), std::ios::binary) << text;
    }

    TempFolder folder_;
};

TEST_F(PaletteGuiTest, FirstStartShowsTheDefaultsAndClosingWritesEveryKey) {
    PaletteProcess palette(folder_.path());
    RECT frame{};
    GetWindowRect(palette.palette(), &frame);
    EXPECT_EQ(frame.left, 589);
    EXPECT_EQ(frame.top, 336);
    EXPECT_EQ(Text(palette.palette()), L" [ BricsCAD ]");
    EXPECT_EQ(SendMessageW(palette.Control(kPageControl1), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(palette.TabText(0), L"ヘロン");
    EXPECT_EQ(palette.TabText(3), L"ツール");
    palette.VisitEveryPage();
    EXPECT_EQ(GetWindowLongW(palette.palette(), GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);

    const std::pair<int, const wchar_t*> texts[] = {
        {EditId(16), L"1"},
        {EditId(8), L"1000"},
        {EditId(17), L"1000"},
        {EditId(7), L"2"},
        {EditId(18), L"4"},
        {EditId(4), L"2"},
        {EditId(12), L"H_TEXT"},
        {EditId(15), L"H_HEN"},
        {EditId(19), L"H_TAKASA"},
        {EditId(3), L"300"},
        {EditId(5), L"400"},
        {EditId(6), L"500"},
        {EditId(9), L"400"},
        {EditId(10), L"800"},
        {EditId(13), L"180.0"},
        {EditId(14), L"400"},
        {EditId(1), L"8.0"},
        {EditId(2), L"10.0"},
        {EditId(11), L"1500,3000,3000,3000,4500"},
        {EditId(20), L"1500,3000,3000,4500"},
        {ButtonId(10), L"自動"},
        {ButtonId(9), L"a-b反転"},
        {CheckBoxId(3), L"矢印"},
    };
    for (const auto& [id, text] : texts) {
        SCOPED_TRACE(id);
        EXPECT_EQ(Text(palette.Control(id)), text);
    }
    const std::pair<int, bool> checks[] = {
        {RadioGroup1ItemId(0), true}, {RadioGroup1ItemId(1), false}, {RadioButtonId(1), false},
        {RadioButtonId(2), true},     {RadioButtonId(5), true},      {RadioButtonId(8), true},
        {CheckBoxId(1), false},       {CheckBoxId(2), true},         {CheckBoxId(3), true},
        {CheckBoxId(4), true},
    };
    for (const auto& [id, checked] : checks) {
        SCOPED_TRACE(id);
        EXPECT_EQ(Checked(palette.Control(id)), checked);
    }
    const std::pair<int, bool> enabled[] = {
        {EditId(11), true},     {EditId(20), false},    {EditId(14), true},
        {ButtonId(9), false},   {ButtonId(7), false},   {ButtonId(14), false},
        {CheckBoxId(1), false}, {CheckBoxId(4), false}, {ButtonId(10), true},
    };
    for (const auto& [id, on] : enabled) {
        SCOPED_TRACE(id);
        EXPECT_EQ(IsWindowEnabled(palette.Control(id)) != FALSE, on);
    }
    EXPECT_FALSE(IsWindowVisible(palette.Control(ButtonId(14))));
    EXPECT_FALSE(IsWindowVisible(palette.Control(SpeedButtonId(1))));

    EXPECT_EQ(palette.Close(), 0);
    const std::vector<std::string> keys = {
        "Form/Top",
        "Form/Left",
        "LT_Tarsel/Kakudo",
        "LT_Tarsel/Yajirusi",
        "LT_Tarsel/Leader",
        "LT_Tarsel/Kyuuseki",
        "LT_Tarsel/AllData",
        "LT_Tarsel/A_Hen",
        "LT_Tarsel/B_Hen",
        "LT_Tarsel/AutoCheck",
        "LT_Tarsel/Jouritu",
        "LT_Tarsel/Syakudo",
        "LT_Tarsel/Keta1",
        "LT_Tarsel/Keta2",
        "LT_Tarsel/Keta3",
        "LT_Tarsel/M_Layer",
        "LT_Tarsel/H_Layer",
        "LT_Tarsel/T_Layer",
        "LT_Tarsel/Nagasa",
        "LT_Tarsel/Menseki",
        "LT_Tarsel/Goukei",
        "LT_Tarsel/M_Taka1",
        "LT_Tarsel/N_Taka1",
        "LT_Tarsel/Hankei1",
        "LT_Tarsel/M_Taka2",
        "LT_Tarsel/G_Taka",
        "LT_Tarsel/Haba1",
        "LT_Tarsel/Haba2",
        "LT_Tarsel/UseTextStyle",
        "LT_Tarsel/ProgId",
        "LT_Tarsel/cadName",
    };
    EXPECT_EQ(ProfileKeys(Settings()), keys);
    const std::vector<std::string> lines = ProfileLines(Settings());
    EXPECT_EQ(lines[0], "Form/Top=336");
    EXPECT_EQ(lines[1], "Form/Left=589");
}

TEST_F(PaletteGuiTest, SettingsLoadIntoTheRealControlsAndAreSavedBack) {
    WriteSettings("[LT_Tarsel]\r\nKyuuseki=1\r\nNagasa=7\r\nSyakudo=2\r\nM_Layer=LOADED\r\n");
    PaletteProcess palette(folder_.path());
    EXPECT_EQ(palette.TabText(0), L"三斜");
    palette.VisitEveryPage();
    EXPECT_TRUE(Checked(palette.Control(RadioGroup1ItemId(1))));
    EXPECT_TRUE(IsWindowEnabled(palette.Control(EditId(20))));
    EXPECT_FALSE(IsWindowEnabled(palette.Control(EditId(11))));
    EXPECT_TRUE(Checked(palette.Control(RadioButtonId(1))));  // 7 loads as 切捨
    EXPECT_EQ(Text(palette.Control(EditId(8))), L"100");
    // A page made after the settings loaded shows them, not the fields' creation texts.
    EXPECT_EQ(Text(palette.Control(EditId(12))), L"LOADED");
    EXPECT_TRUE(Checked(palette.Control(CheckBoxId(1))));  // a missing AutoCheck is true
    // No position in the file: centred on the screen.
    RECT frame{};
    GetWindowRect(palette.palette(), &frame);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);

    EXPECT_EQ(palette.Close(), 0);
    const std::vector<std::string> lines = ProfileLines(Settings());
    const auto has = [&](const char* line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("LT_Tarsel/Nagasa=0"));
    EXPECT_TRUE(has("LT_Tarsel/Kyuuseki=1"));
    EXPECT_TRUE(has("LT_Tarsel/Syakudo=2"));
    EXPECT_TRUE(has("LT_Tarsel/M_Layer=LOADED"));
}

TEST_F(PaletteGuiTest, OptionHandlersWorkThroughTheRealControls) {
    PaletteProcess palette(folder_.path());
    HWND upDown4 = palette.Control(UpDownId(4));
    SendMessageW(upDown4, UDM_SETPOS32, 0, 5000);
    EXPECT_EQ(SendMessageW(upDown4, UDM_GETPOS32, 0, 0), 1000);
    EXPECT_EQ(Text(palette.Control(EditId(16))), L"1000");
    SendMessageW(upDown4, UDM_SETPOS32, 0, 0);
    EXPECT_EQ(SendMessageW(upDown4, UDM_GETPOS32, 0, 0), 1);

    // The scale's up-down by its arrow key: the field shows 10^position.
    palette.ShowPage(1);
    PostMessageW(palette.Control(EditId(8)), WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(palette.Control(EditId(8)), WM_KEYUP, VK_DOWN, 0xC0000001);
    EXPECT_TRUE(WaitFor([&] { return Text(palette.Control(EditId(8))) == L"100"; }));
    SendMessageW(palette.Control(RadioButtonId(3)), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(palette.Control(RadioButtonId(3))));
    EXPECT_FALSE(Checked(palette.Control(RadioButtonId(2))));

    palette.ShowPage(3);
    SendMessageW(palette.Control(CheckBoxId(3)), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(palette.Control(EditId(14))));

    palette.ShowPage(0);
    SendMessageW(palette.Control(RadioGroup1ItemId(1)), BM_CLICK, 0, 0);
    EXPECT_EQ(palette.TabText(0), L"三斜");
    palette.VisitEveryPage();
    EXPECT_TRUE(IsWindowEnabled(palette.Control(EditId(20))));
    EXPECT_FALSE(IsWindowEnabled(palette.Control(EditId(11))));

    // Enter in a, then in b: the focus goes a → b → 基準線, and the typed text stays.
    palette.ShowPage(3);
    SetText(palette.Control(EditId(1)), L"12.5");
    PostMessageW(palette.Control(EditId(1)), WM_CHAR, VK_RETURN, 1);
    EXPECT_TRUE(WaitFor([&] { return palette.Focus() == palette.Control(EditId(2)); }));
    PostMessageW(palette.Control(EditId(2)), WM_CHAR, VK_RETURN, 1);
    EXPECT_TRUE(WaitFor([&] { return palette.Focus() == palette.Control(ButtonId(1)); }));
    EXPECT_EQ(Text(palette.Control(EditId(1))), L"12.5");

    EXPECT_EQ(palette.Close(), 0);
    const std::vector<std::string> lines = ProfileLines(Settings());
    for (const char* line : {"LT_Tarsel/Nagasa=2", "LT_Tarsel/Syakudo=2", "LT_Tarsel/Leader=0",
                             "LT_Tarsel/Kyuuseki=1", "LT_Tarsel/A_Hen=12.5"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST_F(PaletteGuiTest, TargetCadDialogEditsTheListAndSetsTheTargetOnOk) {
    std::ofstream(CadList(), std::ios::binary)
        << "BricsCAD\tBricscadApp.AcadApplication\r\nAutoCAD 2020~2024\tAutoCAD.Application\r\n";
    PaletteProcess palette(folder_.path());
    const auto open = [&] {
        PostMessageW(palette.Control(ButtonId(15)), BM_CLICK, 0, 0);
        return palette.WaitForWindow(kTargetCadClass);
    };
    HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog), L"ターゲット CAD");
    EXPECT_FALSE(IsWindowEnabled(palette.palette()));
    HWND list = GetDlgItem(dialog, kDialogListBox1);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);  // sorted: AutoCAD first
    wchar_t line[128] = {};
    SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(std::wstring(line), L"BricsCAD\tBricscadApp.AcadApplication");
    EXPECT_EQ(Text(GetDlgItem(dialog, kDialogEdit1)), L"BricsCAD");
    EXPECT_EQ(Text(GetDlgItem(dialog, kDialogEdit2)), L"BricscadApp.AcadApplication");

    // 追加 writes the file at once; cancel then keeps the target.
    SetText(GetDlgItem(dialog, kDialogEdit1), L"IntelliCAD");
    SetText(GetDlgItem(dialog, kDialogEdit2), L"Icad.Application");
    SendMessageW(GetDlgItem(dialog, DialogSpeedButtonId(1)), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFile(CadList()),
              "AutoCAD 2020~2024\tAutoCAD.Application\r\nBricsCAD\tBricscadApp.AcadApplication"
              "\r\nIntelliCAD\tIcad.Application\r\n");
    PostMessageW(GetDlgItem(dialog, kDialogButton2), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(palette.palette()) != FALSE; }));
    EXPECT_EQ(Text(palette.palette()), L" [ BricsCAD ]");

    // Enter in the ProgID field changes the selected line; 削除 removes it.
    ASSERT_EQ(open(), dialog);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    SetText(GetDlgItem(dialog, kDialogEdit1), L"BricsCAD V25");
    PostMessageW(GetDlgItem(dialog, kDialogEdit2), WM_CHAR, VK_RETURN, 1);
    EXPECT_TRUE(WaitFor([&] {
        return ReadFile(CadList()).find("BricsCAD V25\tBricscadApp") != std::string::npos;
    }));
    SendMessageW(GetDlgItem(dialog, DialogSpeedButtonId(2)), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFile(CadList()),
              "AutoCAD 2020~2024\tAutoCAD.Application\r\nIntelliCAD\tIcad.Application\r\n");

    // OK takes the edits as they stand.
    SetText(GetDlgItem(dialog, kDialogEdit1), L"Name Ver1~Ver2");
    SetText(GetDlgItem(dialog, kDialogEdit2), L"Name.Application");
    PostMessageW(GetDlgItem(dialog, kDialogButton1), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return Text(palette.palette()) == L" [ Name ~Ver2 ]"; }));
    EXPECT_FALSE(IsWindowVisible(dialog));

    EXPECT_EQ(palette.Close(), 0);
    const std::vector<std::string> lines = ProfileLines(Settings());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LT_Tarsel/ProgId=Name.Application"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LT_Tarsel/cadName=Name Ver1~Ver2"),
              lines.end());
}

TEST_F(PaletteGuiTest, AFailedSaveIsReportedWithTheFileAndTheProgramStillEndsCleanly) {
    WriteSettings("[LT_Tarsel]\r\nKeta1=3\r\n");
    const std::string before = ReadFile(Settings());
    SetFileAttributesW(Settings().c_str(), FILE_ATTRIBUTE_READONLY);
    {
        PaletteProcess palette(folder_.path());
        palette.ShowPage(1);
        EXPECT_EQ(Text(palette.Control(EditId(7))), L"3");
        PostMessageW(palette.palette(), WM_CLOSE, 0, 0);
        HWND box = palette.WaitForWindow(L"#32770");
        ASSERT_NE(box, nullptr);
        const std::wstring message = Text(GetDlgItem(box, 0xFFFF));
        EXPECT_NE(message.find(L"Tarsel2025.ini"), std::wstring::npos) << message;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(palette.WaitForExit(), 0);
    }
    SetFileAttributesW(Settings().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFile(Settings()), before);
}

// A control's place in its parent's client area.
RECT PlaceOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// WM_DPICHANGED as the system sends it on a move to a screen of another DPI: the suggested
// window rectangle lives in the palette's memory, since the message carries a pointer.
void SendDpiChanged(const PaletteProcess& palette, int dpi, const RECT& suggested) {
    void* remote =
        VirtualAllocEx(palette.process(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    WriteProcessMemory(palette.process(), remote, &suggested, sizeof suggested, nullptr);
    DWORD_PTR ignored = 0;
    EXPECT_NE(SendMessageTimeoutW(palette.palette(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                  reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, &ignored),
              0);
    VirtualFreeEx(palette.process(), remote, 0, MEM_RELEASE);
}

TEST_F(PaletteGuiTest, OnAScreenOfAnotherDpiTheLayoutIsScaledFromItsPlacesAt96Dpi) {
    PaletteProcess palette(folder_.path());
    RECT window{};
    RECT client{};
    GetWindowRect(palette.palette(), &window);
    GetClientRect(palette.palette(), &client);
    ASSERT_EQ(client.right, 195) << "the display is not at 96 DPI";
    const int frameWidth = window.right - window.left - client.right;
    const int frameHeight = window.bottom - window.top - client.bottom;
    // Up and back: a layout rescaled from its last scale, not from 96 DPI, drifts on the way.
    for (int dpi : {144, 120, 192, 96}) {
        SCOPED_TRACE(dpi);
        const auto scale = [&](int pixels) { return MulDiv(pixels, dpi, 96); };
        const RECT suggested{window.left + 10, window.top + 20,
                             window.left + 10 + scale(195) + frameWidth,
                             window.top + 20 + scale(266) + frameHeight};
        SendDpiChanged(palette, dpi, suggested);
        RECT now{};
        GetWindowRect(palette.palette(), &now);
        EXPECT_EQ(now.left, suggested.left);
        EXPECT_EQ(now.top, suggested.top);
        GetClientRect(palette.palette(), &client);
        EXPECT_EQ(client.right, scale(195));
        EXPECT_EQ(client.bottom, scale(266));
        // 自動 at 129, 80, 57 × 21; No.'s up-down as tall as its field.
        const RECT button = PlaceOf(palette.Control(ButtonId(10)));
        EXPECT_EQ(button.left, scale(129));
        EXPECT_EQ(button.top, scale(80));
        EXPECT_EQ(button.right - button.left, scale(57));
        EXPECT_EQ(button.bottom - button.top, scale(21));
        const RECT upDown = PlaceOf(palette.Control(UpDownId(4)));
        const RECT field = PlaceOf(palette.Control(EditId(16)));
        EXPECT_EQ(upDown.bottom - upDown.top, scale(21));
        EXPECT_EQ(field.top, scale(37));
        EXPECT_LE(upDown.left, field.right + 2);  // beside its field, not left where it was
        EXPECT_GE(upDown.left, field.right - 2);
        // A page first shown on this screen is made at its scale; later ones are placed anew.
        palette.ShowPage(1);
        const RECT layer = PlaceOf(palette.Control(EditId(12)));  // 70, 205, 115 × 18
        EXPECT_EQ(layer.left, scale(70));
        EXPECT_EQ(layer.top, scale(205));
        EXPECT_EQ(layer.right - layer.left, scale(115));
        palette.ShowPage(0);
    }
    EXPECT_EQ(palette.Close(), 0);
}

// Every text of a message box (its message is a static among its buttons).
std::wstring BoxTexts(HWND box) {
    std::wstring texts;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            *reinterpret_cast<std::wstring*>(data) += Text(child) + L"\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

TEST_F(PaletteGuiTest, ALookThatCannotBeAppliedIsNamedAndTheDefaultLookWorks) {
    // The box comes before the palette exists: it is answered here while the palette is
    // awaited.
    std::wstring message;
    std::thread answer([&] {
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = FindWindowW(L"#32770", L"Tarsel")) != nullptr; })) return;
        message = BoxTexts(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    SetEnvironmentVariableW(L"TARSEL_REFUSE_THEME", L"1");
    std::unique_ptr<PaletteProcess> palette;
    try {
        palette = std::make_unique<PaletteProcess>(folder_.path());
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    SetEnvironmentVariableW(L"TARSEL_REFUSE_THEME", nullptr);
    answer.join();
    EXPECT_NE(message.find(L"\"Windows10 Dark\""), std::wstring::npos) << message;
    ASSERT_NE(palette, nullptr);

    // The default look: system-drawn buttons and tabs, not ours.
    const auto style = [&](int id) { return GetWindowLongW(palette->Control(id), GWL_STYLE); };
    EXPECT_EQ(style(ButtonId(10)) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(style(kPageControl1) & TCS_OWNERDRAWFIXED, 0);
    // And the palette works.
    palette->ShowPage(3);
    SendMessageW(palette->Control(CheckBoxId(3)), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(palette->Control(EditId(14))));
    EXPECT_EQ(palette->Close(), 0);
    const std::vector<std::string> saved = ProfileLines(Settings());
    EXPECT_NE(std::find(saved.begin(), saved.end(), "LT_Tarsel/Leader=0"), saved.end());
}

// {6A1C9E24-5B7D-4F13-9E82-0C4D3B2A1F77}: a class of these tests only.
constexpr CLSID kClsid = {
    0x6a1c9e24, 0x5b7d, 0x4f13, {0x9e, 0x82, 0x0c, 0x4d, 0x3b, 0x2a, 0x1f, 0x77}};
constexpr const char* kProgId = "Tarsel.MinicadServer.GuiTest";

TEST_F(PaletteGuiTest, AutomaticSplitFromThePaletteDrawsWhatTarselRunDraws) {
    const fs::path drawing = fs::path(TARSEL_SOURCE_DIR) / "examples" / "parcel.dxf";
    const fs::path job = folder_ / "job.txt";
    std::ofstream(job) << "press 自動\npoint 7000,9000\n";
    const fs::path expected = folder_ / "tarsel-run.dxf";
    const ProgramResult run =
        RunProgram(L"tarsel.exe", {L"run", drawing.wstring(), job.wstring(), L"-o",
                                   expected.wstring(), L"--target", fs::path(kProgId).wstring()});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto next = run.output.find("next-number ");
    ASSERT_NE(next, std::string::npos) << run.output;
    const std::string nextNumber =
        run.output.substr(next + 12, run.output.find_first_of("\r\n", next) - next - 12);

    const fs::path answers = folder_ / "answers.txt";
    std::ofstream(answers) << "point 7000,9000\n";
    const fs::path saved = folder_ / "palette.dxf";
    ServerProcess server(
        kProgId, kClsid,
        {L"--answers", answers.wstring(), L"--save", saved.wstring(), drawing.wstring()});
    WriteSettings(std::string("[LT_Tarsel]\r\nProgId=") + kProgId + "\r\ncadName=minicad\r\n");
    PaletteProcess palette(folder_.path());
    EXPECT_EQ(Text(palette.palette()), L" [ minicad ]");
    DWORD_PTR ignored = 0;
    // The command runs to its end inside the click.
    ASSERT_NE(SendMessageTimeoutW(palette.Control(ButtonId(10)), BM_CLICK, 0, 0, SMTO_NORMAL,
                                  120000, &ignored),
              0);
    EXPECT_EQ(platform::WideToUtf8(Text(palette.Control(EditId(16)))), nextNumber);
    EXPECT_EQ(palette.Find(L"#32770"), nullptr);  // no message
    EXPECT_EQ(palette.Close(), 0);

    cadlink::com::ComCadConnection connection;
    (void)cadlink::Call(connection.GetRunningApplication(kProgId), "Quit", {});
    ASSERT_EQ(server.Wait(), 0);
    const auto want = cadlink::com::testing::Describe(minicad::ReadDxfFile(expected));
    EXPECT_GT(want.size(), 10u);
    EXPECT_EQ(cadlink::com::testing::Describe(minicad::ReadDxfFile(saved)), want);
}

TEST_F(PaletteGuiTest, WithNoCadRunningAClickDoesNothingAndSaysNothing) {
    cadlink::com::RegisterProgId(kProgId, kClsid);  // registered, but nothing runs under it
    WriteSettings(std::string("[LT_Tarsel]\r\nProgId=") + kProgId + "\r\n");
    PaletteProcess palette(folder_.path());
    for (int button : {10, 13, 4}) {
        DWORD_PTR ignored = 0;
        ASSERT_NE(SendMessageTimeoutW(palette.Control(ButtonId(button)), BM_CLICK, 0, 0,
                                      SMTO_NORMAL, 20000, &ignored),
                  0);
    }
    EXPECT_EQ(palette.Find(L"#32770"), nullptr);
    EXPECT_EQ(Text(palette.Control(EditId(16))), L"1");
    EXPECT_EQ(palette.Close(), 0);
    cadlink::com::UnregisterProgId(kProgId);
}

}  // namespace
}  // namespace tarsel::palette::win32
