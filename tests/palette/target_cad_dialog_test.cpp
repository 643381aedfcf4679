#include "palette/target_cad_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../options/profile_reader_cases.h"
#include "../options/scratch_folder.h"
#include "cadlink/connection.h"
#include "options/cad_list_file.h"
#include "palette/palette_controller.h"
#include "platform/desktop.h"

namespace tarsel::palette {
namespace {

using options::testing::ReadBytes;
using options::testing::ScratchFolder;
using options::testing::WriteBytes;
using Lines = std::vector<std::string>;

class TargetCadDialogTest : public ::testing::Test {
protected:
    std::filesystem::path ListFile() const { return dir_ / std::string(options::kCadListFileName); }
    void WriteList(const std::string& bytes) const { WriteBytes(ListFile(), bytes); }
    std::string ListBytes() const { return ReadBytes(ListFile()); }

    ScratchFolder dir_;
};

TEST_F(TargetCadDialogTest, ShowingSelectsTheFirstEntryOfTheCurrentProgId) {
    WriteList(
        "Zeta\tZ.App\r\nBricsCAD V25\tBricscadApp.AcadApplication.25\r\n"
        "BricsCAD\tBricscadApp.AcadApplication\r\n");
    TargetCadDialog dialog(ListFile());
    dialog.CurrentProgID = "BricscadApp.AcadApplication";
    dialog.FormShow();
    // Sorted; both BricsCAD lines contain TAB + the ProgID, the first in order wins.
    EXPECT_EQ(dialog.Items(),
              (Lines{"BricsCAD\tBricscadApp.AcadApplication",
                     "BricsCAD V25\tBricscadApp.AcadApplication.25", "Zeta\tZ.App"}));
    EXPECT_EQ(dialog.ItemIndex(), 0);
    EXPECT_EQ(dialog.Edit1, "BricsCAD");
    EXPECT_EQ(dialog.Edit2, "BricscadApp.AcadApplication");

    // No entry for the ProgID: nothing selected, the edits keep their texts.
    dialog.CurrentProgID = "Other.App";
    dialog.Edit1 = "typed";
    dialog.FormShow();
    EXPECT_EQ(dialog.ItemIndex(), -1);
    EXPECT_EQ(dialog.Edit1, "typed");
}

TEST_F(TargetCadDialogTest, NoListFileKeepsWhatTheDialogShowedLast) {
    TargetCadDialog dialog(ListFile());
    dialog.FormShow();
    EXPECT_TRUE(dialog.Items().empty());
    WriteList("A\tA.App\r\n");
    dialog.FormShow();
    std::filesystem::remove(ListFile());
    dialog.FormShow();
    EXPECT_EQ(dialog.Items(), (Lines{"A\tA.App"}));
    EXPECT_TRUE(dialog.LastError().empty());
}

TEST_F(TargetCadDialogTest, EnterInAnEditReplacesTheSelectedLineInPlace) {
    WriteList("A\tA.App\r\nC\tC.App\r\n");
    TargetCadDialog dialog(ListFile());
    dialog.FormShow();
    dialog.ClickItem(0);
    dialog.Edit1 = "Z";
    dialog.Edit2 = "Z.App";
    EXPECT_FALSE(dialog.Edit1KeyPress('x'));
    EXPECT_EQ(ListBytes(), "A\tA.App\r\nC\tC.App\r\n");
    EXPECT_TRUE(dialog.Edit1KeyPress(13));
    // Replaced where it stood, not sorted until the list is next read.
    EXPECT_EQ(dialog.Items(), (Lines{"Z\tZ.App", "C\tC.App"}));
    EXPECT_EQ(ListBytes(), "Z\tZ.App\r\nC\tC.App\r\n");
    dialog.FormShow();
    EXPECT_EQ(dialog.Items(), (Lines{"C\tC.App", "Z\tZ.App"}));
}

TEST_F(TargetCadDialogTest, DeletingSelectsANeighbour) {
    struct Case {
        int deleted;
        Lines left;
        int selected;
        const char* edit1;
    };
    const Case cases[] = {
        {2, {"A\ta", "B\tb"}, 1, "B"},  // the last of three: the new last
        {0, {"B\tb", "C\tc"}, 0, "B"},  // the first of three: the one moved up
        {1, {"A\ta", "C\tc"}, 0, "A"},  // the middle one: the one before it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deleted);
        WriteList("C\tc\r\nA\ta\r\nB\tb\r\n");
        TargetCadDialog dialog(ListFile());
        dialog.FormShow();
        dialog.ClickItem(c.deleted);
        dialog.SpeedButton2Click();
        EXPECT_EQ(dialog.Items(), c.left);
        EXPECT_EQ(dialog.ItemIndex(), c.selected);
        EXPECT_EQ(dialog.Edit1, c.edit1);
        EXPECT_EQ(ListBytes(), c.left[0] + "\r\n" + c.left[1] + "\r\n");
    }
}

TEST_F(TargetCadDialogTest, DeleteAndChangeWithoutASelectionDoNothing) {
    WriteList("A\ta\r\n");
    TargetCadDialog dialog(ListFile());
    dialog.CurrentProgID = "none";
    dialog.FormShow();
    ASSERT_EQ(dialog.ItemIndex(), -1);
    dialog.Edit1 = "X";
    dialog.SpeedButton2Click();
    dialog.SpeedButton3Click();
    EXPECT_TRUE(dialog.Edit1KeyPress(13));
    EXPECT_EQ(dialog.Items(), (Lines{"A\ta"}));
    EXPECT_EQ(dialog.Edit1, "X");
    EXPECT_EQ(ListBytes(), "A\ta\r\n");
}

TEST_F(TargetCadDialogTest, AddPutsTheLineInOrderAndSelectsIt) {
    TargetCadDialog dialog(ListFile());
    const std::pair<const char*, const char*> adds[] = {
        {"beta", "b"}, {"Alpha", "a"}, {"alpha", "a"}, {"", ""}, {"Beta", "b"}, {"ＢＩＧ", "w"}};
    for (const auto& [name, progId] : adds) {
        dialog.Edit1 = name;
        dialog.Edit2 = progId;
        dialog.SpeedButton1Click();
        EXPECT_EQ(dialog.Items()[static_cast<std::size_t>(dialog.ItemIndex())],
                  std::string(name) + "\t" + progId);
    }
    // Case-insensitive, ties by the exact text (capitals first); the empty entry is kept.
    const Lines sorted{"\t", "Alpha\ta", "alpha\ta", "Beta\tb", "beta\tb", "ＢＩＧ\tw"};
    EXPECT_EQ(dialog.Items(), sorted);
    // A list never read is in the ANSI code page, unless that cannot hold a name.
    std::string bytes = ListBytes();
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
    EXPECT_EQ(bytes, "\t\r\nAlpha\ta\r\nalpha\ta\r\nBeta\tb\r\nbeta\tb\r\nＢＩＧ\tw\r\n");
    EXPECT_TRUE(options::CadListLess("a\tx", "B\tx"));
    EXPECT_TRUE(options::CadListLess("A", "a"));
    EXPECT_FALSE(options::CadListLess("a", "A"));
    EXPECT_TRUE(options::CadListLess("ab", "abc"));
}

TEST_F(TargetCadDialogTest, LinesSplitAtTheFirstTabAndEndAtAnyLineEnd) {
    WriteList("one\tP.1\tmore\rtwo\nno tab\r\n\r\nlast\tP.L");
    TargetCadDialog dialog(ListFile());
    dialog.FormShow();
    EXPECT_EQ(dialog.Items(), (Lines{"", "last\tP.L", "no tab", "one\tP.1\tmore", "two"}));
    dialog.ClickItem(3);
    EXPECT_EQ(dialog.Edit1, "one");
    EXPECT_EQ(dialog.Edit2, "P.1\tmore");
    dialog.ClickItem(2);
    EXPECT_EQ(dialog.Edit1, "");
    EXPECT_EQ(dialog.Edit2, "no tab");
}

TEST_F(TargetCadDialogTest, EveryEncodingComesBackByteForByteAfterAnAddAndADelete) {
    using options::testing::Utf16Bytes;
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"UTF-8 BOM",
         "\xEF\xBB\xBF"
         "A\tA.App\r\n図面\tZ.App\r\n"},
        {"UTF-16LE", Utf16Bytes(u"A\tA.App\r\n図面\tZ.App\r\n", false)},
        {"UTF-16BE", Utf16Bytes(u"A\tA.App\r\n図面\tZ.App\r\n", true)},
        {"ASCII", "A\tA.App\r\nB\tB.App\r\n"},
    };
#ifndef _WIN32
    cases.push_back({"UTF-8", "A\tA.App\r\n図面\tZ.App\r\n"});
    // 図面 in Shift-JIS, and ED 40, a character with a second byte form (FA 5C).
    cases.push_back({"Shift-JIS", "A\tA.App\r\n\x90\x7D\x96\xCA\t\xED\x40\r\n"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteList(c.bytes);
        TargetCadDialog dialog(ListFile());
        dialog.FormShow();
        dialog.Edit1 = "B2";
        dialog.Edit2 = "B2.App";
        dialog.SpeedButton1Click();
        EXPECT_NE(ListBytes(), c.bytes);
        dialog.SpeedButton2Click();
        EXPECT_EQ(ListBytes(), c.bytes);
        EXPECT_TRUE(dialog.LastError().empty()) << dialog.LastError();
    }
}

TEST_F(TargetCadDialogTest, AListNeverReadIsWrittenInTheNewFileEncoding) {
    TargetCadDialog dialog(ListFile());
    dialog.Edit1 = "図面";
    dialog.Edit2 = "Z.App";
    dialog.SpeedButton1Click();
#ifdef _WIN32
    // The ANSI code page, unless it cannot hold the name: then UTF-8 rather than a lost name.
    if (dialog.ListEncoding() != options::NewFileEncoding()) {
        EXPECT_EQ(ListBytes(),
                  "\xEF\xBB\xBF"
                  "図面\tZ.App\r\n");
        return;
    }
#endif
    EXPECT_EQ(dialog.ListEncoding(), options::NewFileEncoding());
    EXPECT_EQ(options::DecodeText(ListBytes(), options::NewFileEncoding()), "図面\tZ.App\r\n");
}

TEST_F(TargetCadDialogTest, AListThatCannotBeReadIsNeverOverwritten) {
    // A lone UTF-16 surrogate: the line cannot be shown, so saving would lose it.
    const std::string bad = std::string(
        "\xFF\xFE"
        "A\0\t\0\x00\xD8\r\0\n\0",
        12);
    WriteList(bad);
    TargetCadDialog dialog(ListFile());
    dialog.FormShow();
    EXPECT_NE(dialog.LastError().find(std::string(options::kCadListFileName)), std::string::npos)
        << dialog.LastError();
    dialog.Edit1 = "B";
    dialog.SpeedButton1Click();
    EXPECT_EQ(ListBytes(), bad);
    EXPECT_FALSE(dialog.LastError().empty());
}

TEST_F(TargetCadDialogTest, TheTargetChangesOnlyOnOkAndTheCaptionFollows) {
    cadlink::InProcessCadRegistry registry;
    platform::RecordingDesktop desktop;
    PaletteController controller(registry, desktop);
    WriteList("BricsCAD\tBricscadApp.AcadApplication\r\n");
    TargetCadDialog dialog(ListFile());

    // Cancel after an add: the line stays in the file, the target does not change.
    controller.Button15Click(dialog, [&] {
        dialog.FormShow();
        EXPECT_EQ(dialog.Edit1, "BricsCAD");
        dialog.Edit1 = "Other CAD 2020~2025";
        dialog.Edit2 = "Other.Application";
        dialog.SpeedButton1Click();
        return false;
    });
    EXPECT_NE(ListBytes().find("Other CAD 2020~2025\tOther.Application\r\n"), std::string::npos);
    EXPECT_EQ(controller.session().TargetProgID, "BricscadApp.AcadApplication");
    EXPECT_EQ(controller.Caption(), " [ BricsCAD ]");

    // OK: the edits as they stand, whether in the list or not.
    controller.Button15Click(dialog, [&] {
        dialog.FormShow();
        EXPECT_EQ(dialog.CurrentProgID, "BricscadApp.AcadApplication");
        dialog.ClickItem(1);
        return true;
    });
    EXPECT_EQ(controller.session().TargetProgID, "Other.Application");
    EXPECT_EQ(controller.Caption(), " [ Other ~2025 ]");
    controller.Button15Click(dialog, [&] {
        dialog.Edit1.clear();
        dialog.Edit2.clear();
        return true;
    });
    EXPECT_EQ(controller.session().TargetProgID, "");
    EXPECT_EQ(controller.Caption(), " [  ]");
}

}  // namespace
}  // namespace tarsel::palette
