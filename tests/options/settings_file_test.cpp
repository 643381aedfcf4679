#include "options/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_write.h"
#include "scratch_folder.h"

namespace tarsel::options {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

// What palette creation holds before the file is read.
PaletteSettings CreationDefaults() {
    PaletteSettings s;
    s.target = {"BricscadApp.AcadApplication", "BricsCAD"};
    return s;
}

constexpr ScreenLayout kScreen{1920, 1080, 195, 266};

const std::string kEveryKeyByDefault =
    "[Form]\r\nTop=336\r\nLeft=589\r\n"
    "[LT_Tarsel]\r\nKakudo=180.0\r\nYajirusi=400\r\nLeader=1\r\nKyuuseki=0\r\nAllData=1\r\n"
    "A_Hen=8.0\r\nB_Hen=10.0\r\nAutoCheck=0\r\nJouritu=3\r\nSyakudo=3\r\nKeta1=2\r\nKeta2=4\r\n"
    "Keta3=2\r\nM_Layer=H_TEXT\r\nH_Layer=H_HEN\r\nT_Layer=H_TAKASA\r\nNagasa=1\r\nMenseki=1\r\n"
    "Goukei=1\r\nM_Taka1=300\r\nN_Taka1=400\r\nHankei1=500\r\nM_Taka2=400\r\nG_Taka=800\r\n"
    "Haba1=1500,3000,3000,3000,4500\r\nHaba2=1500,3000,3000,4500\r\nUseTextStyle=1\r\n"
    "ProgId=BricscadApp.AcadApplication\r\ncadName=BricsCAD\r\n";

// Every persisted value as text, for comparing two loads.
std::string Snapshot(const PaletteSettings& s) {
    std::string out = std::to_string(s.position.Left) + "," + std::to_string(s.position.Top) + "|" +
                      s.target.ProgID + "|" + s.target.CadName;
    for (const std::string& key : PaletteOptions::Keys()) {
        out += "|" + key + "=" + *s.options.GetOption(key);
    }
    return out + "|" + s.options.TabSheet2Caption() + "|" + s.options.Edit8Text();
}

TEST(SettingsFile, NoFileKeepsTheDefaultsAndASaveWritesEveryKeyInOrder) {
    ScratchFolder dir;
    const auto ini = dir / "Tarsel2025.ini";
    PaletteSettings s = CreationDefaults();
    EXPECT_FALSE(LoadSettingsFile(ini, kScreen, s).fileFound);
    EXPECT_EQ(s.position, (FormPosition{589, 336}));
    EXPECT_EQ(Snapshot(s), Snapshot(CreationDefaults()));
    SaveSettingsFile(ini, s);
    EXPECT_EQ(ReadBytes(ini), kEveryKeyByDefault);
}

TEST(SettingsFile, MissingKeysTakeTheFilesDefaultsNotTheForms) {
    ScratchFolder dir;
    const auto ini = dir / "Tarsel2025.ini";
    WriteBytes(ini, "[LT_Tarsel]\r\nKyuuseki=1\r\n");
    PaletteSettings s = CreationDefaults();
    ASSERT_TRUE(LoadSettingsFile(ini, kScreen, s).fileFound);
    EXPECT_EQ(s.options.TabSheet2Caption(), "三斜");
    EXPECT_TRUE(s.options.Edit20Enabled());
    EXPECT_FALSE(s.options.Edit11Enabled());
    EXPECT_EQ(s.position, (FormPosition{(1920 - 195) / 2, (1080 - 266) / 2}));
    EXPECT_TRUE(s.options.AutoCheck);
    EXPECT_EQ(s.options.Yajirusi, "400.0");
    EXPECT_EQ(s.target, CreationDefaults().target);
}

TEST(SettingsFile, ValuesLoadAsTheControlsWouldTakeThem) {
    struct Case {
        const char* lines;
        const char* key;
        const char* loaded;
    };
    const Case cases[] = {
        {"Nagasa=7", "Nagasa", "0"},
        {"Menseki=2", "Menseki", "2"},
        {"Goukei=-1", "Goukei", "0"},
        {"Keta1=9", "Keta1", "6"},
        {"Keta2=-4", "Keta2", "0"},
        {"Syakudo=7", "Syakudo", "3"},
        {"Jouritu=0x2", "Jouritu", "2"},
        {"Leader=0", "Leader", "0"},
        {"AllData=abc", "AllData", "1"},
        {"Keta3=1e3", "Keta3", "2"},
        {"M_Layer= \"LAY \" ", "M_Layer", "LAY "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        PaletteSettings s = CreationDefaults();
        ReadSettings(ProfileFile::FromBytes(std::string("[LT_Tarsel]\r\n") + c.lines), kScreen, s);
        EXPECT_EQ(s.options.GetOption(c.key), c.loaded);
    }
    PaletteSettings s = CreationDefaults();
    ReadSettings(ProfileFile::FromBytes("[LT_Tarsel]\nSyakudo=2\nKeta1=5\nNagasa=2\nLeader=0\n"
                                        "ProgId=X.App\ncadName=Name 1~2\n[Form]\nTop=5000\n"
                                        "Left=-3000\n"),
                 kScreen, s);
    EXPECT_EQ(s.options.Edit8Text(), "100");
    EXPECT_EQ(s.options.Rounding().lengthDigits, 5);
    EXPECT_EQ(s.options.Rounding().lengthMode, 2);
    EXPECT_FALSE(s.options.Edit14Enabled());
    EXPECT_EQ(s.target, (TargetCad{"X.App", "Name 1~2"}));
    EXPECT_EQ(s.position, (FormPosition{-3000, 5000}));  // beyond the screen, kept
}

TEST(SettingsFile, OutOfRangeModeSavesBackAsTheButtonShowsIt) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    WriteBytes(ini, "[LT_Tarsel]\r\nNagasa=7\r\n");
    PaletteSettings s = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, s);
    SaveSettingsFile(ini, s);
    EXPECT_EQ(ProfileFile::Load(ini).ReadValue("LT_Tarsel", "Nagasa"), "0");
}

TEST(SettingsFile, LoadSaveLoadGivesTheSameSettings) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    WriteBytes(ini,
               "\xEF\xBB\xBF[LT_Tarsel]\r\nKyuuseki=1\r\nM_Layer=' 文字 "
               "'\r\nH_Layer=\"辺\"\r\nKakudo=  90 \r\n"
               "Keta2=0x3\r\nMenseki=0\r\nAutoCheck=0\r\nSyakudo=1\r\n"
               "ProgId=Other.Application\r\ncadName=Other CAD 2020~2025\r\n"
               "[Form]\r\nLeft=-20\r\nTop=2000\r\n");
    PaletteSettings first = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, first);
    SaveSettingsFile(ini, first);
    PaletteSettings second = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, second);
    EXPECT_EQ(Snapshot(second), Snapshot(first));
    EXPECT_EQ(second.options.M_Layer, " 文字 ");
}

TEST(SettingsFile, ASaveKeepsWhatThePaletteDoesNotOwn) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    const std::string foreign = "; my notes\r\n[Other]\r\nKeta1=9\r\n\r\n";
    // A file that already holds what the palette writes comes back byte for byte.
    WriteBytes(ini, foreign + kEveryKeyByDefault + "[Tail]\r\n;end");
    PaletteSettings s = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, s);
    SaveSettingsFile(ini, s);
    EXPECT_EQ(ReadBytes(ini), foreign + kEveryKeyByDefault + "[Tail]\r\n;end");

    s.options.SetKeta1(5);
    s.options.Kakudo = "45";
    SaveSettingsFile(ini, s);
    std::string expected = foreign + kEveryKeyByDefault + "[Tail]\r\n;end";
    expected.replace(expected.find("Keta1=2"), 7, "Keta1=5");
    expected.replace(expected.find("Kakudo=180.0"), 12, "Kakudo=45");
    EXPECT_EQ(ReadBytes(ini), expected);
}

TEST(SettingsFile, AFailedSaveLeavesTheOldFileWholeAndNamesIt) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    const std::string old = "[LT_Tarsel]\r\nKeta1=3\r\n";
    PaletteSettings s = CreationDefaults();

    // A value no line can hold: nothing is written, not even the keys before it.
    WriteBytes(ini, old);
    s.options.H_Layer = "A\r\n[Form]";
    try {
        SaveSettingsFile(ini, s);
        ADD_FAILURE() << "saved";
    } catch (const ProfileFileError& e) {
        EXPECT_NE(std::string(e.what()).find("a.ini"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("H_Layer"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(ini), old);
    s.options.H_Layer = "H_HEN";

    // A read-only file (its write bits cleared: refused even for an administrator).
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read |
                                          std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
    EXPECT_THROW(SaveSettingsFile(ini, s), ProfileFileError);
    EXPECT_EQ(ReadBytes(ini), old);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);

    // A folder that cannot take a file: its path runs through a plain file.
    WriteBytes(dir / "not-a-folder", "x");
    const auto inside = dir / "not-a-folder" / "a.ini";
    try {
        SaveSettingsFile(inside, s);
        ADD_FAILURE() << "saved";
    } catch (const ProfileFileError& e) {
        EXPECT_NE(std::string(e.what()).find("a.ini"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(dir / "not-a-folder"), "x");
}

TEST(SettingsFile, ASaveCutShortBeforeTheRenameLeavesTheOldFile) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    const std::string old = "[LT_Tarsel]\r\nKeta1=3\r\n";
    WriteBytes(ini, old);
    PaletteSettings s = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, s);
    s.options.SetKeta1(5);

    struct Killed {};
    std::filesystem::path temp;
    platform::SetBeforeRenameHookForTesting(
        [&](const std::filesystem::path& t, const std::filesystem::path&) {
            temp = t;
            throw Killed{};
        });
    EXPECT_THROW(SaveSettingsFile(ini, s), Killed);
    platform::SetBeforeRenameHookForTesting({});

    EXPECT_EQ(ReadBytes(ini), old);  // the old file, whole
    PaletteSettings again = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, again);
    EXPECT_EQ(again.options.Keta1(), 3);
    // The new file lies whole beside it, and the next save goes through.
    EXPECT_EQ(ProfileFile::Load(temp).ReadValue("LT_Tarsel", "Keta1"), "5");
    SaveSettingsFile(ini, s);
    EXPECT_EQ(ProfileFile::Load(ini).ReadValue("LT_Tarsel", "Keta1"), "5");
}

TEST(SettingsFile, ALayerNameTheCodePageCannotHoldTurnsTheFileIntoUtf8) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    PaletteSettings s = CreationDefaults();
    s.options.M_Layer = "文字";
    (void)SaveSettingsFile(ini, s);  // a new file: the ANSI code page on Windows
    s.options.H_Layer = "변";        // Hangul: in no Japanese or Western code page
    const TextEncoding written = SaveSettingsFile(ini, s);
#ifndef _WIN32
    // Off Windows a new file is UTF-8 already, which holds everything.
    EXPECT_EQ(written.kind, TextEncodingKind::kUtf8);
#else
    EXPECT_EQ(written.kind, TextEncodingKind::kUtf8Bom);
#endif
    PaletteSettings back = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, back);
    EXPECT_EQ(back.options.H_Layer, "변");
}

#ifndef _WIN32
TEST(SettingsFile, AShiftJisFileStaysShiftJisUntilAValueNeedsMore) {
    ScratchFolder dir;
    const auto ini = dir / "a.ini";
    WriteBytes(ini, "[LT_Tarsel]\r\nM_Layer=\x95\xB6\x8E\x9A\r\n");  // 文字
    PaletteSettings s = CreationDefaults();
    EXPECT_EQ(EncodingName(LoadSettingsFile(ini, kScreen, s).encoding), "CP932");
    EXPECT_EQ(s.options.M_Layer, "文字");
    EXPECT_EQ(EncodingName(SaveSettingsFile(ini, s)), "CP932");
    EXPECT_EQ(ReadBytes(ini).substr(0, 27), "[LT_Tarsel]\r\nM_Layer=\x95\xB6\x8E\x9A\r\n");
    s.options.H_Layer = "변";
    EXPECT_EQ(SaveSettingsFile(ini, s).kind, TextEncodingKind::kUtf8Bom);
    PaletteSettings back = CreationDefaults();
    (void)LoadSettingsFile(ini, kScreen, back);
    EXPECT_EQ(back.options.M_Layer, "文字");
    EXPECT_EQ(back.options.H_Layer, "변");
}
#endif

}  // namespace
}  // namespace tarsel::options
