// tarsel settings and tarsel run --settings: the palette's settings file read, changed and
// saved as the palette does, and a user's settings carried into a batch run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "subcommand_harness.h"
#include "subcommands.h"

namespace tarsel::app {
namespace {

class SettingsCommand : public ScratchDirTest {
protected:
    static Outcome Settings(std::vector<std::string> args) {
        return Invoke<RunSettings>(std::move(args));
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

const std::string kDefaults =
    "Kakudo=180.0\nYajirusi=400\nLeader=1\nKyuuseki=0\nAllData=1\nA_Hen=8.0\nB_Hen=10.0\n"
    "AutoCheck=0\nJouritu=3\nSyakudo=3\nKeta1=2\nKeta2=4\nKeta3=2\nM_Layer=H_TEXT\n"
    "H_Layer=H_HEN\nT_Layer=H_TAKASA\nNagasa=1\nMenseki=1\nGoukei=1\nM_Taka1=300\n"
    "N_Taka1=400\nHankei1=500\nM_Taka2=400\nG_Taka=800\nHaba1=1500,3000,3000,3000,4500\n"
    "Haba2=1500,3000,3000,4500\nUseTextStyle=1\nProgId=BricscadApp.AcadApplication\n"
    "cadName=BricsCAD\nTop=336\nLeft=589\n";

TEST_F(SettingsCommand, PrintsTheSettingsAsThePaletteLoadsThem) {
    const Outcome none = Settings({Path("none.ini")});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_NE(none.err.find("does not exist"), std::string::npos) << none.err;
    EXPECT_TRUE(none.out.starts_with(kDefaults)) << none.out;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "none.ini"));

    const std::string ini =
        WriteFile("a.ini",
                  "\xEF\xBB\xBF[LT_Tarsel]\r\nKyuuseki=1\r\nKeta1=9\r\nNagasa=7\r\n"
                  "AutoCheck=0x0\r\nM_Layer=\"文字 \"\r\n");
    const Outcome r = Settings({ini});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string expected = kDefaults;
    expected.replace(expected.find("Yajirusi=400"), 12, "Yajirusi=400.0");
    expected.replace(expected.find("Kyuuseki=0"), 10, "Kyuuseki=1");
    expected.replace(expected.find("Keta1=2"), 7, "Keta1=6");
    expected.replace(expected.find("Nagasa=1"), 8, "Nagasa=0");
    expected.replace(expected.find("M_Layer=H_TEXT"), 14, "M_Layer=文字 ");
    expected.replace(expected.find("Top=336\nLeft=589"), 16, "Top=407\nLeft=862");
    EXPECT_EQ(r.out, expected + "encoding=UTF-8 BOM\n");
}

TEST_F(SettingsCommand, SetChangesAsTheControlsDoAndSavesAsThePaletteCloses) {
    const std::string before = "; mine\r\n[LT_Tarsel]\r\nKeta1=3\r\n\r\n[Other]\r\nx=1\r\n";
    const std::string ini = WriteFile("a.ini", before);
    const Outcome r =
        Settings({ini, "--set", "Keta1=9", "--set", "Syakudo=-2", "--set", "M_Layer=LAYER2",
                  "--set", "cadName=Other CAD", "--set", "Top=-40"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Keta1=6\n"), std::string::npos) << r.out;
    const std::string after = Read("a.ini");
    EXPECT_TRUE(after.starts_with("; mine\r\n[LT_Tarsel]\r\nKeta1=6\r\n")) << after;
    EXPECT_NE(after.find("\r\nSyakudo=0\r\n"), std::string::npos);
    EXPECT_NE(after.find("\r\nM_Layer=LAYER2\r\n"), std::string::npos);
    EXPECT_NE(after.find("\r\ncadName=Other CAD\r\n\r\n[Other]\r\nx=1\r\n[Form]\r\nTop=-40\r\n"
                         "Left=862\r\n"),
              std::string::npos)
        << after;

    // A missing file is created with every key.
    EXPECT_EQ(Settings({Path("new.ini"), "--set", "Kakudo=90"}).exitCode, 0);
    EXPECT_NE(Read("new.ini").find("Kakudo=90\r\n"), std::string::npos);
    EXPECT_NE(Read("new.ini").find("cadName=BricsCAD\r\n"), std::string::npos);
}

TEST_F(SettingsCommand, RefusedValuesAndFailedSavesChangeNothing) {
    const std::string before = "[LT_Tarsel]\r\nKeta1=3\r\n";
    const std::string ini = WriteFile("a.ini", before);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* error;
    };
    const std::vector<Case> cases = {
        {{ini, "--set", "Kyuuseki=2"}, 2, "Kyuuseki"},
        {{ini, "--set", "Nosuch=1"}, 2, "unknown option Nosuch"},
        {{ini, "--set", "NextNumber=4"}, 2, "NextNumber"},
        {{ini, "--set", "Top=up"}, 2, "Top"},
        {{ini, "--set", "Keta1"}, 2, "KEY=VALUE"},
        {{ini, "--set", "M_Layer=a\nb"}, 1, "M_Layer"},
        {{}, 2, "a settings file is needed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const Outcome r = Settings(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(Read("a.ini"), before);
    }
}

class RunWithSettings : public SettingsCommand {
protected:
    std::string Triangle() {
        minicad::Drawing drawing;
        const minicad::Point3 p[] = {{0, 0, 0}, {3000, 0, 0}, {0, 4000, 0}};
        for (int i = 0; i < 3; ++i) {
            minicad::Entity e;
            e.id = drawing.nextId++;
            e.data = minicad::LineData{p[i], p[(i + 1) % 3]};
            drawing.entities.push_back(e);
        }
        minicad::WriteDxfFile(dir_ / "lot.dxf", drawing);
        return Path("lot.dxf");
    }
    static std::size_t TextsOn(const minicad::Drawing& d, const std::string& layer) {
        std::size_t n = 0;
        for (const minicad::Entity& e : d.entities)
            if (minicad::HoldsData<minicad::TextData>(e.data) && e.layer == layer) ++n;
        return n;
    }
};

TEST_F(RunWithSettings, TheSettingsFileGivesTheRunItsOptionsAndTarget) {
    const std::string lot = Triangle();
    const std::string job = WriteFile("job.txt", "press 自動\npoint 500,500\n");
    // The file's ProgId is where the run finds its CAD; its layer option labels the lot.
    const std::string ini =
        WriteFile("user.ini", "[LT_Tarsel]\r\nM_Layer=MINE\r\nProgId=Pcad.PCADApplication\r\n");
    const Outcome r = Invoke<RunRun>({lot, job, "--settings", ini});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "area 6.0000 6.0000\nnext-number 2\n");
    EXPECT_EQ(TextsOn(minicad::ReadDxfFile(dir_ / "lot-out.dxf"), "MINE"), 4u);
    EXPECT_EQ(Read("user.ini"),
              "[LT_Tarsel]\r\nM_Layer=MINE\r\nProgId=Pcad.PCADApplication\r\n");  // untouched

    // --target wins over the file's ProgId.
    const std::string elsewhere =
        WriteFile("elsewhere.ini", "[LT_Tarsel]\r\nProgId=Not.Running\r\n");
    EXPECT_EQ(Invoke<RunRun>({lot, job, "--settings", elsewhere, "--target", "A.B"}).out,
              "area 6.0000 6.0000\nnext-number 2\n");

    const Outcome missing = Invoke<RunRun>({lot, job, "--settings", Path("none.ini")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("none.ini"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace tarsel::app
