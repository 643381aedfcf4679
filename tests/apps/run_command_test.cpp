// tarsel run end to end in process: a drawing on disk, a job on disk, the palette controller
// pressing buttons on minicad, the drawing saved (or, on any error, not).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "subcommand_harness.h"
#include "subcommands.h"

namespace tarsel::app {
namespace {

class RunCommand : public ScratchDirTest {
protected:
    // A closed outline of lines, written as a user's drawing would be.
    std::string Drawing(const std::vector<minicad::Point3>& outline,
                        const std::string& name = "lot.dxf") {
        minicad::Drawing drawing;
        for (std::size_t i = 0; i < outline.size(); ++i) {
            minicad::Entity e;
            e.id = drawing.nextId++;
            e.data = minicad::LineData{outline[i], outline[(i + 1) % outline.size()]};
            drawing.entities.push_back(e);
        }
        minicad::WriteDxfFile(dir_ / name, drawing);
        return Path(name);
    }

    std::string Job(const std::string& text, const std::string& name = "job.txt") {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return Path(name);
    }

    static Outcome Run(std::vector<std::string> args) { return Invoke<RunRun>(std::move(args)); }

    static std::size_t Count(const minicad::Drawing& d, std::size_t kind,
                             const std::string& layer) {
        std::size_t n = 0;
        for (const minicad::Entity& e : d.entities)
            if (e.data.index() == kind && e.layer == layer) ++n;
        return n;
    }
};

constexpr std::size_t kLine = 0;
constexpr std::size_t kText = 4;

TEST_F(RunCommand, SplitsALotAndSavesBesideTheDrawing) {
    const std::string lot = Drawing({{0, 0, 0}, {10000, 0, 0}, {10000, 10000, 0}, {0, 10000, 0}});
    const Outcome r = Run({lot, Job("set NextNumber 3\npress 分割\npoint 5000,5000\n")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "area 100.0000 100.0000\nnext-number 3\n");
    EXPECT_EQ(r.err, "");
    const minicad::Drawing saved = minicad::ReadDxfFile(dir_ / "lot-out.dxf");
    EXPECT_EQ(Count(saved, kLine, "H_HEN"), 1u);  // one diagonal of the square
    EXPECT_EQ(Count(saved, kLine, "0"), 4u);
}

TEST_F(RunCommand, PrintsMessagesAndWarnsOfUnusedAnswers) {
    const std::string lot = Drawing({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}});
    const Outcome r = Run(
        {lot, Job("press 自動\npoint 5000,5000\npress 最大\npoint 1,2\n"), "-o", Path("out.dxf")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "message Tarsel: 境界を作成できません．\nnext-number 1\n");
    EXPECT_NE(r.err.find("job.txt:3: warning: 1 answer not used by \"最大\""), std::string::npos)
        << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir_ / "out.dxf"));
}

TEST_F(RunCommand, LabelsReachTheDrawingOnBothRoads) {
    for (const char* target : {"BricscadApp.AcadApplication", "Pcad.PCADApplication"}) {
        SCOPED_TRACE(target);
        const std::string lot = Drawing({{0, 0, 0}, {3000, 0, 0}, {0, 4000, 0}});
        const Outcome r = Run({lot, Job("press 自動\npoint 500,500\n"), "--target", target});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "area 6.0000 6.0000\nnext-number 2\n");
        const minicad::Drawing saved = minicad::ReadDxfFile(dir_ / "lot-out.dxf");
        std::size_t tagged = 0;
        for (const minicad::Entity& e : saved.entities)
            if (!e.xdata.empty() && e.xdata[0].application == "LT_TARSEL") ++tagged;
        EXPECT_EQ(tagged, 1u);
        EXPECT_EQ(Count(saved, kText, "H_TEXT"), 4u);  // three sides and the number
    }
}

TEST_F(RunCommand, NothingRunsOrIsSavedAfterAnError) {
    const std::string lot = Drawing({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}});
    struct Case {
        std::string job;
        std::vector<std::string> extra;
        int exitCode;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"press 最大\nfrobnicate\n", {}, 2, "job.txt:2: unknown action"},
        {"set Keta1 lots\n", {}, 2, "job.txt:1: "},
        {"sysvar NOSUCH 1\n", {}, 2, "job.txt:1: sysvar NOSUCH 1: unknown system variable"},
        {"sysvar AUNITS 9\n", {}, 2, "job.txt:1: sysvar AUNITS 9: value out of range"},
        {"press 最大\npress nosuch\n", {}, 1, "job.txt:2: unknown button \"nosuch\""},
        {"sysvar CLAYER MISSING\n", {}, 1, "job.txt:1: sysvar CLAYER MISSING: value out of range"},
        {"press 最大\n", {"--bogus"}, 2, "unknown option '--bogus'"},
        {"press 最大\n", {"--codepage", "KOI8"}, 2, "unknown code page 'KOI8'"},
        {"press 最大\n", {"--codepage"}, 2, "--codepage needs a value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.job);
        std::vector<std::string> args{lot, Job(c.job)};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome r = Run(args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir_ / "lot-out.dxf"));
    }
    // The job is checked before the drawing is even read.
    const Outcome bad = Run({Path("missing.dxf"), Job("oops\n")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("job.txt:1: unknown action"), std::string::npos) << bad.err;
    const Outcome missing = Run({Path("missing.dxf"), Job("press 最大\n")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("missing.dxf"), std::string::npos) << missing.err;
}

TEST_F(RunCommand, CodePageOfTheUserReadsAnOldDrawingAndSavesItTheSame) {
    // An R12 drawing without a code page whose layer name is "ÄÜÖ" in the Western code page:
    // as bytes it would also pass for half-width katakana.
    const std::string file =
        "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n"
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n\xC4\xDC\xD6\n10\n0\n20\n0\n11\n1\n21\n1\n"
        "0\nENDSEC\n0\nEOF\n";
    std::ofstream(dir_ / "old.dxf", std::ios::binary) << file;
    for (const auto& [codePage, layer] :
         {std::pair{"", "ÄÜÖ"}, std::pair{"ANSI_1252", "ÄÜÖ"}, std::pair{"ANSI_932", "ﾄﾜﾖ"}}) {
        SCOPED_TRACE(codePage);
        std::vector<std::string> args{Path("old.dxf"), Job("# nothing to do\n")};
        if (*codePage) args.insert(args.end(), {"--codepage", codePage});
        const Outcome r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const minicad::Drawing saved = minicad::ReadDxfFile(dir_ / "old-out.dxf");
        ASSERT_EQ(saved.entities.size(), 1u);
        EXPECT_EQ(saved.entities[0].layer, layer);
    }
}

}  // namespace
}  // namespace tarsel::app
