// The drawing-service helpers against minicad: their numbering and upper-casing rules, the
// failures they swallow and the settings they put back.
#include "cadlink/drawing_services.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/minicad_fixture.h"

namespace tarsel::cadlink {
namespace {

using geometry::TAcadPoint;

class DrawingServices : public testing::MinicadFixture {
protected:
    ObjectRef d = docObject();
    std::size_t LiveSelectionSets() {
        std::size_t n = 0;
        for (const auto& s : doc().SelectionSets()) n += s->deleted ? 0 : 1;
        return n;
    }
};

TEST(PointVariants, R8OfThreeOutAndEitherArrayKindIn) {
    const Variant v = PointToVariant({1.5, -2, 3});
    ASSERT_TRUE(v.IsArray());
    EXPECT_EQ(v.AsArray().kind, ArrayKind::Double);
    EXPECT_EQ(v.AsArray().lowerBound, 0);
    EXPECT_EQ(v.AsArray().UpperBound(), 2);
    EXPECT_EQ(VariantToPoint(v), (TAcadPoint{1.5, -2, 3}));
    EXPECT_EQ(VariantToPoint(Variant::VariantArray({Variant(std::int16_t{4}), Variant(5.5)})),
              (TAcadPoint{4, 5.5, 0}));
    for (const Variant& bad : {Variant(), Variant(1.0), Variant::DoubleArray({1}),
                               Variant::Int16Array({1, 2, 3}), Variant::DoubleArray({1, 2, 3, 4}),
                               Variant::VariantArray({Variant("x"), Variant(1.0)})}) {
        EXPECT_THROW((void)VariantToPoint(bad), AutomationError) << Describe(bad);
    }
}

TEST_F(DrawingServices, EnsureLayerMatchesAnyCaseAndAddsTheNameAsGiven) {
    doc().AddLayer("h_text");
    EXPECT_TRUE(EnsureLayer(d, "H_TEXT", false));
    EXPECT_EQ(doc().drawing().layers.size(), 2u);
    EXPECT_FALSE(EnsureLayer(d, "H_Hen", true));
    ASSERT_NE(doc().FindLayer("H_HEN"), nullptr);
    EXPECT_EQ(doc().FindLayer("H_HEN")->name, "H_Hen");
    EXPECT_EQ(doc().GetVariable("CLAYER")->AsText(), "H_Hen");
    EXPECT_TRUE(EnsureLayer(d, "h_text", true));
    EXPECT_EQ(doc().GetVariable("CLAYER")->AsText(), "h_text");
}

TEST_F(DrawingServices, BlockNumbersGrowPastTheLargestInAnyCase) {
    EXPECT_EQ(NextBlockName(d, "TARSEL_"), "TARSEL_1");
    doc().AddBlock("tarsel_3", {});
    doc().AddBlock("TARSEL_x", {});
    doc().AddBlock("Other_9", {});
    EXPECT_EQ(NextBlockName(d, "TARSEL_"), "TARSEL_4");
    EXPECT_EQ(doc().drawing().blocks.size(), 3u);  // NextBlockName creates nothing

    const NumberedBlock b = NewNumberedBlock(d, "Tarsel_");
    EXPECT_EQ(b.name, "Tarsel_4");
    ASSERT_NE(doc().FindBlock("Tarsel_4"), nullptr);
    EXPECT_EQ(NextBlockName(d, "Tarsel_"), "Tarsel_5");

    EXPECT_TRUE(DeleteBlock(d, "TARSEL_4"));
    EXPECT_EQ(doc().FindBlock("Tarsel_4"), nullptr);
    EXPECT_FALSE(DeleteBlock(d, "TARSEL_4"));
}

TEST_F(DrawingServices, DeleteBlockSwallowsTheRefusalOfAReferencedBlock) {
    doc().AddBlock("TARSEL_1", {});
    minicad::Entity ref;
    ref.data = minicad::InsertData{"TARSEL_1", {10, 20, 0}};
    doc().AddEntity(ref);
    EXPECT_FALSE(DeleteBlock(d, "tarsel_1"));
    EXPECT_NE(doc().FindBlock("TARSEL_1"), nullptr);
}

TEST_F(DrawingServices, TempSelectionSetsNumberPastTheLargest) {
    Call(GetObject(d, "SelectionSets"), "Add", {Variant("SSTEMP_9")});
    Call(GetObject(d, "SelectionSets"), "Add", {Variant("OTHER_20")});
    const ObjectRef set = NewTempSelectionSet(d);
    EXPECT_EQ(Get(set, "Name").AsText(), "SSTEMP_10");
}

TEST_F(DrawingServices, LastEntityAndExplodeLeaveNoSelectionSetBehind) {
    EXPECT_EQ(LastEntityObjectID(d), 0);
    const std::int64_t line = AddLine(0, 0, 1, 1);
    EXPECT_EQ(LastEntityObjectID(d), line);
    EXPECT_EQ(ExplodeLastInsert(d, "B"), std::nullopt);  // a line

    minicad::Entity text;
    text.data = minicad::TextData{"in block", {1, 2, 0}, {}, 2.5, 0, minicad::TextAlignment::Left,
                                  "Standard"};
    doc().AddBlock("B", {});
    doc().AddBlockEntity("B", text);
    minicad::Entity ref;
    ref.data = minicad::InsertData{"B", {100, 200, 0}};
    doc().AddEntity(ref);
    EXPECT_EQ(ExplodeLastInsert(d, "b"), std::nullopt);  // exact comparison
    EXPECT_EQ(ExplodeLastInsert(d, "OtherBlock"), std::nullopt);

    const auto at = ExplodeLastInsert(d, "B");
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(*at, (TAcadPoint{100, 200, 0}));
    EXPECT_FALSE(doc().IsBlockReferenced("B"));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_DOUBLE_EQ(TextOf(Texts()[0]).insertion.x, 101);
    EXPECT_EQ(LiveSelectionSets(), 0u);
}

TEST_F(DrawingServices, LastEntityIsZeroWhenTheCadFails) {
    AddLine(0, 0, 1, 1);
    cad->FailCall("Select", 1, hresult::kFail, "broken");
    EXPECT_EQ(LastEntityObjectID(d), 0);
    EXPECT_EQ(LiveSelectionSets(), 0u);
}

TEST_F(DrawingServices, StateCallFollowsTheProgId) {
    const std::pair<const char*, const char*> cases[] = {
        {"BricscadApp.AcadApplication", "GetAcadState"},
        {"GCAD.Application.23", "GetGcadState"},
        {"Gcad.Application.24", "GetAcadState"},
        {"GCAD.Application", "GetGcadState"},  // no version: 0
        {"ZWCAD.Application", "GetZcadState"},
        {"zwcad.application.2024", "GetZcadState"},
        {"AutoCAD.Application.24", "GetAcadState"},
    };
    for (const auto& [progId, member] : cases) EXPECT_EQ(CadStateMember(progId), member) << progId;
}

TEST_F(DrawingServices, WaitForCadIdlePollsUntilQuiescent) {
    cad->SetBusyPolls(3);
    session().CadApp = cad->Object();
    commands::WaitForCadIdle(session(), 200);
    EXPECT_EQ(cad->QuiescentPolls(), 4);
    EXPECT_EQ(desktop.clockMs, 200u * 5);
    EXPECT_EQ(cad->CallCount("GetAcadState"), 4);
}

TEST_F(DrawingServices, PickedPolylineSegmentTakesTheNearestFootOnASegment) {
    AddLine(-50000, -50000, 50000, 50000);  // extents large enough for every pick below
    const auto poly = [&](std::vector<std::pair<double, double>> v, bool closed) {
        return Call(d, "ObjectIdToObject", {Variant(AddPolyline(std::move(v), closed))}).AsObject();
    };
    const ObjectRef two = poly({{0, 0}, {1000, 0}}, false);
    EXPECT_EQ(PickedPolylineSegment(d, two, {500, 10, 0}), std::nullopt);

    const ObjectRef open = poly({{0, 0}, {1000, 0}, {1000, 1000}}, false);
    auto s = PickedPolylineSegment(d, open, {990, 500, 0});
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->p1, (TAcadPoint{1000, 0, 0}));
    EXPECT_EQ(s->p2, (TAcadPoint{1000, 1000, 0}));
    EXPECT_EQ(s->foot, (TAcadPoint{1000, 500, 0}));
    // The closing segment counts only when the polyline is closed.
    EXPECT_EQ(PickedPolylineSegment(d, open, {450, 600, 0})->p1, (TAcadPoint{1000, 0, 0}));
    const ObjectRef closed = poly({{0, 0}, {1000, 0}, {1000, 1000}}, true);
    s = PickedPolylineSegment(d, closed, {450, 600, 0});
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->p1, (TAcadPoint{0, 0, 0}));
    EXPECT_EQ(s->p2, (TAcadPoint{1000, 1000, 0}));
}

TEST_F(DrawingServices, PickBeyondTheExtentsDiagonalFindsNothing) {
    const std::int64_t id = AddPolyline({{0, 0}, {1000, 0}, {1000, 1000}}, false);
    const ObjectRef p = Call(d, "ObjectIdToObject", {Variant(id)}).AsObject();
    EXPECT_EQ(PickedPolylineSegment(d, p, {500, 5000, 0}), std::nullopt);
}

TEST_F(DrawingServices, ReadAngleSettingsPutsAunitsBackEvenWhenAReadFails) {
    ASSERT_EQ(doc().SetVariable("AUNITS", Variant(std::int32_t{3})), minicad::VariableError::None);
    ASSERT_EQ(doc().SetVariable("ANGBASE", Variant(90.0)), minicad::VariableError::None);
    ASSERT_EQ(doc().SetVariable("ANGDIR", Variant(std::int32_t{1})), minicad::VariableError::None);
    const AngleSettings a = ReadAngleSettings(d);
    EXPECT_DOUBLE_EQ(a.angleBase, geometry::kHalfPi);
    EXPECT_EQ(a.angleDirection, 1);
    EXPECT_EQ(doc().GetVariable("AUNITS")->AsInt(), 3);

    cad->FailCall("GetVariable", 2, hresult::kFail, "broken");  // the ANGBASE read
    EXPECT_THROW((void)ReadAngleSettings(d), AutomationError);
    EXPECT_EQ(doc().GetVariable("AUNITS")->AsInt(), 3);
}

TEST_F(DrawingServices, SnapOffScopeRestoresHoweverItEnds) {
    ASSERT_EQ(doc().SetVariable("SNAPMODE", Variant(std::int32_t{1})),
              minicad::VariableError::None);
    {
        SnapOffScope scope(d);
        EXPECT_EQ(doc().GetVariable("SNAPMODE")->AsInt(), 0);
    }
    EXPECT_EQ(doc().GetVariable("SNAPMODE")->AsInt(), 1);
    try {
        SnapOffScope scope(d);
        throw AutomationError("GetEntity", hresult::kException, "*Cancel*");
    } catch (const AutomationError&) {
    }
    EXPECT_EQ(doc().GetVariable("SNAPMODE")->AsInt(), 1);
}

}  // namespace
}  // namespace tarsel::cadlink
