// Blocks nested in blocks: extents, picks, selection and pictures do work in proportion to
// the drawing's own size, however many entities its references multiply out to, and end on
// chains deeper than any stack and on blocks that (through the automation) hold each other.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "minicad/document.h"
#include "minicad/dxf.h"
#include "minicad/dxf_group_drawing.h"
#include "minicad/entity_geometry.h"
#include "minicad/selection.h"
#include "minicad/svg_render.h"

namespace tarsel::minicad {
namespace {

Entity Line(const Point3& a, const Point3& b) {
    Entity e;
    e.data = LineData{a, b};
    return e;
}

Entity Ref(const std::string& block, const Point3& at, double scaleX = 1, double scaleY = 1,
           double rotation = 0, const Point3& extrusion = {0, 0, 1}) {
    Entity e;
    e.data = InsertData{block, at, scaleX, scaleY, 1, rotation, extrusion};
    return e;
}

std::string Name(const char* prefix, std::size_t i) {
    return prefix + std::to_string(i);
}

// Blocks F0..F(levels-1), each inserting the next fanOut times at its own origin; the last
// holds the line (0,0)-(1,1). Model space inserts F0 at `at`: fanOut^(levels-1) lines, all
// on one place, so that no box tells them apart.
Drawing FanOut(std::size_t levels, std::size_t fanOut, const Point3& at) {
    Drawing d;
    for (std::size_t level = 0; level < levels; ++level) {
        Block b{Name("F", level), {}, {}};
        if (level + 1 == levels) {
            b.entities.push_back(Line({0, 0, 0}, {1, 1, 0}));
        } else {
            for (std::size_t copy = 0; copy < fanOut; ++copy)
                b.entities.push_back(Ref(Name("F", level + 1), {}));
        }
        d.blocks.push_back(std::move(b));
    }
    d.entities.push_back(Ref("F0", at));
    return d;
}

// C0 inserts C1 at (1,0), C1 inserts C2 at (1,0), ...; the last holds the line (0,0)-(1,1).
Drawing Chain(std::size_t length) {
    Drawing d;
    d.blocks.reserve(length);
    for (std::size_t i = 0; i + 1 < length; ++i)
        d.blocks.push_back(Block{Name("C", i), {}, {Ref(Name("C", i + 1), {1, 0, 0})}});
    d.blocks.push_back(Block{Name("C", length - 1), {}, {Line({0, 0, 0}, {1, 1, 0})}});
    d.entities.push_back(Ref("C0", {}));
    return d;
}

void ExpectExtents(const Document& doc, const Point3& min, const Point3& max) {
    const Extents ext = doc.ComputeExtents();
    EXPECT_NEAR(ext.min.x, min.x, 1e-9);
    EXPECT_NEAR(ext.min.y, min.y, 1e-9);
    EXPECT_NEAR(ext.max.x, max.x, 1e-9);
    EXPECT_NEAR(ext.max.y, max.y, 1e-9);
}

TEST(NestedBlocks, AReferenceIsBoxedByItsBlocksBoxPlaced) {
    // LEAF: (0,0)-(2,0). MID: LEAF turned a right angle and scaled by 3 at (10,0), giving
    // (10,0)-(10,6), and LEAF mirrored in x at the origin, giving (0,0)-(-2,0); MID's box
    // is (-2,0)-(10,6).
    struct Case {
        const char* what;
        Entity ref;
        Box box;
    };
    const double halfTurn = 3.141592653589793;
    const Case cases[] = {
        {"plain", Ref("MID", {100, 200, 0}), {98, 200, 110, 206}},
        {"half turn at half scale",
         Ref("MID", {100, 200, 0}, 0.5, 0.5, halfTurn),
         {95, 197, 101, 200}},
        {"seen from below", Ref("MID", {100, 200, 0}, 1, 1, 0, {0, 0, -1}), {-110, 200, -98, 206}},
        {"mirrored in y, stretched in x", Ref("MID", {0, 0, 0}, 2, -1), {-4, -6, 20, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Drawing d;
        d.blocks.push_back(Block{"LEAF", {}, {Line({0, 0, 0}, {2, 0, 0})}});
        d.blocks.push_back(
            Block{"MID",
                  {},
                  {Ref("leaf", {10, 0, 0}, 3, 3, halfTurn / 2), Ref("LEAF", {0, 0, 0}, -1, 1)}});
        d.entities.push_back(c.ref);
        const Document doc(std::move(d));
        ExpectExtents(doc, {c.box.minX, c.box.minY, 0}, {c.box.maxX, c.box.maxY, 0});
    }
}

// The drawing of a few kilobytes that would show 8^15 lines: it opens, measures, answers
// picks and windows and saves as quickly as its size allows.
TEST(NestedBlocks, AnEightFoldFanOutSixteenDeepIsMeasuredOnceAndSaved) {
    Drawing built = FanOut(16, 8, {1000, 1000, 0});
    const Point3 parcel[] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
    for (int i = 0; i < 4; ++i) built.entities.push_back(Line(parcel[i], parcel[(i + 1) % 4]));
    const std::string file = WriteDxf(Document(std::move(built)).drawing());
    const Document doc(ReadDxf(file, "fanout.dxf"));
    ASSERT_EQ(doc.drawing().blocks.size(), 16u);
    ExpectExtents(doc, {0, 0, 0}, {1001, 1001, 0});

    const std::int64_t ref = doc.Entities()[0].id;
    EXPECT_EQ(FindEntityAt(doc, {1000.5, 1000.5, 0}, {}), ref);
    EXPECT_EQ(FindEntityAt(doc, {50, 50, 0}, {}), std::nullopt);
    EXPECT_EQ(SelectCrossing(doc, {999, 999, 0}, {1000.5, 1000.2, 0}, {}),
              std::vector<std::int64_t>{ref});
    EXPECT_EQ(SelectInside(doc, {500, 500, 0}, {2000, 2000, 0}, {}),
              std::vector<std::int64_t>{ref});
    EXPECT_EQ(SelectInside(doc, {500, 500, 0}, {1000.5, 2000, 0}, {}), std::vector<std::int64_t>{});

    const Drawing again = ReadDxf(WriteDxf(doc.drawing()), "again.dxf");
    EXPECT_EQ(again.blocks.size(), 16u);
    EXPECT_EQ(again.entities.size(), 5u);
}

// Deeper than any stack would hold if each level were a call. Built in memory: reading
// such a file is the reader's own concern.
TEST(NestedBlocks, AChainFortyThousandDeepIsMeasuredPickedAndDrawn) {
    constexpr std::size_t kLength = 40'000;
    const Document doc(Chain(kLength));
    ExpectExtents(doc, {kLength - 1.0, 0, 0}, {double(kLength), 1, 0});
    EXPECT_EQ(FindEntityAt(doc, {kLength - 0.5, 0.5, 0}, {}), doc.Entities()[0].id);
    EXPECT_EQ(FindEntityAt(doc, {kLength - 0.5, 5, 0}, {}), std::nullopt);

    const SvgPicture picture =
        RenderSvg(dxf::GroupDrawing::FromContent(WriteDxf(doc.drawing()), "chain.dxf"), {});
    std::string notes;
    for (const std::string& note : picture.notes) notes += note + "\n";
    EXPECT_NE(notes.find("nested deeper than 16 levels"), std::string::npos) << notes;
}

// The reader refuses a block that holds itself, but blocks built through the automation
// can hold each other: every walk still ends, and the reference shows what it holds first.
TEST(NestedBlocks, BlocksHoldingEachOtherEndEveryWalk) {
    Document doc;
    doc.AddBlock("A", {});
    doc.AddBlock("B", {});
    ASSERT_NE(doc.AddBlockEntity("A", Line({0, 0, 0}, {1, 0, 0})), 0);
    ASSERT_NE(doc.AddBlockEntity("A", Ref("B", {0, 10, 0})), 0);
    ASSERT_NE(doc.AddBlockEntity("B", Line({0, 0, 0}, {0, 1, 0})), 0);
    ASSERT_NE(doc.AddBlockEntity("B", Ref("A", {5, 0, 0})), 0);
    const std::int64_t ref = doc.AddEntity(Ref("A", {}));
    ExpectExtents(doc, {0, 0, 0}, {1, 11, 0});
    EXPECT_EQ(FindEntityAt(doc, {0.5, 0, 0}, {}), ref);
    EXPECT_EQ(SelectCrossing(doc, {-1, 5, 0}, {20, 6, 0}, {}), std::vector<std::int64_t>{});
    EXPECT_EQ(SelectCrossing(doc, {-1, -1, 0}, {20, 40, 0}, {}), std::vector<std::int64_t>{ref});
}

TEST(NestedBlocks, ExtentsFollowEveryChangeToADefinition) {
    Document doc;
    doc.AddBlock("OUTER", {});
    ASSERT_NE(doc.AddBlockEntity("OUTER", Ref("inner", {100, 0, 0})), 0);
    doc.AddEntity(Ref("OUTER", {}));
    EXPECT_TRUE(doc.ComputeExtents().IsEmpty());  // INNER is not defined yet

    doc.AddBlock("INNER", {});
    const std::int64_t line = doc.AddBlockEntity("INNER", Line({0, 0, 0}, {1, 2, 0}));
    ExpectExtents(doc, {100, 0, 0}, {101, 2, 0});

    ASSERT_TRUE(doc.ModifyEntity(line, [](Entity& e) { e.data = LineData{{0, 0, 0}, {3, 4, 0}}; }));
    ExpectExtents(doc, {100, 0, 0}, {103, 4, 0});

    const std::int64_t far = doc.AddBlockEntity("INNER", Line({-50, 0, 0}, {-50, 0, 0}));
    ExpectExtents(doc, {50, 0, 0}, {103, 4, 0});
    ASSERT_TRUE(doc.EraseEntity(far));
    ExpectExtents(doc, {100, 0, 0}, {103, 4, 0});

    // Opening another drawing forgets every box of the one before.
    doc.Reset(FanOut(3, 2, {7, 7, 0}));
    ExpectExtents(doc, {7, 7, 0}, {8, 8, 0});
}

}  // namespace
}  // namespace tarsel::minicad
