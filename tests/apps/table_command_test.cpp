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

Outcome Table(std::vector<std::string> args) {
    return Invoke<RunTable>(std::move(args));
}

class TableCommand : public ScratchDirTest {
protected:
    static minicad::Entity Tagged(std::string number, double a, double b, double c) {
        minicad::TextData t;
        t.text = std::move(number);
        minicad::Entity e;
        e.data = t;
        e.xdata.push_back({"LT_TARSEL", {{1010, cadlink::Variant::DoubleArray({a, b, c})}}});
        return e;
    }

    // A drawing written to DXF and read back by the command, as a user's file would be.
    std::string Write(const std::string& name, const std::vector<minicad::Entity>& entities) {
        minicad::Drawing drawing;
        drawing.appIds.push_back("LT_TARSEL");
        for (auto e : entities) {
            e.id = drawing.nextId++;
            drawing.entities.push_back(std::move(e));
        }
        minicad::WriteDxfFile(dir_ / name, drawing);
        return Path(name);
    }

    std::string WriteText(const std::string& name, const std::string& content) {
        return WriteFile(name, content);
    }
};

TEST_F(TableCommand, PrintsTheRowsInNumberOrderThenTheSummary) {
    minicad::TextData plain;
    plain.text = "untagged";
    minicad::Entity untagged;
    untagged.data = plain;
    const std::string file = Write(
        "lot.dxf", {Tagged("10", 30000, 40000, 50000), untagged, Tagged("9", 3000, 4000, 5000)});

    const Outcome text = Table({file});
    EXPECT_EQ(text.exitCode, kExitOk) << text.err;
    EXPECT_EQ(text.out,
              "No.    a      b      c      面積  \n"
              "----------------------------------\n"
              "  9   3.00   4.00   5.00    6.0000\n"
              " 10  30.00  40.00  50.00  600.0000\n"
              "----------------------------------\n"
              "                    合計  606.0000\n"
              "                    面積  606.00  \n");

    const Outcome csv = Table({"--set", "Kyuuseki=1", file, "--csv"});
    EXPECT_EQ(csv.exitCode, kExitOk) << csv.err;
    EXPECT_EQ(csv.out,
              "No.,底辺,高さ,面積\n"
              "9,5.00,2.40,12.0000\n"
              "10,50.00,24.00,1200.0000\n"
              ",,合計,1212.0000\n"
              ",,1/2,606.0000\n"
              ",,面積,606.00  \n");

    // Options reach the figures exactly as the palette's would.
    const Outcome scaled =
        Table({file, "--csv", "--set", "Syakudo=2", "--set", "Keta2=2", "--set", "Keta3=0"});
    EXPECT_EQ(scaled.exitCode, kExitOk) << scaled.err;
    EXPECT_EQ(scaled.out,
              "No.,a,b,c,面積\n"
              "9,30.00,40.00,50.00,600.00\n"
              "10,300.00,400.00,500.00,60000.00\n"
              ",,,合計,60600.00\n"
              ",,,面積,60600  \n");
}

TEST_F(TableCommand, RefusesWhatGivesNoTable) {
    const std::string file = Write("lot.dxf", {Tagged("1", 3000, 4000, 5000)});
    const std::string empty = Write("empty.dxf", {});
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {"no drawing", {}, kExitBadInput},
        {"two drawings", {file, file}, kExitBadInput},
        {"unknown option", {file, "--tsv"}, kExitBadInput},
        {"--set without a value", {file, "--set"}, kExitBadInput},
        {"--set without =", {file, "--set", "Kyuuseki"}, kExitBadInput},
        {"unknown key", {file, "--set", "NoSuchKey=1"}, kExitBadInput},
        {"four widths for ヘロン", {file, "--set", "Haba1=1500,3000,3000,4500"}, kExitBadInput},
        {"row height not a number", {file, "--set", "G_Taka=abc"}, kExitBadInput},
        {"missing file", {(dir_ / "missing.dxf").string()}, kExitBadInput},
        {"not a drawing", {WriteText("bad.dxf", "this is not DXF\n")}, kExitBadInput},
        {"no tagged numbers", {empty}, kExitFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = Table(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err, "");
    }
}

}  // namespace
}  // namespace tarsel::app
