// A user's drawing passes through minicad unchanged: every object minicad does not model or
// did not change is saved exactly as read, in the version read; what the model adds or changes
// is written from the model with handles that collide with none of the file's.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "minicad/document.h"
#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"

namespace tarsel::minicad {
namespace {

// Groups written compactly: "0 LINE|8 0|10 1.5" -> the DXF lines of those groups.
std::string G(std::string_view compact) {
    std::string out;
    std::size_t start = 0;
    while (start <= compact.size()) {
        std::size_t end = compact.find('|', start);
        if (end == std::string_view::npos) end = compact.size();
        const std::string_view item = compact.substr(start, end - start);
        start = end + 1;
        if (item.empty()) continue;
        const std::size_t space = item.find(' ');
        out += std::string(item.substr(0, space)) + "\n";
        out += (space == std::string_view::npos ? std::string()
                                                : std::string(item.substr(space + 1))) +
               "\n";
    }
    return out;
}

struct Parts {
    std::string ltypes{}, layers{}, styles{}, records{}, blocks{}, entities{};
};

// A drawing as a CAD of today writes it, pared down: the tables with handles, model and
// paper space blocks, the layouts.
std::string R2018(const Parts& p) {
    return G("0 SECTION|2 HEADER|9 $ACADVER|1 AC1032|9 $DWGCODEPAGE|3 ANSI_1252|"
             "9 $CLAYER|8 0|9 $LTSCALE|40 1.0|9 $HANDSEED|5 1000|0 ENDSEC|"
             "0 SECTION|2 CLASSES|0 ENDSEC|0 SECTION|2 TABLES|"
             "0 TABLE|2 VPORT|5 8|330 0|100 AcDbSymbolTable|70 1|"
             "0 VPORT|5 29|330 8|100 AcDbSymbolTableRecord|100 AcDbViewportTableRecord|"
             "2 *Active|70 0|10 0.0|20 0.0|11 1.0|21 1.0|12 50.0|22 50.0|40 100.0|41 1.5|0 ENDTAB|"
             "0 TABLE|2 LTYPE|5 5|330 0|100 AcDbSymbolTable|70 3|"
             "0 LTYPE|5 14|330 5|100 AcDbSymbolTableRecord|100 AcDbLinetypeTableRecord|"
             "2 ByBlock|70 0|3 |72 65|73 0|40 0.0|"
             "0 LTYPE|5 15|330 5|100 AcDbSymbolTableRecord|100 AcDbLinetypeTableRecord|"
             "2 ByLayer|70 0|3 |72 65|73 0|40 0.0|"
             "0 LTYPE|5 16|330 5|100 AcDbSymbolTableRecord|100 AcDbLinetypeTableRecord|"
             "2 Continuous|70 0|3 Solid line|72 65|73 0|40 0.0|") +
           p.ltypes +
           G("0 ENDTAB|0 TABLE|2 LAYER|5 2|330 0|100 AcDbSymbolTable|70 1|"
             "0 LAYER|5 10|330 2|100 AcDbSymbolTableRecord|100 AcDbLayerTableRecord|"
             "2 0|70 0|62 7|6 Continuous|370 -3|") +
           p.layers +
           G("0 ENDTAB|0 TABLE|2 STYLE|5 3|330 0|100 AcDbSymbolTable|70 1|"
             "0 STYLE|5 11|330 3|100 AcDbSymbolTableRecord|100 AcDbTextStyleTableRecord|"
             "2 Standard|70 0|40 0.0|41 1.0|50 0.0|71 0|42 2.5|3 txt|4 |") +
           p.styles +
           G("0 ENDTAB|0 TABLE|2 VIEW|5 6|330 0|100 AcDbSymbolTable|70 0|0 ENDTAB|"
             "0 TABLE|2 UCS|5 7|330 0|100 AcDbSymbolTable|70 0|0 ENDTAB|"
             "0 TABLE|2 APPID|5 9|330 0|100 AcDbSymbolTable|70 1|"
             "0 APPID|5 12|330 9|100 AcDbSymbolTableRecord|100 AcDbRegAppTableRecord|"
             "2 ACAD|70 0|0 ENDTAB|"
             "0 TABLE|2 DIMSTYLE|5 A|330 0|100 AcDbSymbolTable|70 1|100 AcDbDimStyleTable|71 0|"
             "0 DIMSTYLE|105 27|330 A|100 AcDbSymbolTableRecord|100 AcDbDimStyleTableRecord|"
             "2 Standard|70 0|0 ENDTAB|"
             "0 TABLE|2 BLOCK_RECORD|5 1|330 0|100 AcDbSymbolTable|70 2|"
             "0 BLOCK_RECORD|5 1F|330 1|100 AcDbSymbolTableRecord|100 AcDbBlockTableRecord|"
             "2 *Model_Space|340 22|"
             "0 BLOCK_RECORD|5 1E|330 1|100 AcDbSymbolTableRecord|100 AcDbBlockTableRecord|"
             "2 *Paper_Space|340 1A|") +
           p.records +
           G("0 ENDTAB|0 ENDSEC|0 SECTION|2 BLOCKS|"
             "0 BLOCK|5 20|330 1F|100 AcDbEntity|8 0|100 AcDbBlockBegin|2 *Model_Space|70 0|"
             "10 0.0|20 0.0|30 0.0|3 *Model_Space|1 |"
             "0 ENDBLK|5 21|330 1F|100 AcDbEntity|8 0|100 AcDbBlockEnd|") +
           p.blocks + G("0 ENDSEC|0 SECTION|2 ENTITIES|") + p.entities +
           G("0 ENDSEC|0 SECTION|2 OBJECTS|"
             "0 DICTIONARY|5 C|330 0|100 AcDbDictionary|281 1|3 ACAD_GROUP|350 D|"
             "3 ACAD_LAYOUT|350 E|"
             "0 DICTIONARY|5 D|330 C|100 AcDbDictionary|281 1|"
             "0 DICTIONARY|5 E|330 C|100 AcDbDictionary|281 1|3 Layout1|350 1A|3 Model|350 22|"
             "0 LAYOUT|5 22|330 E|100 AcDbPlotSettings|1 |2 none_device|4 |6 |40 0.0|41 0.0|"
             "42 0.0|43 0.0|44 0.0|45 0.0|46 0.0|47 0.0|48 0.0|49 0.0|140 0.0|141 0.0|142 1.0|"
             "143 1.0|70 1712|72 1|73 0|74 0|7 |75 0|147 1.0|148 0.0|149 0.0|100 AcDbLayout|"
             "1 Model|70 1|71 0|10 0.0|20 0.0|11 420.0|21 297.0|12 0.0|22 0.0|32 0.0|"
             "14 0.0|24 0.0|34 0.0|15 0.0|25 0.0|35 0.0|146 0.0|13 0.0|23 0.0|33 0.0|"
             "16 1.0|26 0.0|36 0.0|17 0.0|27 1.0|37 0.0|76 0|330 1F|"
             "0 LAYOUT|5 1A|330 E|100 AcDbPlotSettings|1 |2 none_device|4 |6 |40 0.0|41 0.0|"
             "42 0.0|43 0.0|44 0.0|45 0.0|46 0.0|47 0.0|48 0.0|49 0.0|140 0.0|141 0.0|142 1.0|"
             "143 1.0|70 688|72 1|73 0|74 5|7 |75 16|147 1.0|148 0.0|149 0.0|100 AcDbLayout|"
             "1 Layout1|70 1|71 1|10 0.0|20 0.0|11 420.0|21 297.0|12 0.0|22 0.0|32 0.0|"
             "14 0.0|24 0.0|34 0.0|15 0.0|25 0.0|35 0.0|146 0.0|13 0.0|23 0.0|33 0.0|"
             "16 1.0|26 0.0|36 0.0|17 0.0|27 1.0|37 0.0|76 0|330 1E|0 ENDSEC|0 EOF");
}

const std::string kPaperBlock =
    "0 BLOCK|5 1C|330 1E|100 AcDbEntity|67 1|8 0|100 AcDbBlockBegin|2 *Paper_Space|70 0|"
    "10 0.0|20 0.0|30 0.0|3 *Paper_Space|1 |";
const std::string kPaperBlockEnd = "0 ENDBLK|5 1D|330 1E|100 AcDbEntity|67 1|8 0|100 AcDbBlockEnd|";

std::string R12(const Parts& p) {
    return G("0 SECTION|2 HEADER|9 $ACADVER|1 AC1009|9 $DWGCODEPAGE|3 ANSI_1252|"
             "9 $CLAYER|8 0|0 ENDSEC|0 SECTION|2 TABLES|"
             "0 TABLE|2 LTYPE|70 1|0 LTYPE|2 CONTINUOUS|70 0|3 Solid line|72 65|73 0|40 0.0|") +
           p.ltypes + G("0 ENDTAB|0 TABLE|2 LAYER|70 1|0 LAYER|2 0|70 0|62 7|6 CONTINUOUS|") +
           p.layers +
           G("0 ENDTAB|0 TABLE|2 STYLE|70 1|0 STYLE|2 STANDARD|70 0|40 0.0|41 1.0|50 0.0|71 0|"
             "42 2.5|3 txt|4 |") +
           p.styles + G("0 ENDTAB|0 ENDSEC|0 SECTION|2 BLOCKS|") + p.blocks +
           G("0 ENDSEC|0 SECTION|2 ENTITIES|") + p.entities + G("0 ENDSEC|0 EOF");
}

struct Case {
    const char* name;
    bool modern;
    Parts parts;
};

std::vector<Case> Cases() {
    return {
        {"Mtext",
         true,
         {.entities = G("0 MTEXT|5 100|330 1F|100 AcDbEntity|8 0|100 AcDbMText|"
                        "10 1.0|20 2.0|30 0.0|40 2.5|41 30.0|71 1|72 5|"
                        "1 {\\fArial;Parcel}\\PNo. 12 \\U+6771|7 Standard|")}},
        {"DimensionWithItsBlock",
         true,
         {.records = G("0 BLOCK_RECORD|5 30|330 1|100 AcDbSymbolTableRecord|"
                       "100 AcDbBlockTableRecord|2 *D1|340 0|"),
          .blocks = G("0 BLOCK|5 31|330 30|100 AcDbEntity|8 0|100 AcDbBlockBegin|2 *D1|70 1|"
                      "10 0.0|20 0.0|30 0.0|3 *D1|1 |"
                      "0 LINE|5 32|330 30|100 AcDbEntity|8 0|100 AcDbLine|10 0.0|20 5.0|30 0.0|"
                      "11 10.0|21 5.0|31 0.0|"
                      "0 ENDBLK|5 33|330 30|100 AcDbEntity|8 0|100 AcDbBlockEnd|"),
          .entities = G("0 DIMENSION|5 101|330 1F|100 AcDbEntity|8 0|100 AcDbDimension|2 *D1|"
                        "10 10.0|20 5.0|30 0.0|11 5.0|21 6.0|31 0.0|70 32|1 |3 Standard|"
                        "100 AcDbAlignedDimension|13 0.0|23 0.0|33 0.0|14 10.0|24 0.0|34 0.0|"
                        "100 AcDbRotatedDimension|")}},
        {"SolidHatch",
         true,
         {.entities = G("0 HATCH|5 102|330 1F|100 AcDbEntity|8 0|62 3|100 AcDbHatch|"
                        "10 0.0|20 0.0|30 0.0|210 0.0|220 0.0|230 1.0|2 SOLID|70 1|71 0|91 1|"
                        "92 1|93 4|72 1|10 0.0|20 0.0|11 4.0|21 0.0|72 1|10 4.0|20 0.0|11 4.0|"
                        "21 3.0|72 1|10 4.0|20 3.0|11 0.0|21 3.0|72 1|10 0.0|20 3.0|11 0.0|"
                        "21 0.0|97 0|75 0|76 1|98 0|")}},
        {"Point", false, {.entities = G("0 POINT|8 0|10 3.25|20 -1.5|30 0.0|")}},
        {"Spline",
         true,
         {.entities = G("0 SPLINE|5 103|330 1F|100 AcDbEntity|8 0|100 AcDbSpline|"
                        "210 0.0|220 0.0|230 1.0|70 8|71 3|72 8|73 4|74 0|"
                        "40 0.0|40 0.0|40 0.0|40 0.0|40 1.0|40 1.0|40 1.0|40 1.0|"
                        "10 0.0|20 0.0|30 0.0|10 1.0|20 2.0|30 0.0|10 3.0|20 2.0|30 0.0|"
                        "10 4.0|20 0.0|30 0.0|")}},
        {"Ellipse",
         true,
         {.entities = G("0 ELLIPSE|5 104|330 1F|100 AcDbEntity|8 0|100 AcDbEllipse|"
                        "10 5.0|20 5.0|30 0.0|11 3.0|21 0.0|31 0.0|210 0.0|220 0.0|230 1.0|"
                        "40 0.5|41 0.0|42 6.283185307179586|")}},
        {"Solid",
         false,
         {.entities = G("0 SOLID|8 0|62 1|10 0.0|20 0.0|30 0.0|11 1.0|21 0.0|31 0.0|"
                        "12 0.0|22 1.0|32 0.0|13 1.0|23 1.0|33 0.0|")}},
        {"InsertWithAttributes",
         false,
         {.blocks = G("0 BLOCK|8 0|2 TAG|70 2|10 0.0|20 0.0|30 0.0|3 TAG|"
                      "0 CIRCLE|8 0|10 0.0|20 0.0|30 0.0|40 1.0|"
                      "0 ATTDEF|8 0|10 0.0|20 -2.0|30 0.0|40 1.0|1 |3 Number?|2 NO|70 0|"
                      "0 ENDBLK|8 0|"),
          .entities = G("0 INSERT|8 0|66 1|2 TAG|10 5.0|20 5.0|30 0.0|"
                        "0 ATTRIB|8 0|10 5.0|20 3.0|30 0.0|40 1.0|1 12|2 NO|70 0|"
                        "0 SEQEND|8 0|")}},
        {"PaperSpaceWithAViewport",
         true,
         {.blocks = G(kPaperBlock +
                      "0 VIEWPORT|5 40|330 1E|100 AcDbEntity|67 1|8 0|100 AcDbViewport|"
                      "10 148.5|20 105.0|30 0.0|40 297.0|41 210.0|68 1|69 1|"
                      "0 VIEWPORT|5 41|330 1E|100 AcDbEntity|67 1|8 0|100 AcDbViewport|"
                      "10 100.0|20 100.0|30 0.0|40 150.0|41 100.0|68 2|69 2|12 0.0|22 0.0|"
                      "13 0.0|23 0.0|14 10.0|24 10.0|15 10.0|25 10.0|16 0.0|26 0.0|36 1.0|"
                      "17 0.0|27 0.0|37 0.0|45 50.0|" +
                      kPaperBlockEnd),
          .entities = G("0 LINE|5 105|330 1F|100 AcDbEntity|8 0|100 AcDbLine|10 0.0|20 0.0|"
                        "30 0.0|11 1.0|21 1.0|31 0.0|"
                        "0 TEXT|5 106|330 1E|100 AcDbEntity|67 1|8 0|100 AcDbText|10 10.0|"
                        "20 10.0|30 0.0|40 3.5|1 Title|100 AcDbText|"
                        "0 LINE|5 107|330 1F|100 AcDbEntity|8 0|100 AcDbLine|10 1.0|20 1.0|"
                        "30 0.0|11 2.0|21 0.0|31 0.0|")}},
        {"ExplicitProperties",
         true,
         {.ltypes = G("0 LTYPE|5 50|330 5|100 AcDbSymbolTableRecord|"
                      "100 AcDbLinetypeTableRecord|2 DASHED|70 0|3 Dashed __ __|72 65|73 2|"
                      "40 0.75|49 0.5|74 0|49 -0.25|74 0|"),
          .entities = G("0 LINE|5 108|330 1F|100 AcDbEntity|8 0|62 1|6 DASHED|370 50|"
                        "420 16711680|100 AcDbLine|10 0.0|20 0.0|30 0.0|11 9.0|21 0.0|31 0.0|"
                        "0 LWPOLYLINE|5 109|330 1F|100 AcDbEntity|8 0|62 5|100 AcDbPolyline|"
                        "90 2|70 0|43 0.35|10 0.0|20 1.0|10 5.0|20 1.0|")}},
        {"ExtrusionDownwards",
         true,
         {.entities = G("0 ARC|5 10A|330 1F|100 AcDbEntity|8 0|100 AcDbCircle|"
                        "10 650.8|20 12.0|30 0.0|40 25.0|210 0.0|220 0.0|230 -1.0|"
                        "100 AcDbArc|50 10.0|51 80.0|")}},
        {"Thickness",
         false,
         {.entities = G("0 LINE|8 0|39 5.0|10 0.0|20 0.0|30 0.0|11 3.0|21 4.0|31 0.0|")}},
        {"WidthFactor",
         true,
         {.entities = G("0 TEXT|5 10B|330 1F|100 AcDbEntity|8 0|100 AcDbText|10 1.0|20 1.0|"
                        "30 0.0|40 2.5|1 Narrow|41 0.7|51 15.0|7 Standard|100 AcDbText|")}},
        {"FrozenAndLockedLayers",
         false,
         {.layers = G("0 LAYER|2 FROZEN|70 1|62 3|6 CONTINUOUS|"
                      "0 LAYER|2 LOCKED|70 4|62 -4|6 CONTINUOUS|"),
          .entities = G("0 LINE|8 LOCKED|10 0.0|20 0.0|30 0.0|11 1.0|21 0.0|31 0.0|")}},
        {"StyleWithFontAndBigFont",
         true,
         {.styles = G("0 STYLE|5 60|330 3|100 AcDbSymbolTableRecord|"
                      "100 AcDbTextStyleTableRecord|2 JIS|70 0|40 0.0|41 0.8|50 0.0|71 0|"
                      "42 2.5|3 romans.shx|4 bigfont.shx|"),
          .entities = G("0 TEXT|5 10C|330 1F|100 AcDbEntity|8 0|100 AcDbText|10 0.0|20 0.0|"
                        "30 0.0|40 2.5|1 A-1|7 JIS|100 AcDbText|")}},
        {"UnknownEntityType",
         true,
         {.entities = G("0 ACME_MARKER|5 10D|330 1F|100 AcDbEntity|8 0|100 AcmeMarker|"
                        "10 2.0|20 3.0|30 0.0|1 kept as it is|90 7|")}},
        {"LeaderStaysALeader",
         true,
         {.entities = G("0 LEADER|5 10E|330 1F|100 AcDbEntity|8 0|100 AcDbLeader|3 Standard|"
                        "71 1|72 0|73 3|74 0|75 0|40 0.0|41 0.0|76 2|10 0.0|20 0.0|30 0.0|"
                        "10 5.0|20 5.0|30 0.0|")}},
    };
}

std::string FileOf(const Case& c) {
    if (!c.modern) return R12(c.parts);
    Parts parts = c.parts;
    // Every modern drawing has paper space; the cases that do not bring their own get the empty
    // one.
    if (parts.blocks.find("*Paper_Space") == std::string::npos)
        parts.blocks = G(kPaperBlock + kPaperBlockEnd) + parts.blocks;
    return R2018(parts);
}

struct Pair {
    int code;
    std::string value;
    bool operator==(const Pair&) const = default;
};

std::vector<Pair> Groups(const std::string& text) {
    std::vector<Pair> out;
    for (const dxf::Group& g : dxf::Lex(text, "t.dxf")) out.push_back({g.code, std::string(g.raw)});
    return out;
}

int Validate(const std::string& content, const std::string& name, std::string& output) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("tarsel-lossless-" + name + ".dxf");
    std::ofstream(file, std::ios::binary) << content;
    const std::string command = "/usr/bin/python3 '" TARSEL_SOURCE_DIR
                                "/tests/support/validate_dxf.py' '" +
                                file.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe)) output += buffer.data();
    const int raw = pclose(pipe);
    std::filesystem::remove(file);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

class DxfLossless : public ::testing::TestWithParam<Case> {};

TEST_P(DxfLossless, AnEmptyJobSavesEveryGroupAsReadAndASecondSaveTheSameBytes) {
    const std::string input = FileOf(GetParam());
    const Drawing drawing = ReadDxf(input, "in.dxf");
    const std::string once = WriteDxf(drawing);
    EXPECT_EQ(Groups(once), Groups(input));
    const std::string twice = WriteDxf(ReadDxf(once, "once.dxf"));
    EXPECT_EQ(twice, once);
    std::string output;
    EXPECT_EQ(Validate(once, GetParam().name, output), 0) << output;
}

INSTANTIATE_TEST_SUITE_P(Kinds, DxfLossless, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// What the model adds, changes and erases in a kept drawing: written from the model in its
// place, with handles above every one of the file's, and the rest untouched.
TEST(DxfLosslessEdit, ChangesAreWrittenFromTheModelAndEverythingElseAsRead) {
    const std::string input =
        R2018({.entities = G("0 LINE|5 2000|330 1F|100 AcDbEntity|8 0|62 1|370 50|100 AcDbLine|"
                             "10 0.0|20 0.0|30 0.0|11 9.0|21 0.0|31 0.0|"
                             "0 MTEXT|5 100|330 1F|100 AcDbEntity|8 0|100 AcDbMText|10 1.0|20 2.0|"
                             "30 0.0|40 2.5|1 kept|"
                             "0 LINE|5 101|330 1F|100 AcDbEntity|8 0|100 AcDbLine|10 5.0|20 5.0|"
                             "30 0.0|11 6.0|21 6.0|31 0.0|")});
    Document doc(ReadDxf(input, "in.dxf"));
    const std::vector<Entity> read = doc.Entities();
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].data.index(), std::variant_size_v<EntityData> - 1) << "MTEXT is kept";
    // Moved: written from the model, keeping its handle, colour and lineweight.
    doc.ModifyEntity(read[0].id, [](Entity& e) { DataOf<LineData>(e.data).end.x = 12; });
    doc.EraseEntity(read[2].id);
    Entity added;
    added.layer = "NEW";
    added.data = CircleData{{1, 1, 0}, 2};
    (void)doc.AddEntity(added);
    // Put on another layer, a kind known only by its groups keeps all the others.
    doc.ModifyEntity(read[1].id, [](Entity& e) { e.layer = "NEW"; });
    Entity copy = doc.Entities()[1];  // a copy made by the model carries no groups
    (void)doc.AddEntity(copy);

    DxfNotes dropped;
    const std::string once = WriteDxf(doc.drawing(), std::nullopt, &dropped);
    const Drawing back = ReadDxf(once, "once.dxf");
    ASSERT_EQ(back.entities.size(), 3u) << "the copy of a kind known only by its groups is dropped";
    EXPECT_EQ(dropped, (DxfNotes{"MTEXT entities: 1 not written in AC1032"}));
    EXPECT_EQ(DataOf<LineData>(back.entities[0].data).end.x, 12.0);
    EXPECT_EQ(back.entities[0].raw.Find(5), "2000");
    EXPECT_EQ(back.entities[0].raw.Find(62), "1");
    EXPECT_EQ(back.entities[0].raw.Find(370), "50");
    EXPECT_EQ(Groups(std::string(G("0 MTEXT|5 100|330 1F|100 AcDbEntity|8 NEW|100 AcDbMText|"
                                   "10 1.0|20 2.0|30 0.0|40 2.5|1 kept|"))),
              [&] {
                  std::vector<Pair> out;
                  const RawGroups& r = back.entities[1].raw;
                  for (std::size_t i = 0; i < r.size(); ++i)
                      out.push_back({r.code(i), std::string(r.value(i))});
                  return out;
              }());
    // The new circle: a handle above the seed and every handle of the file, owned by model
    // space, its layer declared, and $HANDSEED beyond it.
    const std::string handle(back.entities[2].raw.Find(5));
    EXPECT_GT(std::stoull(handle, nullptr, 16), 0x2000u);
    EXPECT_EQ(back.entities[2].raw.Find(330), "1F");
    EXPECT_GT(back.file->handSeed, std::stoull(handle, nullptr, 16));
    EXPECT_NE(once.find("AcDbLayerTableRecord\r\n  2\r\nNEW\r\n"), std::string::npos);
    std::string output;
    EXPECT_EQ(Validate(once, "edited", output), 0) << output;
    EXPECT_EQ(WriteDxf(back), once);
}

// A header that names $HANDSEED twice gets a seed in both places: as read while no new handle
// goes out, the new one after an edit; never an empty handle.
TEST(DxfLosslessEdit, ASeedNamedTwiceIsWrittenInBothPlaces) {
    std::string input = R2018({});
    const std::string seed = G("9 $HANDSEED|5 1000|");
    input.insert(input.find(seed) + seed.size(), seed);
    auto seeds = [](const std::string& file) {
        std::vector<std::string> out;
        const std::vector<Pair> groups = Groups(file);
        for (std::size_t i = 0; i + 1 < groups.size(); ++i)
            if (groups[i] == Pair{9, "$HANDSEED"}) out.push_back(groups[i + 1].value);
        return out;
    };
    Drawing d = ReadDxf(input, "in.dxf");
    EXPECT_EQ(seeds(WriteDxf(d)), (std::vector<std::string>{"1000", "1000"}));
    Entity line;
    line.id = d.nextId++;
    line.data = LineData{{0, 0, 0}, {1, 1, 0}};
    d.entities.push_back(line);
    EXPECT_EQ(seeds(WriteDxf(d)), (std::vector<std::string>{"1001", "1001"}));
}

// A file may hold two HEADER sections. Both are read, the later naming a variable last; how
// strings read is decided by the first alone. The save holds one section with every variable
// of both, and must read back to the same drawing: the current layer the first names (a layer
// only it brings in), the strings in the first's code page, and an edit wherever it was named.
TEST(DxfLosslessEdit, TwoHeaderSectionsSaveAsOneThatReadsBackAlike) {
    std::string input =
        R12({.entities = G("0 TEXT|8 0|10 1.0|20 2.0|30 0.0|40 2.5|1 Caf\xE9 \xA7 3|")});
    const std::string first = G("9 $CLAYER|8 0|");
    input.replace(input.find(first), first.size(), G("9 $CLAYER|8 OUTLINE|9 $AUNITS|70 0|"));
    const std::string end = G("0 ENDSEC|");
    input.insert(input.find(end) + end.size(),
                 G("0 SECTION|2 HEADER|9 $ACADVER|1 AC1021|9 $DWGCODEPAGE|3 ANSI_932|"
                   "9 $LTSCALE|40 2.5|9 $AUNITS|70 3|0 ENDSEC|"));

    Drawing d = ReadDxf(input, "in.dxf");
    auto expectAlike = [](const Drawing& back, int aunits) {
        EXPECT_EQ(back.variables.clayer, "OUTLINE");
        EXPECT_EQ(back.variables.aunits, aunits);
        EXPECT_TRUE(std::any_of(back.layers.begin(), back.layers.end(),
                                [](const Layer& l) { return l.name == "OUTLINE"; }));
        ASSERT_EQ(back.entities.size(), 1u);
        EXPECT_EQ(DataOf<TextData>(back.entities[0].data).text, "Café § 3");
    };
    expectAlike(d, 3);
    const std::string once = WriteDxf(d);
    const std::vector<Pair> groups = Groups(once);
    EXPECT_EQ(std::count(groups.begin(), groups.end(), Pair{2, "HEADER"}), 1);
    EXPECT_EQ(std::count(groups.begin(), groups.end(), Pair{9, "$LTSCALE"}), 1);
    const Drawing back = ReadDxf(once, "once.dxf");
    expectAlike(back, 3);
    EXPECT_EQ(WriteDxf(back), once);
    std::string output;
    EXPECT_EQ(Validate(once, "two-headers", output), 0) << output;

    d.variables.aunits = 1;
    expectAlike(ReadDxf(WriteDxf(d), "edited.dxf"), 1);
}

// A file without a HEADER is read in the code page its bytes show. When the only byte that
// ruled UTF-8 out is in what the save does not write back (a layer's earlier entry, which the
// later one replaces), the saved bytes would show UTF-8: the save declares the code page.
TEST(DxfLosslessEdit, ACodePageTheBytesShowedIsDeclaredInAFileWithoutHeader) {
    const std::string input =
        G("0 SECTION|2 TABLES|0 TABLE|2 LAYER|70 2|0 LAYER|2 A|70 0|62 7|6 DASH\xE9|"
          "0 LAYER|2 A|70 0|62 7|6 CONTINUOUS|0 ENDTAB|0 ENDSEC|0 SECTION|2 ENTITIES|"
          "0 TEXT|8 A|10 0.0|20 0.0|30 0.0|40 2.5|1 \xC3\xA9t\xC3\xA9|0 ENDSEC|0 EOF");
    const Drawing d = ReadDxf(input, "in.dxf");
    ASSERT_EQ(d.entities.size(), 1u);
    const std::string text = DataOf<TextData>(d.entities[0].data).text;
    EXPECT_EQ(text, "\u00C3\u00A9t\u00C3\u00A9");  // as code page 1252 reads those bytes
    const std::string once = WriteDxf(d);
    const Drawing back = ReadDxf(once, "once.dxf");
    ASSERT_EQ(back.entities.size(), 1u);
    EXPECT_EQ(DataOf<TextData>(back.entities[0].data).text, text);
    EXPECT_EQ(WriteDxf(back), once);
    // A file of plain ASCII, which any code page reads alike, gets no header.
    const std::string plain =
        G("0 SECTION|2 ENTITIES|0 LINE|8 0|10 0.0|20 0.0|30 0.0|11 1.0|"
          "21 1.0|31 0.0|0 ENDSEC|0 EOF");
    const std::vector<Pair> saved = Groups(WriteDxf(ReadDxf(plain, "plain.dxf")));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), Pair{2, "HEADER"}), 0);
}

TEST(DxfVersions, ANewDrawingIsR2018AndAConversionListsWhatTheTargetCannotHold) {
    Drawing fresh;
    Entity line;
    line.id = 1;
    line.data = LineData{{0, 0, 0}, {1, 1, 0}};
    fresh.entities.push_back(line);
    fresh.nextId = 2;
    EXPECT_NE(WriteDxf(fresh).find("$ACADVER\r\n  1\r\nAC1032\r\n"), std::string::npos);

    const std::string input = R2018(
        {.entities = G("0 LWPOLYLINE|5 100|330 1F|100 AcDbEntity|8 0|420 255|100 AcDbPolyline|"
                       "90 2|70 0|10 0.0|20 0.0|10 1.0|20 1.0|"
                       "0 LEADER|5 101|330 1F|100 AcDbEntity|8 0|100 AcDbLeader|3 Standard|71 1|"
                       "76 2|10 0.0|20 0.0|30 0.0|10 5.0|20 5.0|30 0.0|"
                       "0 MTEXT|5 102|330 1F|100 AcDbEntity|8 0|100 AcDbMText|10 1.0|20 2.0|"
                       "30 0.0|40 2.5|1 東|")});
    const Drawing d = ReadDxf(input, "in.dxf");
    struct Case {
        DxfVersion version;
        DxfNotes dropped;
    };
    const Case cases[] = {
        {DxfVersion::R2013, {}},
        {DxfVersion::R2000,
         {"true colour and transparency groups (420/430/440): 1 not written in AC1015"}},
        {DxfVersion::R12,
         {"LEADER group 3: 1 not written in AC1009",
          "LWPOLYLINE group 420: 1 not written in AC1009",
          "MTEXT entities: 1 not written in AC1009", "section CLASSES: 1 not written in AC1009",
          "section OBJECTS: 1 not written in AC1009",
          "table entries of APPID as read: 1 not written in AC1009",
          "table entries of BLOCK_RECORD as read: 2 not written in AC1009",
          "table entries of DIMSTYLE as read: 1 not written in AC1009",
          "table entries of LTYPE as read: 3 not written in AC1009",
          "table entries of STYLE as read: 1 not written in AC1009",
          "table entries of VPORT as read: 1 not written in AC1009"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(AcadVerOf(c.version)));
        DxfNotes dropped;
        const std::string out = WriteDxf(d, c.version, &dropped);
        EXPECT_EQ(dropped, c.dropped);
        EXPECT_NE(out.find(std::string(AcadVerOf(c.version))), std::string::npos);
        const bool modern = c.version != DxfVersion::R12;
        EXPECT_EQ(out.find("\r\nLWPOLYLINE\r\n") != std::string::npos, modern);
        EXPECT_EQ(out.find("\r\nLEADER\r\n") != std::string::npos, modern);
        // The MTEXT's text in UTF-8 from R2007 on, in the declared code page (with an escape
        // for what it lacks) before.
        if (modern) {
            EXPECT_NE(out.find(c.version >= DxfVersion::R2007 ? "東" : "\\U+6771"),
                      std::string::npos);
        }
        std::string output;
        EXPECT_EQ(Validate(out, "to" + std::string(AcadVerOf(c.version)), output), 0) << output;
    }
}

}  // namespace
}  // namespace tarsel::minicad
