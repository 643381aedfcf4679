// Selection sets (modes, filters, on-screen answers, select at point), the pick box of
// GetEntity, and the wildcard patterns filters use.
#include "minicad/selection.h"

#include <gtest/gtest.h>

#include "automation_fixture.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::CallWithOut;
using cadlink::FilterDataArray;
using cadlink::FilterTypeArray;
using cadlink::Get;

std::int32_t Count(const ObjectRef& ss) {
    return Get(ss, "Count").AsInt();
}

std::vector<std::string> Names(const ObjectRef& ss) {
    std::vector<std::string> out;
    for (int i = 0; i < Count(ss); ++i)
        out.push_back(
            Get(Call(ss, "Item", {Variant(std::int32_t{i})}).AsObject(), "EntityName").AsText());
    return out;
}

TEST(WildcardMatch, FollowsTheCadPatternRules) {
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"LINE", "*LINE", true},
        {"LWPOLYLINE", "*LINE", true},
        {"TEXT", "*LINE", false},
        {"CIRCLE", "TEXT,CIRCLE", true},
        {"ARC", "TEXT,CIRCLE", false},
        {"text", "TEXT", true},
        {"H_TEXT", "H_????", true},
        {"LAYER7", "LAYER#", true},
        {"LAYERX", "LAYER#", false},
        {"A1", "@#", true},
        {"A-B", "A.B", true},
        {"AXB", "A.B", false},
        {"B", "[ABC]", true},
        {"D", "[~ABC]", true},
        {"Q", "[A-M]", false},
        {"INSERT", "~*LINE", true},
        {"LINE", "~*LINE", false},
        {"A,B", "A`,B", true},
        {"番号", "番?", true},
        {"", "*", true},
        {"AB", "A", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " ~ " + c.pattern);
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match);
    }
}

struct Drawing3 : Cad {
    Drawing3() {
        Line(0, 0, 100, 0);
        Circle(50, 50, 10);
        Text("1", 200, 200, 5);
        (void)Call(modelSpace, "AddLightWeightPolyline",
                   {Variant::DoubleArray({300, 0, 400, 0, 400, 100})});
    }
};

TEST(MinicadSelection, AllAndLastWithTypeFilters) {
    Drawing3 cad;
    const ObjectRef ss = cad.NewSet();
    auto select = [&](std::int32_t mode, Variant ft, Variant fd) {
        (void)Call(ss, "Clear", {});
        (void)Call(ss, "Select", {Variant(mode), P(0, 0), P(0, 0), ft, fd});
        return Names(ss);
    };
    EXPECT_EQ(select(5, Variant(), Variant()).size(), 4u);
    EXPECT_EQ(select(5, Variant::Int16Array({}), Variant::VariantArray({})).size(), 4u);
    EXPECT_EQ(select(5, FilterTypeArray(0), FilterDataArray("TEXT,CIRCLE")),
              (std::vector<std::string>{"AcDbCircle", "AcDbText"}));
    EXPECT_EQ(select(5, FilterTypeArray(0), FilterDataArray("*LINE")),
              (std::vector<std::string>{"AcDbLine", "AcDbPolyline"}));
    EXPECT_EQ(select(4, Variant(), Variant()), std::vector<std::string>{"AcDbPolyline"});
    EXPECT_TRUE(select(4, FilterTypeArray(0), FilterDataArray("TEXT")).empty());
    // Filters on the layer combine with the type.
    EXPECT_EQ(
        select(5, Variant::Int16Array({0, 8}), Variant::VariantArray({Variant("*"), Variant("0")}))
            .size(),
        4u);
    EXPECT_TRUE(select(5, Variant::Int16Array({0, 8}),
                       Variant::VariantArray({Variant("*"), Variant("H_*")}))
                    .empty());

    // Selecting adds to what the set holds; Clear empties it.
    (void)Call(ss, "Select", {Variant(std::int32_t{4})});
    EXPECT_EQ(Count(ss), 1);

    Cad empty;
    const ObjectRef none = empty.NewSet();
    (void)Call(none, "Select", {Variant(std::int32_t{4}), P(0, 0), P(0, 0), Variant(), Variant()});
    EXPECT_EQ(Count(none), 0);
}

TEST(MinicadSelection, BadModesAndFiltersAreRefused) {
    Drawing3 cad;
    const ObjectRef ss = cad.NewSet();
    EXPECT_EQ(ErrorOf([&] { (void)Call(ss, "Select", {Variant(std::int32_t{2})}); }),
              hresult::kInvalidArg);
    EXPECT_EQ(ErrorOf([&] {
                  (void)Call(ss, "Select",
                             {Variant(std::int32_t{5}), Variant(), Variant(),
                              Variant::Int16Array({0, 8}), FilterDataArray("TEXT")});
              }),
              hresult::kInvalidArg);
    EXPECT_EQ(ErrorOf([&] {
                  (void)Call(ss, "Select",
                             {Variant(std::int32_t{5}), Variant(), Variant(), FilterTypeArray(62),
                              Variant::VariantArray({Variant(std::int16_t{1})})});
              }),
              hresult::kInvalidArg);
    EXPECT_EQ(ErrorOf([&] {
                  (void)Call(ss, "Select",
                             {Variant(std::int32_t{5}), Variant(), Variant(), FilterTypeArray(0),
                              Variant()});
              }),
              hresult::kInvalidArg);
    EXPECT_EQ(ErrorOf([&] {
                  (void)Call(ss, "Select", {Variant(std::int32_t{1}), P(0, 0)});
              }),
              hresult::kTypeMismatch);  // a crossing window needs both corners
}

TEST(MinicadSelection, CrossingWindowTakesWhatItTouches) {
    Cad cad;
    const ObjectRef ss = cad.NewSet();
    auto crossing = [&](double x1, double y1, double x2, double y2, const char* type) {
        (void)Call(ss, "Clear", {});
        (void)Call(ss, "Select",
                   {Variant(std::int32_t{1}), P(x1, y1), P(x2, y2), FilterTypeArray(0),
                    FilterDataArray(type)});
        return Count(ss);
    };
    // A side label as the side writer places it: bottom centre on the side's midpoint. Its
    // duplicate probes are windows flat as a line, half a text height off the side.
    const ObjectRef label = cad.Text("12.35", 500, 0, 300);
    Put(label, "Alignment", Variant(std::int32_t{13}));
    Put(label, "TextAlignmentPoint", P(500, 0));
    EXPECT_EQ(crossing(200, 150, 800, 150, "TEXT"), 1);
    EXPECT_EQ(crossing(200, -150, 800, -150, "TEXT"), 0);
    EXPECT_EQ(crossing(1100, 0, 1200, 300, "TEXT"), 0);  // past its last character

    cad.Line(0, 1000, 100, 1100);
    EXPECT_EQ(crossing(40, 1000, 60, 1200, "LINE"), 1);  // crosses, both ends outside
    EXPECT_EQ(crossing(60, 1000, 80, 1040, "LINE"), 0);

    cad.Circle(0, 2000, 100);
    EXPECT_EQ(crossing(-200, 1800, 200, 2200, "CIRCLE"), 1);  // wholly inside the window
    EXPECT_EQ(crossing(-10, 1990, 10, 2010, "CIRCLE"), 0);    // window inside the circle
    EXPECT_EQ(crossing(90, 1990, 110, 2010, "CIRCLE"), 1);

    (void)Call(cad.modelSpace, "AddArc",
               {P(0, 3000), Variant(100.0), Variant(0.0), Variant(geometry::kPi / 2)});
    EXPECT_EQ(crossing(-110, 2990, -90, 3010, "ARC"), 0);  // on the circle, not on the arc
    EXPECT_EQ(crossing(-10, 3090, 10, 3110, "ARC"), 1);
}

TEST(MinicadSelection, OnScreenAnswersAndThePreviousSelection) {
    Drawing3 cad;
    const ObjectRef ss = cad.NewSet();
    auto onScreen = [&](Answer a, Variant ft = Variant(), Variant fd = Variant()) {
        (void)Call(ss, "Clear", {});
        cad.input->Push(std::move(a));
        (void)Call(ss, "SelectOnScreen", {ft, fd});
        return Names(ss);
    };
    EXPECT_EQ(onScreen(Answer::MakeWindow(-10, -10, 60, 60), FilterTypeArray(0),
                       FilterDataArray("TEXT,CIRCLE")),
              std::vector<std::string>{"AcDbCircle"});
    EXPECT_EQ(onScreen(Answer::MakeAll(), FilterTypeArray(0), FilterDataArray("TEXT")),
              std::vector<std::string>{"AcDbText"});
    EXPECT_EQ(onScreen(Answer::MakePick(50, 0.2)), std::vector<std::string>{"AcDbLine"});
    EXPECT_EQ(cad.app->document().PreviousSelection().size(), 1u);
    EXPECT_EQ(cad.app->document().PreviousSelection()[0],
              Get(Call(ss, "Item", {Variant(std::int32_t{0})}).AsObject(), "ObjectID").AsInt64());
    EXPECT_EQ(ErrorOf([&] { onScreen(Answer::MakeCancel()); }), hresult::kException);
    EXPECT_EQ(ErrorOf([&] { (void)Call(ss, "SelectOnScreen", {}); }),
              hresult::kException);  // no answer left
}

TEST(MinicadSelection, SelectAtPointFindsTheNearestEntityUnderThePickBox) {
    Cad cad;
    const ObjectRef ss = cad.NewSet();
    cad.Line(0, 0, 100, 0);
    const ObjectRef near = cad.Line(0, 0.3, 100, 0.3);
    cad.Text("5", 50, -0.5, 1);
    auto at = [&](double x, double y, const char* type) {
        (void)Call(ss, "Clear", {});
        (void)Call(ss, "SelectAtPoint", {P(x, y), FilterTypeArray(0), FilterDataArray(type)});
        return Count(ss);
    };
    EXPECT_EQ(at(50, 0.25, "*LINE"), 1);
    EXPECT_EQ(Get(Call(ss, "Item", {Variant(std::int32_t{0})}).AsObject(), "ObjectID"),
              Get(near, "ObjectID"));
    EXPECT_EQ(at(50, 50, "*LINE"), 0);
    EXPECT_EQ(at(50.2, -0.2, "TEXT"), 1);  // inside the text's outline
}

TEST(MinicadPick, GetEntityTakesTheNearestAndThePickBoxFollowsTheView) {
    Cad cad;
    const ObjectRef upper = cad.Line(0, 1, 100, 1);
    const ObjectRef lower = cad.Line(0, -1, 100, -1);
    auto pick = [&](double x, double y) -> std::optional<std::int64_t> {
        cad.input->Push(Answer::MakePick(x, y));
        std::vector<Variant> out{Variant(), Variant()};
        if (ErrorOf([&] { (void)CallWithOut(cad.utility, "GetEntity", out); }) != 0)
            return std::nullopt;
        return Get(out[0].AsObject(), "ObjectID").AsInt64();
    };
    EXPECT_EQ(pick(50, 0), Get(lower, "ObjectID").AsInt64());  // a tie goes to the one on top
    // The pick box is a few pixels of the current view: 3 of 800 at VIEWSIZE.
    Document& doc = cad.app->document();
    EXPECT_DOUBLE_EQ(PickBoxHalfSize(doc), 3.0 * doc.drawing().variables.viewsize / 800.0);
    EXPECT_FALSE(pick(50, 5).has_value());
    doc.SetViewSize(2000);  // zoomed out: 7.5 units, both lines under the box
    EXPECT_EQ(pick(50, 5), Get(upper, "ObjectID").AsInt64());
    EXPECT_EQ(pick(50, -0.5), Get(lower, "ObjectID").AsInt64());

    // A bulged polyline segment is picked on its arc, not on its chord.
    const ObjectRef pl =
        Call(cad.modelSpace, "AddLightWeightPolyline", {Variant::DoubleArray({1000, 0, 1100, 0})})
            .AsObject();
    (void)Call(pl, "SetBulge", {Variant(std::int32_t{0}), Variant(1.0)});  // a half circle below
    doc.SetViewSize(297);
    EXPECT_EQ(pick(1050, -50), Get(pl, "ObjectID").AsInt64());
    EXPECT_FALSE(pick(1050, 0.5).has_value());
}

}  // namespace
}  // namespace tarsel::minicad::testing
