// The document's own rules: ids, what opening a drawing repairs, the view after zooming to
// extents, block deletion, typed-in variable values.
#include "minicad/document.h"

#include <gtest/gtest.h>

namespace tarsel::minicad {
namespace {

Entity MakeLine(double x1, double y1, double x2, double y2, std::string layer = "") {
    Entity e;
    e.layer = std::move(layer);
    e.data = LineData{{x1, y1, 0}, {x2, y2, 0}};
    return e;
}

TEST(Document, IdsGrowAndAreNeverReused) {
    Document doc;
    EXPECT_EQ(doc.LastEntityId(), 0);
    const auto a = doc.AddEntity(MakeLine(0, 0, 1, 1));
    const auto b = doc.AddEntity(MakeLine(0, 0, 2, 2));
    EXPECT_GT(b, a);
    EXPECT_TRUE(doc.EraseEntity(b));
    EXPECT_EQ(doc.LastEntityId(), a);
    const auto c = doc.AddEntity(MakeLine(0, 0, 3, 3));
    EXPECT_GT(c, b);
    EXPECT_FALSE(doc.EraseEntity(b));
    EXPECT_EQ(doc.FindEntity(b), nullptr);
}

TEST(Document, OpeningRepairsWhatAFileMayLack) {
    Drawing d;
    d.layers.clear();  // not even layer 0
    d.appIds.clear();
    Entity e1 = MakeLine(0, 0, 1600, 0, "H_HEN");
    e1.id = 5;
    Entity e2 = MakeLine(0, 0, 0, 100, "");
    e2.id = 5;  // a duplicate id
    e2.xdata.push_back({"LT_TARSEL", {}});
    d.entities = {e1, e2};
    d.variables.clayer = "GONE";
    Document doc(std::move(d));
    const auto& ents = doc.Entities();
    ASSERT_EQ(ents.size(), 2u);
    EXPECT_LT(ents[0].id, ents[1].id);
    EXPECT_GT(doc.drawing().nextId, ents[1].id);
    EXPECT_NE(doc.FindLayer("0"), nullptr);
    EXPECT_NE(doc.FindLayer("h_hen"), nullptr);
    EXPECT_EQ(ents[1].layer, "0");
    EXPECT_TRUE(doc.IsAppRegistered("lt_tarsel"));
    EXPECT_TRUE(doc.IsAppRegistered("ACAD"));
    EXPECT_EQ(doc.drawing().variables.clayer, "0");
    // Zoomed to extents: 1600 wide and 100 high fills a view 1.6 times wider than high.
    EXPECT_DOUBLE_EQ(doc.drawing().variables.viewsize, 1000.0);
}

TEST(Document, ZoomExtentsFitsTheDrawingIntoTheView) {
    Document doc;
    doc.ZoomExtents();
    EXPECT_DOUBLE_EQ(doc.drawing().variables.viewsize, 297.0);  // nothing drawn yet
    doc.AddEntity(MakeLine(0, 0, 100, 500));
    doc.ZoomExtents();
    EXPECT_DOUBLE_EQ(doc.drawing().variables.viewsize, 500.0);
    Entity c;
    c.data = CircleData{{1000, 0, 0}, 50};
    doc.AddEntity(c);
    const Extents ext = doc.ComputeExtents();
    EXPECT_EQ(ext.min, (Point3{0, -50, 0}));
    EXPECT_EQ(ext.max, (Point3{1050, 500, 0}));
}

TEST(Document, ABlockReferencedAnywhereCannotBeDeleted) {
    Document doc;
    doc.AddBlock("INNER", {});
    doc.AddBlock("OUTER", {});
    Entity ref;
    ref.data = InsertData{"inner", {}, 1, 1, 1, 0};
    ASSERT_NE(doc.AddBlockEntity("OUTER", ref), 0);
    EXPECT_EQ(doc.DeleteBlock("INNER"), BlockDeleteResult::Referenced);
    EXPECT_EQ(doc.DeleteBlock("outer"), BlockDeleteResult::Deleted);
    EXPECT_EQ(doc.DeleteBlock("INNER"), BlockDeleteResult::Deleted);
    EXPECT_EQ(doc.DeleteBlock("INNER"), BlockDeleteResult::NotFound);
}

// Names are looked up through an index: it must follow every table change, and a file
// holding one name twice finds the first, as a scan from the front does.
TEST(Document, NamesAreFoundInAnyCaseAfterEveryTableChange) {
    Drawing d;
    d.layers = {Layer{"0"}, Layer{"Walls"}, Layer{"WALLS", 3}, Layer{"Roads"}};
    d.appIds = {"ACAD", "LT_Tarsel"};
    d.blocks = {Block{"Mark", {}, {}}, Block{"Pin", {}, {}}, Block{"Tree", {}, {}}};
    Document doc(std::move(d));
    ASSERT_NE(doc.FindLayer("walls"), nullptr);
    EXPECT_EQ(doc.FindLayer("walls")->color, 7);
    EXPECT_TRUE(doc.IsAppRegistered("lt_tarsel"));

    doc.AddEntity(MakeLine(0, 0, 1, 1, "Fence"));
    EXPECT_EQ(doc.drawing().layers.size(), 5u);
    EXPECT_EQ(doc.FindLayer("fence")->name, "Fence");
    EXPECT_TRUE(doc.DeleteLayer("ROADS"));
    EXPECT_EQ(doc.FindLayer("Roads"), nullptr);
    EXPECT_EQ(doc.FindLayer("FENCE")->name, "Fence");  // moved up a place

    EXPECT_EQ(doc.DeleteBlock("MARK"), BlockDeleteResult::Deleted);
    EXPECT_EQ(doc.FindBlock("mark"), nullptr);
    EXPECT_EQ(doc.FindBlock("tree")->name, "Tree");
    EXPECT_EQ(doc.AddBlock("MARK", {}).name, "MARK");
    EXPECT_EQ(doc.FindBlock("Mark")->name, "MARK");
    ASSERT_NE(doc.AddBlockEntity("pin", MakeLine(0, 0, 1, 1)), 0);
    EXPECT_EQ(doc.FindBlock("Pin")->entities.size(), 1u);

    doc.RegisterApp("lt_TARSEL");
    doc.RegisterApp("Other");
    EXPECT_EQ(doc.drawing().appIds, (std::vector<std::string>{"ACAD", "LT_Tarsel", "Other"}));
    EXPECT_TRUE(doc.IsAppRegistered("OTHER"));
}

TEST(Document, TypedVariableValuesAreCheckedBeforeSetting) {
    Document doc;
    cadlink::Variant v;
    EXPECT_EQ(doc.ParseVariableText("ANGBASE", "90", v), VariableError::None);
    EXPECT_EQ(doc.SetVariable("ANGBASE", v), VariableError::None);
    EXPECT_EQ(doc.GetVariable("angbase"), cadlink::Variant(90.0));
    EXPECT_EQ(doc.ParseVariableText("AUNITS", "1.5", v), VariableError::BadValue);
    EXPECT_EQ(doc.ParseVariableText("AUNITS", "x", v), VariableError::TypeMismatch);
    EXPECT_EQ(doc.ParseVariableText("LASTPOINT", "1,2", v), VariableError::None);
    EXPECT_EQ(v, cadlink::Variant::DoubleArray({1, 2, 0}));
    EXPECT_EQ(doc.ParseVariableText("EXTMAX", "1,2", v), VariableError::ReadOnly);
    EXPECT_EQ(doc.ParseVariableText("NOSUCH", "1", v), VariableError::UnknownName);
    EXPECT_EQ(doc.SetVariable("ANGBASE", cadlink::Variant(-90.0)), VariableError::None);
    EXPECT_EQ(doc.GetVariable("ANGBASE"), cadlink::Variant(270.0));
}

}  // namespace
}  // namespace tarsel::minicad
