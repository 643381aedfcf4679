// Bad DXF input: every kind of damage gives a DxfError that names the file and the line,
// never a crash, a hang, another exception, or a drawing that silently lacks part of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "automation_fixture.h"
#include "minicad/dxf.h"

namespace tarsel::minicad {
namespace {

using testing::Fixture;

// body goes into an ENTITIES section; its first line is line 5 of the file.
std::string Entities(const std::string& body) {
    return "0\nSECTION\n2\nENTITIES\n" + body + "0\nENDSEC\n0\nEOF\n";
}

const std::string kBlockA =
    "0\nSECTION\n2\nBLOCKS\n"
    "0\nBLOCK\n2\nA\n0\nINSERT\n2\nB\n0\nENDBLK\n"
    "0\nBLOCK\n2\nB\n0\nINSERT\n2\nA\n0\nENDBLK\n"
    "0\nENDSEC\n0\nEOF\n";

TEST(DxfMalformed, ClearErrorNamingSourceAndLine) {
    struct Case {
        const char* name;
        std::string content;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"empty file", "", 0, "holds no DXF data"},
        {"binary DXF cut short", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0", 24), 0,
         "ends inside the value of group 0"},
        {"no EOF", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n", 5, "without EOF"},
        {"section never closed", "0\nSECTION\n2\nENTITIES\n0\nLINE\n0\nEOF\n", 7,
         "not closed by ENDSEC"},
        {"group code not a number", "0\nSECTION\nxyz\nHEADER\n", 3,
         "expected a group code, found 'xyz'"},
        {"group code out of range", Entities("5000\nx\n"), 5, "5000 is not a DXF group code"},
        {"negative group code", Entities("-1\nx\n"), 5, "-1 is not a DXF group code"},
        {"value missing at the end", "0\nSECTION\n2\n", 3, "without its value"},
        {"word for a coordinate", Entities("0\nLINE\n10\nabc\n"), 8,
         "needs a finite number, found 'abc'"},
        {"1e400", Entities("0\nLINE\n10\n1e400\n"), 8, "finite number"},
        {"NaN", Entities("0\nCIRCLE\n40\nnan\n"), 8, "finite number"},
        {"infinity", Entities("0\nCIRCLE\n40\n-inf\n"), 8, "finite number"},
        {"empty number", Entities("0\nCIRCLE\n40\n\n"), 8, "finite number"},
        {"fraction for a flag", Entities("0\nLWPOLYLINE\n70\n1.5\n"), 8, "needs an integer"},
        {"not a SECTION", "0\nLINE\n0\nEOF\n", 1, "expected a SECTION"},
        {"huge vertex count",
         Entities("0\nLWPOLYLINE\n90\n2000000000\n10\n0\n20\n0\n10\n1\n20\n1\n"), 5,
         "declares 2000000000 vertices but holds 2"},
        {"y before any vertex", Entities("0\nLWPOLYLINE\n20\n5\n"), 7, "before its first vertex"},
        {"unknown alignment", Entities("0\nTEXT\n1\nx\n72\n9\n"), 5, "unknown alignment"},
        {"negative radius", Entities("0\nCIRCLE\n40\n-2\n"), 5, "negative radius"},
        {"xdata point without y", Entities("0\nLINE\n1001\nAPP\n1010\n1\n1040\n2\n"), 9,
         "lacks its 1020"},
        {"entity group after xdata", Entities("0\nLINE\n1001\nAPP\n10\n1\n"), 9,
         "after the extended data"},
        {"xdata before its application", Entities("0\nLINE\n1001\n\n"), 7,
         "without an application name"},
        {"1070 beyond 16 bits", Entities("0\nLINE\n1001\nAPP\n1070\n40000\n"), 10, "out of range"},
        {"INSERT of a missing block", Entities("0\nINSERT\n2\nNOPE\n"), 5, "does not define"},
        {"ENDBLK among entities", Entities("0\nENDBLK\n"), 5, "ENDBLK outside"},
        {"ENDBLK before a word for a number",
         "0\nSECTION\n2\nHEADER\n9\n$DWGCODEPAGE\n3\nANSI_1252\n0\nENDSEC\n"
         "0\nSECTION\n2\nENTITIES\n0\nENDBLK\n0\nLINE\n10\nabc\n0\nENDSEC\n0\nEOF\n",
         15, "ENDBLK outside"},
        {"blocks that contain each other", kBlockA, 0, "contains itself"},
        {"block defined twice",
         "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nP\n0\nENDBLK\n0\nBLOCK\n2\np\n0\nENDBLK\n0\nENDSEC\n0"
         "\nEOF\n",
         11, "defined twice"},
        {"bad Shift-JIS",
         "0\nSECTION\n2\nHEADER\n9\n$DWGCODEPAGE\n3\nANSI_932\n0\nENDSEC\n"
         "0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\n\x81\n0\nENDSEC\n0\nEOF\n",
         18, "not valid in code page 932"},
        {"neither Shift-JIS nor UTF-8",
         "0\nSECTION\n2\nHEADER\n9\n$DWGCODEPAGE\n3\nANSI_932\n0\nENDSEC\n"
         "0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\nok\n0\nTEXT\n1\n\xFD\xFD\n0\nENDSEC\n0\nEOF\n",
         22, "not valid in code page 932"},
        {"bad UTF-8 in a UTF-8 file",
         "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1032\n0\nENDSEC\n"
         "0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\n\xC3\x28\n0\nENDSEC\n0\nEOF\n",
         18, "not valid in code page 65001"},
        {"header variable in the wrong group",
         "0\nSECTION\n2\nHEADER\n9\n$ANGBASE\n70\n1\n0\nENDSEC\n0\nEOF\n", 5,
         "$ANGBASE needs a value in group 50"},
    };
    // Lexed by a second thread too, as large files are: the same error.
    DxfReadOptions twoThreads;
    twoThreads.lexAheadFromBytes = 0;
    for (const Case& c : cases) {
        for (const DxfReadOptions& options : {DxfReadOptions{}, twoThreads}) {
            SCOPED_TRACE(c.name +
                         std::string(options.lexAheadFromBytes == 0 ? " (two threads)" : ""));
            try {
                (void)ReadDxf(c.content, "plot.dxf", nullptr, options);
                ADD_FAILURE() << "read without an error";
            } catch (const DxfError& e) {
                EXPECT_EQ(e.source(), "plot.dxf");
                EXPECT_EQ(e.line(), c.line) << e.what();
                EXPECT_NE(e.message().find(c.message), std::string::npos) << e.what();
                const std::string prefix =
                    c.line ? "plot.dxf:" + std::to_string(c.line) + ": " : "plot.dxf: ";
                EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
            }
        }
    }
}

TEST(DxfMalformed, MissingFileNamesThePath) {
    try {
        (void)ReadDxfFile(std::filesystem::path(TARSEL_BINARY_DIR) / "no such drawing.dxf");
        ADD_FAILURE();
    } catch (const DxfError& e) {
        EXPECT_NE(e.source().find("no such drawing.dxf"), std::string::npos);
        EXPECT_EQ(e.line(), 0);
    }
}

// Reads content and says whether it gave a drawing; any exception but DxfError escapes and
// fails the test.
bool Parses(const std::string& content) {
    try {
        (void)ReadDxf(content, "cut.dxf");
        return true;
    } catch (const DxfError&) {
        return false;
    }
}

TEST(DxfMalformed, EveryPrefixOfAFileEitherFailsOrHoldsTheWholeDrawing) {
    for (const char* name :
         {"r12_survey.dxf", "r2000_parcel.dxf", "r2018_utf8.dxf", "fragment_tarsel_7.dxf"}) {
        SCOPED_TRACE(name);
        const std::string full = Fixture(name);
        const std::size_t eof = full.rfind("EOF");
        ASSERT_NE(eof, std::string::npos);
        for (std::size_t n = 0; n < full.size(); ++n) {
            const bool parsed = Parses(full.substr(0, n));
            // A cut file is never taken for a whole one: only prefixes that still hold the
            // end marker may read.
            if (parsed != (n >= eof + 3)) {
                ADD_FAILURE() << "prefix of " << n << " bytes " << (parsed ? "parsed" : "failed");
                break;
            }
        }
    }
}

TEST(DxfMalformed, CorruptingAnyByteGivesADrawingOrADxfError) {
    const std::string full = Fixture("r12_survey.dxf");
    int failures = 0;
    for (std::size_t i = 0; i < full.size(); ++i) {
        for (char replacement : {'\n', 'x', '9', '-', '\0', '\x81'}) {
            std::string corrupt = full;
            corrupt[i] = replacement;
            failures += Parses(corrupt) ? 0 : 1;
        }
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace tarsel::minicad
