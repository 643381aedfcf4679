// tarsel run end to end in process: a drawing on disk, a job on disk, the palette controller
// pressing buttons on minicad, the drawing saved (or, on any error, not).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

// A user's drawing full of what minicad does not model: 自動 labels the parcel exactly as on
// the bare outline, and every MTEXT, DIMENSION (with its block) and HATCH is saved as read.
TEST_F(RunCommand, AutoOnADrawingFullOfTextsDimensionsAndHatchesKeepsThemAll) {
    const std::vector<minicad::Point3> outline{{0, 0, 0}, {3000, 0, 0}, {0, 4000, 0}};
    const Outcome bare = Run({Drawing(outline, "bare.dxf"), Job("press 自動\npoint 500,500\n")});
    ASSERT_EQ(bare.exitCode, 0) << bare.err;

    std::string text;
    {
        const std::string path = Drawing(outline, "full.dxf");
        std::ifstream in(path, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    auto insertAfter = [&](const std::string& marker, const std::string& groups) {
        const std::size_t at = text.find(marker);
        ASSERT_NE(at, std::string::npos) << marker;
        text.insert(at + marker.size(), groups);
    };
    std::string entities, records, blocks;
    auto g = [](std::initializer_list<std::pair<int, std::string>> items) {
        std::string out;
        for (const auto& [code, value] : items) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%3d\r\n", code);  // as the writer spells codes
            out += buf + value + "\r\n";
        }
        return out;
    };
    int handle = 0xA000;
    auto h = [&] {
        std::ostringstream s;
        s << std::hex << std::uppercase << handle++;
        return s.str();
    };
    for (int i = 0; i < 6; ++i) {
        const std::string x = std::to_string(200 + 300 * i), y = std::to_string(300 + 400 * i);
        entities += g({{0, "MTEXT"},
                       {5, h()},
                       {100, "AcDbEntity"},
                       {8, "NOTES"},
                       {100, "AcDbMText"},
                       {10, x},
                       {20, y},
                       {30, "0.0"},
                       {40, "50.0"},
                       {1, "筆 " + std::to_string(i)}});
        entities +=
            g({{0, "HATCH"},  {5, h()},     {100, "AcDbEntity"}, {8, "NOTES"},  {100, "AcDbHatch"},
               {10, "0.0"},   {20, "0.0"},  {30, "0.0"},         {210, "0.0"},  {220, "0.0"},
               {230, "1.0"},  {2, "SOLID"}, {70, "1"},           {71, "0"},     {91, "1"},
               {92, "1"},     {93, "2"},    {72, "1"},           {10, x},       {20, y},
               {11, "100.0"}, {21, y},      {72, "1"},           {10, "100.0"}, {20, y},
               {11, x},       {21, y},      {97, "0"},           {75, "0"},     {76, "1"},
               {98, "0"}});
        const std::string block = "*D" + std::to_string(i + 1), record = h();
        records += g({{0, "BLOCK_RECORD"},
                      {5, record},
                      {100, "AcDbSymbolTableRecord"},
                      {100, "AcDbBlockTableRecord"},
                      {2, block},
                      {340, "0"}});
        blocks += g({{0, "BLOCK"},
                     {5, h()},
                     {330, record},
                     {100, "AcDbEntity"},
                     {8, "0"},
                     {100, "AcDbBlockBegin"},
                     {2, block},
                     {70, "1"},
                     {10, "0.0"},
                     {20, "0.0"},
                     {30, "0.0"},
                     {3, block},
                     {1, ""},
                     {0, "ENDBLK"},
                     {5, h()},
                     {330, record},
                     {100, "AcDbEntity"},
                     {8, "0"},
                     {100, "AcDbBlockEnd"}});
        entities += g({{0, "DIMENSION"},
                       {5, h()},
                       {100, "AcDbEntity"},
                       {8, "NOTES"},
                       {100, "AcDbDimension"},
                       {2, block},
                       {10, "3000.0"},
                       {20, "-200.0"},
                       {30, "0.0"},
                       {11, "1500.0"},
                       {21, "-200.0"},
                       {31, "0.0"},
                       {70, "32"},
                       {3, "Standard"},
                       {100, "AcDbAlignedDimension"},
                       {13, "0.0"},
                       {23, "0.0"},
                       {33, "0.0"},
                       {14, "3000.0"},
                       {24, "0.0"},
                       {34, "0.0"},
                       {100, "AcDbRotatedDimension"}});
    }
    insertAfter("ENTITIES\r\n", entities);
    const std::size_t endOfRecords = text.find("ENDTAB", text.find("BLOCK_RECORD"));
    ASSERT_NE(endOfRecords, std::string::npos);
    text.insert(text.rfind("  0\r\n", endOfRecords), records);
    const std::size_t endOfBlocks = text.find("ENDSEC", text.find("BLOCKS\r\n"));
    text.insert(text.rfind("  0\r\n", endOfBlocks), blocks);
    std::ofstream(dir_ / "full.dxf", std::ios::binary) << text;

    const Outcome full = Run({Path("full.dxf"), Job("press 自動\npoint 500,500\n")});
    ASSERT_EQ(full.exitCode, 0) << full.err;
    EXPECT_EQ(full.out, bare.out);
    const minicad::Drawing saved = minicad::ReadDxfFile(dir_ / "full-out.dxf");
    const minicad::Drawing plain = minicad::ReadDxfFile(dir_ / "bare-out.dxf");
    EXPECT_EQ(Count(saved, kText, "H_TEXT"), Count(plain, kText, "H_TEXT"));
    EXPECT_EQ(Count(saved, kLine, "H_HEN"), Count(plain, kLine, "H_HEN"));
    std::map<std::string, int> kept;
    for (const minicad::Entity& e : saved.entities)
        if (const auto* other = minicad::DataIf<minicad::OtherEntityData>(e.data))
            ++kept[other->type];
    EXPECT_EQ(kept, (std::map<std::string, int>{{"DIMENSION", 6}, {"HATCH", 6}, {"MTEXT", 6}}));
    std::ifstream in(dir_ / "full-out.dxf", std::ios::binary);
    const std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(out.find(entities), std::string::npos);  // every one of them as it was, in order
    EXPECT_NE(out.find(blocks), std::string::npos);
}

// A reference elsewhere in the drawing that would show 8^15 lines if followed: 自動 labels
// the parcel exactly as on the bare outline, and the drawing is saved with its blocks.
TEST_F(RunCommand, AutoBesideABlockThatMultipliesToBillionsOfLinesLabelsAsOnTheBareParcel) {
    const std::vector<minicad::Point3> outline{{0, 0, 0}, {3000, 0, 0}, {0, 4000, 0}};
    const Outcome bare = Run({Drawing(outline, "bare.dxf"), Job("press 自動\npoint 500,500\n")});
    ASSERT_EQ(bare.exitCode, 0) << bare.err;

    minicad::Drawing drawing = minicad::ReadDxfFile(dir_ / "bare.dxf");
    for (int level = 0; level < 16; ++level) {
        minicad::Block block{"F" + std::to_string(level), {}, {}};
        minicad::Entity e;
        e.id = drawing.nextId++;
        if (level == 15) {
            e.data = minicad::LineData{{0, 0, 0}, {10, 10, 0}};
            block.entities.push_back(e);
        }
        for (int copy = 0; copy < 8 && level < 15; ++copy) {
            e.id = drawing.nextId++;
            e.data = minicad::InsertData{"F" + std::to_string(level + 1), {}};
            block.entities.push_back(e);
        }
        drawing.blocks.push_back(std::move(block));
    }
    minicad::Entity ref;
    ref.id = drawing.nextId++;
    ref.data = minicad::InsertData{"F0", {8000, 8000, 0}};
    drawing.entities.push_back(ref);
    minicad::WriteDxfFile(dir_ / "fanout.dxf", drawing);

    const Outcome r = Run({Path("fanout.dxf"), Job("press 自動\npoint 500,500\n")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, bare.out);
    const minicad::Drawing saved = minicad::ReadDxfFile(dir_ / "fanout-out.dxf");
    const minicad::Drawing plain = minicad::ReadDxfFile(dir_ / "bare-out.dxf");
    EXPECT_EQ(Count(saved, kText, "H_TEXT"), Count(plain, kText, "H_TEXT"));
    EXPECT_EQ(Count(saved, kLine, "H_HEN"), Count(plain, kLine, "H_HEN"));
    EXPECT_EQ(saved.blocks.size(), 16u);
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
        {"press 最大\n", {"--dxf-version", "R14"}, 2, "unknown DXF version 'R14'"},
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
