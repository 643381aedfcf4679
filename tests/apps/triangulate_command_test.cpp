#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "subcommand_harness.h"
#include "subcommands.h"

namespace tarsel::app {
namespace {

Outcome Triangulate(std::vector<std::string> args) {
    return Invoke<RunTriangulate>(std::move(args));
}

class TriangulateCommand : public ScratchDirTest {
protected:
    std::string Write(const std::string& name, const std::string& content) {
        return WriteFile(name, content);
    }
};

TEST_F(TriangulateCommand, PrintsDiagonalsThenTrianglesThenOk) {
    const Outcome square = Triangulate({Write("square.txt", "0 0\n10 0\n10 10\n0 10\n")});
    EXPECT_EQ(square.exitCode, kExitOk);
    EXPECT_EQ(square.err, "");
    EXPECT_EQ(square.out,
              "diagonal 0 10 10 0\n"
              "triangle 0 10 0 0 10 0\n"
              "triangle 10 0 10 10 0 10\n"
              "ok\n");

    // The L lot, traced by hand: diagonals come in acceptance order, all before the triangles.
    const Outcome lot = Triangulate(
        {Write("l.txt", "# L\n0,0\n20,0\n20,10\n10,10\n10,20\n0,20\n"), "--view-size", "100"});
    EXPECT_EQ(lot.exitCode, kExitOk);
    EXPECT_EQ(lot.out,
              "diagonal 0 0 20 10\n"
              "diagonal 10 10 0 20\n"
              "diagonal 0 0 10 10\n"
              "triangle 0 0 20 0 20 10\n"
              "triangle 10 10 10 20 0 20\n"
              "triangle 0 0 0 20 10 10\n"
              "triangle 0 0 20 10 10 10\n"
              "ok\n");
}

TEST_F(TriangulateCommand, NumbersCarrySeventeenSignificantDigits) {
    const Outcome outcome =
        Triangulate({Write("tenths.txt", "0.1 0.2\n12345.678 0.2\n0.1 9876.5432101\n")});
    EXPECT_EQ(outcome.exitCode, kExitOk);
    EXPECT_EQ(outcome.out,
              "triangle 0.10000000000000001 0.20000000000000001 12345.678 0.20000000000000001 "
              "0.10000000000000001 9876.5432101000006\n"
              "ok\n");
}

// --strict: the 60-degree cuts alone, as they always ran.
TEST_F(TriangulateCommand, AFailedSplitPrintsItsDiagonalsAndFailed) {
    // A view far smaller than the region: every corner is refused.
    const Outcome outcome = Triangulate(
        {"--view-size=0.5", Write("big.txt", "0 0\n1000 0\n1000 1000\n0 1000\n"), "--strict"});
    EXPECT_EQ(outcome.exitCode, kExitFailed);
    EXPECT_EQ(outcome.out, "failed\n");

    // A comb runs out of passes after some accepted cuts; those stay printed, no triangle.
    std::string comb;
    const double pitch = 3000, tooth = 2000, base = 3000, top = 11000;
    const int teeth = 6;
    comb += "0 0\n" + std::to_string(teeth * pitch - 1000) + " 0\n";
    for (int k = teeth - 1; k >= 0; --k) {
        comb += std::to_string(k * pitch + tooth) + " " + std::to_string(top) + "\n";
        comb += std::to_string(k * pitch) + " " + std::to_string(top) + "\n";
        if (k > 0) {
            comb += std::to_string(k * pitch) + " " + std::to_string(base) + "\n";
            comb += std::to_string(k * pitch - 1000) + " " + std::to_string(base) + "\n";
        }
    }
    const Outcome combOutcome = Triangulate({"--strict", Write("comb.txt", comb)});
    EXPECT_EQ(combOutcome.exitCode, kExitFailed);
    EXPECT_TRUE(combOutcome.out.starts_with("diagonal "));
    EXPECT_TRUE(combOutcome.out.ends_with("\nfailed\n"));
    EXPECT_EQ(combOutcome.out.find("triangle"), std::string::npos);

    // Without --strict the comb is completed: 22 triangles, the last of them cut as ears.
    const Outcome completed = Triangulate({Write("comb.txt", comb)});
    EXPECT_EQ(completed.exitCode, kExitOk);
    EXPECT_EQ(completed.err, "");
    std::istringstream lines(completed.out);
    int diagonals = 0, triangles = 0;
    std::string line, last;
    while (std::getline(lines, line)) {
        diagonals += line.starts_with("diagonal ");
        triangles += line.starts_with("triangle ");
        last = line;
    }
    EXPECT_EQ(diagonals, 21);
    EXPECT_EQ(triangles, 22);
    EXPECT_TRUE(last.starts_with("ok completed ")) << last;
    EXPECT_GT(std::stoi(last.substr(13)), 0);
    // The old fault, kept by --strict for comparison: the upward ray through two vertices.
    const std::string four = Write("four.txt", "2 5\n4 2\n2 4\n0 0\n");
    EXPECT_EQ(Triangulate({"--strict", four}).out,
              "diagonal 0 0 4 2\n"
              "triangle 0 0 2 5 4 2\n"
              "triangle 4 2 2 4 0 0\n"
              "ok\n");
    const Outcome sound = Triangulate({four});
    EXPECT_EQ(sound.exitCode, kExitOk);
    EXPECT_TRUE(sound.out.ends_with("\nok\n") ||
                sound.out.find("ok completed") != std::string::npos)
        << sound.out;
    EXPECT_EQ(sound.out.find("diagonal 0 0 4 2\n"), std::string::npos) << sound.out;
}

TEST_F(TriangulateCommand, OutlinesThatCannotBeSplitFailWithoutADiagonal) {
    for (const char* content :
         {"0 0\n10 10\n10 0\n0 10\n", "0 0\n5 0\n10 0\n", "3 3\n3 3\n3 3\n"}) {
        SCOPED_TRACE(content);
        const Outcome outcome = Triangulate({Write("bad.txt", content)});
        EXPECT_EQ(outcome.exitCode, kExitFailed);
        EXPECT_EQ(outcome.out, "failed\n");
    }
}

TEST_F(TriangulateCommand, ABadFileIsNamedWithItsLineAndNothingElseIsPrinted) {
    struct Case {
        const char* name;
        std::string content;
        std::string expectedErrTail;
    };
    const Case cases[] = {
        {"word.txt", "0 0\n10 0\nten 10\n", ":3: not a number: 'ten'\n"},
        {"nan.txt", "0 0\n10 nan\n10 10\n", ":2: not a finite number: 'nan'\n"},
        {"inf.txt", "0 0\n10 0\n-inf 10\n", ":3: not a finite number: '-inf'\n"},
        {"empty.txt", "", ": no vertex\n"},
        {"comments.txt", "# nothing here\n\n", ": no vertex\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.content);
        const Outcome outcome = Triangulate({path});
        EXPECT_EQ(outcome.exitCode, kExitBadInput);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "tarsel triangulate: " + path + c.expectedErrTail);
    }

    const std::string missing = (dir_ / "missing.txt").string();
    const Outcome notThere = Triangulate({missing});
    EXPECT_EQ(notThere.exitCode, kExitBadInput);
    EXPECT_EQ(notThere.out, "");
    EXPECT_TRUE(notThere.err.starts_with("tarsel triangulate: " + missing + ": cannot open"))
        << notThere.err;

    const std::u8string dirText = dir_.u8string();
    const Outcome directory = Triangulate({std::string(dirText.begin(), dirText.end())});
    EXPECT_EQ(directory.exitCode, kExitBadInput);
    EXPECT_NE(directory.err.find("is a directory"), std::string::npos);
}

TEST_F(TriangulateCommand, OversizedInputIsRefusedBeforeAnySplit) {
    std::string many;
    for (int k = 0; k < 10001; ++k) many += std::to_string(k) + " " + std::to_string(k % 2) + "\n";
    const Outcome outcome = Triangulate({Write("many.txt", many)});
    EXPECT_EQ(outcome.exitCode, kExitBadInput);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("10001 vertices"), std::string::npos);
}

TEST_F(TriangulateCommand, ArgumentsAreCheckedBeforeTheFileIsRead) {
    const std::string square = Write("square.txt", "0 0\n10 0\n10 10\n0 10\n");
    struct Case {
        std::vector<std::string> args;
        const char* errPart;
    };
    const Case cases[] = {
        {{}, "no FILE given"},
        {{square, square}, "more than one FILE"},
        {{square, "--view"}, "unknown option '--view'"},
        {{square, "--view-size"}, "--view-size needs a value"},
        {{square, "--view-size", "0"}, "positive number, not '0'"},
        {{square, "--view-size", "-5"}, "positive number"},
        {{square, "--view-size", "nan"}, "positive number"},
        {{square, "--view-size=12abc"}, "positive number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errPart);
        const Outcome outcome = Triangulate(c.args);
        EXPECT_EQ(outcome.exitCode, kExitBadInput);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find(c.errPart), std::string::npos) << outcome.err;
    }

    const Outcome help = Triangulate({"--help"});
    EXPECT_EQ(help.exitCode, kExitOk);
    EXPECT_TRUE(help.out.starts_with("Usage: tarsel triangulate FILE [--view-size V]\n"));
}

}  // namespace
}  // namespace tarsel::app
