// -INSERT as the palette drives it: a tag fragment file inserted exploded (its tagged text
// read back through the automation interface, the block left for the palette to delete),
// files that cannot be read, and the block-name form the area table's AutoLISP call runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "automation_fixture.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::CallWithOut;
using cadlink::Get;
using cadlink::GetObject;

// The tag fragment for triangle 7 (sides 3000, 4000, 5000) on H_TEXT at (1500, 1000):
// DXF R12, CR LF, three-column group codes.
std::string Fragment(const std::string& number = "7") {
    const std::vector<std::string> lines = {
        "  0",  "SECTION", "  2",  "HEADER",  "  9",  "$ACADVER",  "  1",  "AC1009",
        "  0",  "ENDSEC",  "  0",  "SECTION", "  2",  "TABLES",    "  0",  "TABLE",
        "  2",  "APPID",   "  0",  "APPID",   "  2",  "LT_TARSEL", " 70",  "0",
        "  0",  "ENDTAB",  "  0",  "ENDSEC",  "  0",  "SECTION",   "  2",  "ENTITIES",
        "  0",  "TEXT",    "  8",  "H_TEXT",  "  6",  "BYLAYER",   " 62",  "256",
        " 48",  "1.0",     " 10",  "1500",    " 20",  "1000",      " 11",  "1500",
        " 21",  "1000",    "  1",  number,    " 40",  "300",       " 41",  "1.0",
        " 50",  "0",       " 72",  "1",       " 73",  "2",         "1001", "LT_TARSEL",
        "1010", "3000",    "1020", "4000",    "1030", "5000",      "  0",  "ENDSEC",
        "  0",  "EOF"};
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

class InsertCommand : public ::testing::Test {
protected:
    InsertCommand() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A blank in the folder, as beside an executable under "Program Files".
        dir_ = std::filesystem::path(TARSEL_BINARY_DIR) / "test-output" / "insert command" /
               info->name();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    std::string Write(const std::string& name, const std::string& content) {
        const std::filesystem::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    // What the palette sends for a fragment file.
    void InsertFragment(const std::string& path, const std::string& placement = "0.0,0.0 1.0 0.0") {
        cad.Send("_-INSERT\r\"*" + path + "\"\r" + placement + "\r");
    }
    std::vector<std::string> BlockNames() {
        const ObjectRef blocks = GetObject(cad.doc, "Blocks");
        std::vector<std::string> names;
        for (int i = 0; i < Get(blocks, "Count").AsInt(); ++i) {
            names.push_back(Get(Call(blocks, "Item", {Variant(i)}).AsObject(), "Name").AsText());
        }
        return names;
    }
    static std::vector<double> Point(const ObjectRef& e, const char* member) {
        const Variant v = Get(e, member);
        std::vector<double> out;
        for (const Variant& item : v.AsArray().items) out.push_back(item.AsDouble());
        return out;
    }
    bool Logged(const std::string& part) {
        const auto& log = cad.app->document().CommandLog();
        return std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    Cad cad;
    std::filesystem::path dir_;
};

TEST_F(InsertCommand, FragmentArrivesAsOneTaggedTextAndLeavesItsBlock) {
    cad.Circle(1500, 1000, 450);  // the number's circle, drawn just before
    const int before = cad.Count();
    InsertFragment(Write("TARSEL_1.dxf", Fragment()));

    ASSERT_EQ(cad.Count(), before + 1);
    const ObjectRef text = cad.Last();
    EXPECT_EQ(Get(text, "EntityName").AsText(), "AcDbText");
    EXPECT_EQ(Get(text, "TextString").AsText(), "7");
    EXPECT_EQ(Get(text, "Layer").AsText(), "H_TEXT");
    EXPECT_EQ(Get(text, "Height").AsDouble(), 300);
    EXPECT_EQ(Get(text, "Rotation").AsDouble(), 0);
    EXPECT_EQ(Get(text, "Alignment").AsInt(), 10);  // middle centre
    EXPECT_EQ(Point(text, "TextAlignmentPoint"), (std::vector<double>{1500, 1000, 0}));

    std::vector<Variant> args{Variant("LT_TARSEL"), Variant(), Variant()};
    (void)CallWithOut(text, "GetXdata", args);
    EXPECT_EQ(args[1], Variant::Int16Array({1001, 1010}));
    ASSERT_TRUE(args[2].IsArray());
    ASSERT_EQ(args[2].AsArray().items.size(), 2u);
    EXPECT_EQ(args[2].AsArray().items[0], Variant("LT_TARSEL"));
    EXPECT_EQ(args[2].AsArray().items[1], Variant::DoubleArray({3000, 4000, 5000}));
    EXPECT_TRUE(cad.app->document().IsAppRegistered("LT_TARSEL"));

    // The definition named after the file stays until the palette deletes it.
    ASSERT_EQ(BlockNames(), (std::vector<std::string>{"TARSEL_1"}));
    (void)Call(Call(GetObject(cad.doc, "Blocks"), "Item", {Variant(0)}).AsObject(), "Delete", {});
    EXPECT_TRUE(BlockNames().empty());

    // The next label writes the same file again and gets its own text.
    InsertFragment(Write("TARSEL_1.dxf", Fragment("8")));
    EXPECT_EQ(Get(cad.Last(), "TextString").AsText(), "8");
    EXPECT_EQ(cad.Count(), before + 2);
}

TEST_F(InsertCommand, PointScaleAndRotationPlaceTheEntities) {
    InsertFragment(Write("TARSEL_3.dxf", Fragment()), "100,200 2 90");
    const ObjectRef text = cad.Last();
    // (1500, 1000) doubled and turned a quarter about the origin, then moved to (100, 200).
    const std::vector<double> at = Point(text, "TextAlignmentPoint");
    EXPECT_NEAR(at[0], -1900, 1e-9);
    EXPECT_NEAR(at[1], 3200, 1e-9);
    EXPECT_EQ(Get(text, "Height").AsDouble(), 600);
    EXPECT_NEAR(Get(text, "Rotation").AsDouble(), 1.5707963267948966, 1e-15);
}

TEST_F(InsertCommand, AFileThatCannotBeReadAddsNothing) {
    cad.Circle(0, 0, 450);
    const int before = cad.Count();
    std::string truncated = Fragment();
    truncated.resize(truncated.find("1001"));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"missing", (dir_ / "TARSEL_9.dxf").string()},
        {"not a drawing", Write("TARSEL_2.dxf", "hello\r\n")},
        {"cut short", Write("TARSEL_5.dxf", truncated)},
    };
    for (const auto& [what, path] : files) {
        SCOPED_TRACE(what);
        InsertFragment(path);
        EXPECT_EQ(cad.Count(), before);
        EXPECT_TRUE(BlockNames().empty());
    }
    EXPECT_TRUE(Logged("Cannot insert \"" + files[0].second + "\""));
    EXPECT_EQ(Get(cad.Last(), "EntityName").AsText(), "AcDbCircle");
}

TEST_F(InsertCommand, ADefinitionInUseIsNotReplaced) {
    const std::string path = Write("TARSEL_4.dxf", Fragment());
    cad.Send("_-INSERT\r\"" + path + "\"\r0,0 1 1 0\r");  // a reference, not exploded
    ASSERT_EQ(Get(cad.Last(), "EntityName").AsText(), "AcDbBlockReference");
    EXPECT_EQ(Get(cad.Last(), "Name").AsText(), "TARSEL_4");
    const int before = cad.Count();

    InsertFragment(Write("TARSEL_4.dxf", Fragment("9")));
    EXPECT_EQ(cad.Count(), before);
    EXPECT_TRUE(Logged("Block \"TARSEL_4\" is in use and is not redefined."));
}

// The area table's call: (command "_-INSERT" name "S" 1 "R" 0) leaves the insertion point
// to the user.
TEST_F(InsertCommand, BlockNameFormTakesTheUsersPoint) {
    const ObjectRef block =
        Call(GetObject(cad.doc, "Blocks"), "Add", {P(0, 0), Variant("Tarsel_1")}).AsObject();
    (void)Call(block, "AddLine", {P(0, 0), P(100, 0)});
    const std::string lisp = "(command \"_-INSERT\" \"Tarsel_1\" \"S\" 1 \"R\" 0)(princ)\r";

    cad.input->Push(Answer::MakePoint(5000, 6000));
    cad.Send(lisp);
    const ObjectRef ref = cad.Last();
    ASSERT_EQ(Get(ref, "EntityName").AsText(), "AcDbBlockReference");
    EXPECT_EQ(Get(ref, "Name").AsText(), "Tarsel_1");
    EXPECT_EQ(Point(ref, "InsertionPoint"), (std::vector<double>{5000, 6000, 0}));
    EXPECT_EQ(Get(ref, "XScaleFactor").AsDouble(), 1);
    EXPECT_EQ(Get(ref, "Rotation").AsDouble(), 0);

    const int before = cad.Count();
    cad.Send(lisp);  // nobody answers: Escape
    EXPECT_EQ(cad.Count(), before);
}

}  // namespace
}  // namespace tarsel::minicad::testing
