// The bytes of a DXF file: the code page of a file that does not declare one, names that
// must come back exactly through the code page they are saved in, and binary DXF read and
// written as its ASCII twin would be.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "automation_fixture.h"
#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"
#include "platform/codepage.h"

namespace tarsel::minicad {
namespace {

namespace fs = std::filesystem;
using testing::Fixture;

const Layer* FindLayer(const Drawing& d, const std::string& name) {
    for (const Layer& l : d.layers)
        if (l.name == name) return &l;
    return nullptr;
}

// An R12 file with one layer and one TEXT on it, the two values given as bytes.
std::string R12File(const std::string& header, const std::string& layer, const std::string& text) {
    return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n" + header +
           "0\nENDSEC\n0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\n" + layer +
           "\n70\n0\n62\n7\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n0\nTEXT\n8\n" +
           layer + "\n10\n1\n20\n2\n40\n2.5\n1\n" + text + "\n0\nENDSEC\n0\nEOF\n";
}

std::string TextOf(const Drawing& d) {
    for (const Entity& e : d.entities)
        if (const auto* t = DataIf<TextData>(e.data)) return t->text;
    return "(no text)";
}

TEST(DxfCodePage, AFileWithoutOneIsReadInTheCodePageItsBytesShow) {
    const std::string kDeclare932 = "9\n$DWGCODEPAGE\n3\nANSI_932\n";
    struct Case {
        const char* name;
        std::string header, layer, text;
        unsigned override;
        std::string wantLayer, wantText;
        unsigned wantCodePage;  // kept for saving
    };
    const Case cases[] = {
        {"Shift-JIS", "", "\x8A\x4F\x8E\xFC", "\x8B\x81\x90\xCF\x95\x5C", 0, "外周", "求積表", 932},
        {"Shift-JIS with half-width katakana", "", "\xB1\xB2", "\x96\xCA\x90\xCF", 0, "ｱｲ", "面積",
         932},
        {"Latin-1", "", "\xC4\xDC\xD6", "Caf\xE9 \xA3 5", 0, "ÄÜÖ", "Café £ 5", 1252},
        {"Latin-1 whose bytes alone could pass for half-width katakana", "", "\xB1\xB2",
         "\xC4\xDC\xD6", 0, "±²", "ÄÜÖ", 1252},
        {"Latin-1 where one value pairs up like Shift-JIS", "", "H\xE9l\xE8ne", "caf\xE9", 0,
         "Hélène", "café", 1252},
        {"plain ASCII", "", "WALL", "plot 12-3", 0, "WALL", "plot 12-3", 0},
        {"UTF-8 from an exporter that never says so", "", "Straße", "面積", 0, "Straße", "面積", 0},
        {"a declared code page is believed", kDeclare932, "\xC4\xDC\xD6", "x", 0, "ﾄﾜﾖ", "x", 932},
        {"the user's code page wins over the bytes", "", "\x8A\x4F\x8E\xFC", "x", 1252,
         "\xC5\xA0O\xC5\xBD\xC3\xBC", "x", 1252},
        {"... and over the declaration", kDeclare932, "\xC4\xDC\xD6", "x", 1252, "ÄÜÖ", "x", 1252},
        {"... for Latin-1 bytes too", "", "\xC4\xDC\xD6", "x", 932, "ﾄﾜﾖ", "x", 932},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Drawing d = ReadDxf(R12File(c.header, c.layer, c.text), "old.dxf", nullptr,
                                  DxfReadOptions{c.override});
        EXPECT_NE(FindLayer(d, c.wantLayer), nullptr) << c.wantLayer;
        EXPECT_EQ(TextOf(d), c.wantText);
        EXPECT_EQ(d.codePage, c.wantCodePage);
        // Saved in the version and code page it came in, it reads back the same.
        const std::string saved = WriteDxf(d, DxfVersion::R12);
        const Drawing back = ReadDxf(saved, "saved.dxf");
        EXPECT_NE(FindLayer(back, c.wantLayer), nullptr) << saved;
        EXPECT_EQ(TextOf(back), c.wantText);
        if (c.wantCodePage != 0) {
            EXPECT_NE(saved.find("$DWGCODEPAGE\r\n  3\r\n" + dxf::CodePageName(c.wantCodePage)),
                      std::string::npos);
            EXPECT_NE(saved.find("\r\n  8\r\n" + c.layer + "\r\n"), std::string::npos)
                << "the layer name goes out in the bytes it came in";
        }
    }
}

TEST(DxfCodePage, BytesValidInNoCodePageAreAnErrorNamingTheLine) {
#ifdef _WIN32
    // Windows' own table for code page 1252 takes every byte: the five it leaves undefined
    // become the control characters of the same number, so such a file reads there.
    EXPECT_EQ(TextOf(ReadDxf(R12File("", "A", "x\x81 y"), "odd.dxf")), "x\u0081 y");
    return;
#endif
    // 0x81 is neither a whole Shift-JIS character nor a Western one, nor UTF-8.
    try {
        (void)ReadDxf(R12File("", "A", "x\x81 y"), "odd.dxf");
        ADD_FAILURE() << "read without an error";
    } catch (const DxfError& e) {
        EXPECT_EQ(e.line(), 48) << e.what();
        EXPECT_NE(e.message().find("not valid in code page 1252"), std::string::npos) << e.what();
    }
}

TEST(DxfCodePage, NamesAsDxfSpellsThem) {
    EXPECT_EQ(DxfCodePage("ANSI_932"), 932u);
    EXPECT_EQ(DxfCodePage("ansi_1252"), 1252u);
    EXPECT_EQ(DxfCodePage("DOS850"), 850u);
    EXPECT_EQ(DxfCodePage("UTF8"), platform::kCodePageUtf8);
    for (const char* bad : {"", "ANSI_", "ANSI_12x", "ANSI_99999", "KOI8", "932"}) {
        EXPECT_EQ(DxfCodePage(bad), 0u) << bad;
    }
    EXPECT_EQ(dxf::CodePageName(932), "ANSI_932");
    EXPECT_EQ(dxf::CodePageName(850), "DOS850");
    EXPECT_EQ(dxf::CodePageName(0), "ANSI_1252");
}

// CP932 maps these one way only: "£" goes out as 81 92, which reads back as "￡".
TEST(DxfNames, EveryNameReadsBackExactlyWhateverTheCodePage) {
    const std::vector<std::string> names = {"£", "¢",    "¬",   "〜", "−",   "—",
                                            "‖", "外周", "ÄÜÖ", "表", "a^b", "\\U+0041"};
    for (unsigned codePage : {0u, 932u, 1252u}) {
        for (DxfVersion version : {DxfVersion::R12, DxfVersion::R2000}) {
            SCOPED_TRACE("code page " + std::to_string(codePage) + ", version " +
                         std::to_string(static_cast<int>(version)));
            Drawing d;
            d.codePage = codePage;
            for (const std::string& name : names) {
                d.layers.push_back(Layer{"L" + name});
                Block b;
                b.name = "B" + name;
                d.blocks.push_back(b);
                Entity e;
                e.id = d.nextId++;
                e.layer = "L" + name;
                InsertData insert;
                insert.block = "B" + name;
                e.data = insert;
                d.entities.push_back(e);
            }
            const std::string saved = WriteDxf(d, version);
            const Drawing back = ReadDxf(saved, "names.dxf");
            for (const std::string& name : names) {
                EXPECT_NE(FindLayer(back, "L" + name), nullptr) << name;
            }
            ASSERT_EQ(back.entities.size(), names.size());
            for (std::size_t i = 0; i < names.size(); ++i) {
                EXPECT_EQ(back.entities[i].layer, "L" + names[i]);
                EXPECT_EQ(DataOf<InsertData>(back.entities[i].data).block, "B" + names[i]);
            }
            // A character the code page holds goes out as its bytes, any other escaped.
            const bool western = codePage == 1252;
            EXPECT_EQ(saved.find("\r\nL\xA3\r\n") != std::string::npos, western);
            EXPECT_EQ(saved.find("\r\nL\\U+00A3\r\n") != std::string::npos, !western);
            EXPECT_EQ(saved.find("\r\nL\x8A\x4F\x8E\xFC\r\n") != std::string::npos, !western);
            EXPECT_NE(saved.find(western ? "ANSI_1252" : "ANSI_932"), std::string::npos);
        }
    }
}

TEST(DxfNames, ADrawingOfItsOwnTakesTheCodePageThatHoldsItsNames) {
    struct Case {
        std::vector<std::string> names;
        const char* codePage;
    };
    const Case cases[] = {
        {{"WALL"}, "ANSI_1252"},
        {{"外周", "番号"}, "ANSI_932"},
        {{"£ 5", "Straße"}, "ANSI_1252"},
        {{"外周", "£"}, "ANSI_932"},  // no code page holds both: "£" is escaped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        Drawing d;
        for (const std::string& name : c.names) d.layers.push_back(Layer{name});
        const std::string saved = WriteDxf(d, DxfVersion::R12);
        EXPECT_NE(saved.find(std::string("$DWGCODEPAGE\r\n  3\r\n") + c.codePage),
                  std::string::npos);
        const Drawing back = ReadDxf(saved, "own.dxf");
        for (const std::string& name : c.names) EXPECT_NE(FindLayer(back, name), nullptr) << name;
    }
}

// ---- binary DXF ----

// Two lists of groups hold the same values: codes, numbers as numbers, strings as bytes.
void ExpectSameGroups(const std::vector<dxf::Group>& a, const std::vector<dxf::Group>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("group " + std::to_string(i) + " (code " + std::to_string(a[i].code) + ")");
        ASSERT_EQ(a[i].code, b[i].code);
        switch (dxf::KindOfCode(a[i].code).value()) {
            case dxf::ValueKind::Real: EXPECT_EQ(a[i].real, b[i].real); break;
            case dxf::ValueKind::Integer: EXPECT_EQ(a[i].integer, b[i].integer); break;
            case dxf::ValueKind::Text: EXPECT_EQ(a[i].raw, b[i].raw); break;
        }
    }
}

const char* const kBinaryTwins[][2] = {
    {"r12_survey.dxf", "r12_survey_binary.dxf"},      // one-byte group codes
    {"r2000_parcel.dxf", "r2000_parcel_binary.dxf"},  // two-byte group codes
};

TEST(DxfBinary, ReadsToTheSameGroupsAndDrawingAsItsAsciiTwin) {
    for (const auto& [asciiName, binaryName] : kBinaryTwins) {
        SCOPED_TRACE(binaryName);
        const std::string ascii = Fixture(asciiName);
        const std::string binary = Fixture(binaryName);
        const dxf::LexedFile lexed = dxf::LexFile(binary, binaryName);
        EXPECT_TRUE(lexed.binary);
        ExpectSameGroups(lexed.groups, dxf::Lex(ascii, asciiName));
        // Our converter and the fixture's script, written apart, agree to the byte.
        EXPECT_EQ(dxf::BinaryFromAscii(ascii, asciiName), binary);

        DxfNotes asciiNotes, binaryNotes;
        const Drawing fromAscii = ReadDxf(ascii, asciiName, &asciiNotes);
        Drawing fromBinary = ReadDxf(binary, binaryName, &binaryNotes);
        EXPECT_TRUE(fromBinary.binaryDxf);
        EXPECT_FALSE(fromAscii.binaryDxf);
        EXPECT_EQ(binaryNotes.size(), asciiNotes.size());
        fromBinary.binaryDxf = false;
        // Each keeps its own number layout (a binary file has no padding to keep), so the
        // two saves hold the same groups rather than the same bytes.
        const std::string savedFromBinary = WriteDxf(fromBinary, DxfVersion::R2000);
        const std::string savedFromAscii = WriteDxf(fromAscii, DxfVersion::R2000);
        ExpectSameGroups(dxf::Lex(savedFromBinary, "from-binary.dxf"),
                         dxf::Lex(savedFromAscii, "from-ascii.dxf"));
    }
}

TEST(DxfBinary, ADrawingReadFromBinaryIsSavedAsBinaryAndReadsBack) {
    for (const auto& [asciiName, binaryName] : kBinaryTwins) {
        for (DxfVersion version : {DxfVersion::R12, DxfVersion::R2000, DxfVersion::R2018}) {
            SCOPED_TRACE(std::string(binaryName) + " as version " +
                         std::to_string(static_cast<int>(version)));
            const Drawing d = ReadDxf(Fixture(binaryName), binaryName);
            const std::string saved = WriteDxf(d, version);
            ASSERT_EQ(saved.substr(0, dxf::kBinarySentinel.size()), dxf::kBinarySentinel);
            // R12 has one-byte codes: after the sentinel, 0 and "SECTION"; later ones 0 0.
            EXPECT_EQ(saved[23] == 'S', version == DxfVersion::R12);
            const Drawing back = ReadDxf(saved, "saved.dxf");
            EXPECT_TRUE(back.binaryDxf);
            EXPECT_EQ(WriteDxf(back, version), saved) << "saving twice gives the same bytes";
            Drawing asText = d;
            asText.binaryDxf = false;
            const std::string text = WriteDxf(asText, version);
            ExpectSameGroups(dxf::LexFile(saved, "saved.dxf").groups, dxf::Lex(text, "text.dxf"));
        }
    }
}

TEST(DxfBinary, StringsWithLineBreaksAndEveryValueWidthSurvive) {
    // Written by hand: one-byte codes, an escaped two-byte code (1071), a line feed inside a
    // string, a negative 16-bit integer and a binary chunk in the xdata.
    std::string b(dxf::kBinarySentinel);
    auto code = [&](int c) {
        if (c < 255) {
            b += static_cast<char>(c);
        } else {
            b += '\xFF';
            b += static_cast<char>(c & 0xFF);
            b += static_cast<char>(c >> 8);
        }
    };
    auto str = [&](int c, const std::string& s) {
        code(c);
        b += s;
        b += '\0';
    };
    auto real = [&](int c, double v) {
        code(c);
        b += std::string(reinterpret_cast<const char*>(&v), 8);  // the test runs little-endian
    };
    str(0, "SECTION");
    str(2, "ENTITIES");
    str(0, "TEXT");
    str(8, "0");
    real(10, 0.1);
    real(20, -2.5e300);
    real(40, 2.5);
    str(1, "two\nlines");
    code(62);
    b += std::string("\xFE\xFF", 2);  // -2
    str(1001, "APP");
    code(1004);
    b += std::string("\x03\x00\xAB\xFF", 4);
    code(1071);
    b += std::string("\xFF\xFF\xFF\x7F", 4);
    str(0, "ENDSEC");
    str(0, "EOF");
    const dxf::LexedFile file = dxf::LexFile(b, "hand.dxf");
    std::vector<std::pair<int, std::string>> got;
    for (const dxf::Group& g : file.groups) got.emplace_back(g.code, std::string(g.raw));
    const std::vector<std::pair<int, std::string>> want = {
        {0, "SECTION"},    {2, "ENTITIES"},      {0, "TEXT"},       {8, "0"},   {10, "0.1"},
        {20, "-2.5e+300"}, {40, "2.5"},          {1, "two^Jlines"}, {62, "-2"}, {1001, "APP"},
        {1004, "00ABFF"},  {1071, "2147483647"}, {0, "ENDSEC"},     {0, "EOF"}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(file.groups[4].line, 9) << "the line the group has in the ASCII twin";
    const Drawing d = ReadDxf(b, "hand.dxf");
    ASSERT_EQ(d.entities.size(), 1u);
    EXPECT_EQ(DataOf<TextData>(d.entities[0].data).text, "two\nlines");
    EXPECT_EQ(DataOf<TextData>(d.entities[0].data).insertion.y, -2.5e300);
    Drawing asText = d;
    asText.binaryDxf = true;
    const std::string saved = WriteDxf(asText, DxfVersion::R12);
    EXPECT_NE(saved.find(std::string("two^Jlines\0", 11)), std::string::npos)
        << "saved with the caret, as the ASCII form spells it";
    EXPECT_EQ(TextOf(ReadDxf(saved, "saved.dxf")), "two\nlines");
}

TEST(DxfBinary, DamagedInputGivesAClearError) {
    const std::string s(dxf::kBinarySentinel);
    struct Case {
        const char* name;
        std::string content;
        const char* message;
    };
    const Case cases[] = {
        {"nothing after the sentinel", s, "holds no DXF data"},
        {"first line damaged", "AutoCAD Binary DXF\r\n\x1a", "first line is damaged"},
        {"not group 0 first", s + std::string("\x02SECTION\0", 9), "first group is not group 0"},
        {"string without its end",
         s + std::string("\0SECTION\0\x02"
                         "ENTI",
                         14),
         "ends inside the value of group 2"},
        {"real cut short", s + std::string("\0SECTION\0\x0A\x01\x02", 12),
         "ends inside the value of group 10"},
        {"escaped code cut short", s + std::string("\0SECTION\0\xFF\xE8", 11),
         "ends inside a group code"},
        {"unknown code", s + std::string("\0SECTION\0\xFF\x88\x13x\0", 14),
         "5000 is not a DXF group code"},
        {"chunk longer than the file", s + std::string("\0SECTION\0\xFF\x36\x01\x10\xAB", 14),
         "ends inside the value of group 310"},
        {"not a number", s + std::string("\0SECTION\0\x28\0\0\0\0\0\0\xF8\x7F", 18),
         "needs a finite number"},
        {"no EOF",
         s + std::string("\0SECTION\0\x02"
                         "ENTITIES\0\0ENDSEC\0",
                         27),
         "without EOF"},
        {"two-byte codes cut short", s + std::string("\0\0SECTION\0\x02", 11),
         "ends inside a group code"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            (void)ReadDxf(c.content, "bin.dxf");
            ADD_FAILURE() << "read without an error";
        } catch (const DxfError& e) {
            EXPECT_EQ(e.source(), "bin.dxf");
            EXPECT_NE(e.message().find(c.message), std::string::npos) << e.what();
        }
    }
}

bool Parses(const std::string& content) {
    try {
        (void)ReadDxf(content, "cut.dxf");
        return true;
    } catch (const DxfError&) {
        return false;
    }
}

TEST(DxfBinary, EveryPrefixFailsAndNoCorruptionCrashesOrHangs) {
    for (const auto& [asciiName, binaryName] : kBinaryTwins) {
        SCOPED_TRACE(binaryName);
        const std::string full = Fixture(binaryName);
        for (std::size_t n = 0; n < full.size(); ++n) {
            if (Parses(full.substr(0, n))) {
                ADD_FAILURE() << "prefix of " << n << " bytes parsed";
                break;
            }
        }
        int failures = 0;
        for (std::size_t i = 22; i < full.size(); ++i) {
            for (char replacement : {'\0', '\xFF'}) {
                std::string corrupt = full;
                corrupt[i] = replacement;
                failures += Parses(corrupt) ? 0 : 1;
            }
        }
        EXPECT_GT(failures, 0);
    }
}

TEST(DxfBinary, ValuesBinaryDxfCannotHoldAreRefusedOnSaving) {
    const std::string head = "0\nSECTION\n2\nENTITIES\n0\nLINE\n";
    const std::string tail = "0\nENDSEC\n0\nEOF\n";
    for (const auto& [body, message] : {
             std::pair{std::string("62\n70000\n"), "more than 16 bits"},
             std::pair{std::string("310\nABC\n"), "hex digits"},
             std::pair{std::string("310\nZZ\n"), "not hex"},
             std::pair{std::string("310\n") + std::string(512, 'A') + "\n", "hex digits"},
         }) {
        SCOPED_TRACE(message);
        try {
            (void)dxf::BinaryFromAscii(head + body + tail, "x.dxf");
            ADD_FAILURE() << "converted";
        } catch (const DxfError& e) {
            EXPECT_NE(e.message().find(message), std::string::npos) << e.what();
        }
    }
}

#ifndef _WIN32
TEST(DxfBinary, SavedBinaryFilesPassTheStrictCheck) {
    ASSERT_EQ(std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1"), 0)
        << "python3-ezdxf is not installed: the DXF check cannot run";
    const fs::path validator =
        fs::path(TARSEL_SOURCE_DIR) / "tests" / "support" / "validate_dxf.py";
    const fs::path dir = fs::path(TARSEL_BINARY_DIR) / "dxf_binary_test";
    fs::create_directories(dir);
    for (const auto& [asciiName, binaryName] : kBinaryTwins) {
        for (DxfVersion version : {DxfVersion::R12, DxfVersion::R2000, DxfVersion::R2018}) {
            SCOPED_TRACE(std::string(binaryName) + " " + std::to_string(static_cast<int>(version)));
            const fs::path file =
                dir / ("saved-" + std::to_string(static_cast<int>(version)) + "-" + binaryName);
            WriteDxfFile(file, ReadDxf(Fixture(binaryName), binaryName), version);
            const std::string command =
                "/usr/bin/python3 '" + validator.string() + "' '" + file.string() + "' 2>&1";
            std::string output;
            FILE* pipe = popen(command.c_str(), "r");
            ASSERT_NE(pipe, nullptr);
            char buf[4096];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
            EXPECT_EQ(pclose(pipe), 0) << output;
            EXPECT_EQ(output.rfind("OK ", 0), 0u) << output;
        }
    }
}
#endif

}  // namespace
}  // namespace tarsel::minicad
