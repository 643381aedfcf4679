// The SVG picture of a drawing: where shapes land (object coordinates, blocks), plain text out
// of MTEXT, text from any code page as well-formed UTF-8, and drawings built to make a viewer
// hang. The command's tests read the whole SVG back with an XML parser.
#include "minicad/svg_render.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "minicad/dxf.h"
#include "platform/codepage.h"

namespace tarsel::minicad {
namespace {

// A drawing of code/value pairs, "code value" one a line.
std::string Dxf(const std::vector<std::string>& pairs) {
    std::string out;
    for (const std::string& pair : pairs) {
        const auto space = pair.find(' ');
        out += pair.substr(0, space) + "\n" +
               (space == std::string::npos ? "" : pair.substr(space + 1)) + "\n";
    }
    return out;
}

std::string Entities(const std::vector<std::string>& body) {
    std::vector<std::string> pairs{"0 SECTION", "2 ENTITIES"};
    pairs.insert(pairs.end(), body.begin(), body.end());
    pairs.insert(pairs.end(), {"0 ENDSEC", "0 EOF"});
    return Dxf(pairs);
}

SvgPicture Render(const std::string& content, SvgBackground background = SvgBackground::Dark) {
    const auto drawing = dxf::GroupDrawing::FromContent(content, "test.dxf");
    return RenderSvg(drawing, {background});
}

std::size_t Count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

TEST(SvgRender, ObjectCoordinatesUnderExtrusionMinusZAreMirroredInX) {
    struct Case {
        const char* kind;
        std::vector<std::string> groups;
        double minX, maxX;
    };
    const std::vector<std::string> down{"210 0.0", "220 0.0", "230 -1.0"};
    const std::vector<Case> cases = {
        {"ARC", {"0 ARC", "10 -650.8", "20 0", "40 1", "50 0", "51 180"}, 649.8, 651.8},
        {"CIRCLE", {"0 CIRCLE", "10 -10", "20 0", "40 2"}, 8, 12},
        {"LWPOLYLINE",
         {"0 LWPOLYLINE", "90 2", "70 0", "10 -30", "20 0", "10 -20", "20 5"},
         20,
         30},
        {"TEXT", {"0 TEXT", "10 -100", "20 0", "40 1", "1 i"}, 99.4, 100},
        {"INSERT", {"0 INSERT", "2 B", "10 -50", "20 0"}, 50, 52},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::vector<std::string> pairs{"0 SECTION", "2 BLOCKS",  "0 BLOCK",   "2 B",
                                       "10 0",      "20 0",      "0 LINE",    "10 0",
                                       "20 0",      "11 -2",     "21 1",      "0 ENDBLK",
                                       "0 ENDSEC",  "0 SECTION", "2 ENTITIES"};
        pairs.insert(pairs.end(), c.groups.begin(), c.groups.end());
        pairs.insert(pairs.end(), down.begin(), down.end());
        pairs.insert(pairs.end(), {"0 ENDSEC", "0 EOF"});
        const SvgPicture picture = Render(Dxf(pairs));
        EXPECT_NEAR(picture.minX, c.minX, 1e-9);
        EXPECT_NEAR(picture.maxX, c.maxX, 1e-9);
        EXPECT_TRUE(picture.notes.empty());
    }
}

TEST(SvgRender, MtextFormattingCodesGiveThePlainText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "plain"},
        {"one\\Ptwo", "one\ntwo"},
        {"{\\fMS Gothic|b0|i0|c128;\\H2.5x;土地}\\P{\\C1;面積}", "土地\n面積"},
        {"\\LUnder\\l \\Oover\\o", "Under over"},
        {"1\\S1/2; and \\S3^4; and \\S5#6;", "11/2 and 3/4 and 5/6"},
        {"a\\\\b \\{c\\}", "a\\b {c}"},
        {"\\U+65E5\\U+672C", "日本"},
        {"no\\~break",
         "no\xC2\xA0"
         "break"},
        {"\\A1;\\pxqc;centred", "centred"},
        {"line^Jfeed", "line\nfeed"},
        {"cut \\H", "cut "},  // a code without its ';' at the end of the text
    };
    for (const auto& [value, plain] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(MtextPlainText(value), plain);
    }
}

TEST(SvgRender, TextInAnyCodePageComesOutAsWellFormedUtf8) {
    // R12 in Shift-JIS: 面積 is 96 CA 90 CF. Then bytes valid in no code page, a control
    // character and markup.
    const std::string content =
        Dxf({"0 SECTION", "2 HEADER", "9 $DWGCODEPAGE", "3 ANSI_932", "0 ENDSEC", "0 SECTION",
             "2 ENTITIES", "0 TEXT", "10 0", "20 0", "40 1", "1 \x96\xCA\x90\xCF", "0 TEXT", "10 0",
             "20 5", "40 1", "1 \xFF\xFE<a & b>^A", "0 ENDSEC", "0 EOF"});
    const SvgPicture picture = Render(content);
    EXPECT_TRUE(platform::IsValidUtf8(picture.svg));
    EXPECT_NE(picture.svg.find(">面積</text>"), std::string::npos) << picture.svg;
    EXPECT_NE(picture.svg.find("&lt;a &amp; b&gt;\xEF\xBF\xBD</text>"), std::string::npos)
        << picture.svg;
    EXPECT_EQ(picture.svg.find('\x01'), std::string::npos);
}

TEST(SvgRender, BlocksThatInsertThemselvesOrMultiplyEndWithANote) {
    struct Case {
        const char* what;
        std::vector<std::string> blocks;
        const char* note;
    };
    // B0 inserts B1 ten times, B1 inserts B2 ten times, ... : 10^20 lines if followed.
    std::vector<std::string> bomb;
    for (int level = 0; level < 20; ++level) {
        bomb.insert(bomb.end(), {"0 BLOCK", "2 B" + std::to_string(level), "10 0", "20 0"});
        for (int copy = 0; copy < 10; ++copy)
            bomb.insert(bomb.end(), {"0 INSERT", "2 B" + std::to_string(level + 1),
                                     "10 " + std::to_string(copy), "20 0"});
        bomb.push_back("0 ENDBLK");
    }
    bomb.insert(bomb.end(), {"0 BLOCK", "2 B20", "10 0", "20 0", "0 LINE", "10 0", "20 0", "11 1",
                             "21 1", "0 ENDBLK"});
    const std::vector<Case> cases = {
        {"itself",
         {"0 BLOCK", "2 B0", "10 0", "20 0", "0 INSERT", "2 b0", "10 1", "20 1", "0 LINE", "10 0",
          "20 0", "11 1", "21 1", "0 ENDBLK"},
         "block 'b0' inserts itself"},
        {"each other",
         {"0 BLOCK", "2 B0", "10 0", "20 0", "0 INSERT", "2 B1", "10 0", "20 0", "0 ENDBLK",
          "0 BLOCK", "2 B1", "10 0", "20 0", "0 INSERT", "2 B0", "10 0", "20 0", "0 ENDBLK"},
         "block 'B0' inserts itself"},
        {"a million times over", bomb, "nested deeper than 16 levels"},
        {"a missing block", {}, "no block 'B0'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> pairs{"0 SECTION", "2 BLOCKS"};
        pairs.insert(pairs.end(), c.blocks.begin(), c.blocks.end());
        pairs.insert(pairs.end(), {"0 ENDSEC", "0 SECTION", "2 ENTITIES", "0 INSERT", "2 B0",
                                   "10 0", "20 0", "0 ENDSEC", "0 EOF"});
        const SvgPicture picture = Render(Dxf(pairs));
        std::string notes;
        for (const std::string& note : picture.notes) notes += note + "\n";
        EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
        EXPECT_EQ(Count(picture.svg, "<g class=\"INSERT\">"), Count(picture.svg, "</g>") - 1);
        EXPECT_LT(picture.svg.size(), 64u << 20);
    }
}

TEST(SvgRender, AnEmptyDrawingIsAnEmptyPicture) {
    const SvgPicture picture = Render(Entities({}));
    EXPECT_NE(picture.svg.find("viewBox=\"-1 -1 2 2\""), std::string::npos) << picture.svg;
    EXPECT_THROW(Render("  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nEOF\n"), DxfError);
}

}  // namespace
}  // namespace tarsel::minicad
