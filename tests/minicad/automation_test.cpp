// minicad's members as the palette's commands call them: argument shapes, out parameters,
// the errors a COM server raises, fault injection.
#include <gtest/gtest.h>

#include <cmath>

#include "automation_fixture.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::CallWithOut;
using cadlink::Get;
using cadlink::GetObject;
using cadlink::Put;

Point3 ToPoint(const Variant& v) {
    const auto& a = v.AsArray();
    EXPECT_EQ(a.kind, cadlink::ArrayKind::Double);
    EXPECT_EQ(a.lowerBound, 0);
    EXPECT_EQ(a.UpperBound(), 2);
    return {a.items[0].AsDouble(), a.items[1].AsDouble(), a.items[2].AsDouble()};
}

void ExpectNear(const Point3& a, const Point3& b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST(MinicadApplication, WindowDocumentAndQuiescence) {
    Cad cad;
    const Variant hwnd = Get(cad.application, "HWND");
    EXPECT_NE(hwnd.AsInt64(), 0);
    EXPECT_EQ(Get(cad.application, "hwnd"), hwnd);  // member names ignore case
    EXPECT_EQ(hwnd.AsInt64(), cad.app->Hwnd());
    for (const char* member : {"GetAcadState", "GetGcadState", "GetZcadState"}) {
        SCOPED_TRACE(member);
        EXPECT_TRUE(Get(Call(cad.application, member, {}).AsObject(), "IsQuiescent").AsBool());
    }
    cad.app->SetBusyPolls(2);
    const ObjectRef state = Call(cad.application, "GetAcadState", {}).AsObject();
    EXPECT_FALSE(Get(state, "IsQuiescent").AsBool());
    EXPECT_FALSE(Get(state, "IsQuiescent").AsBool());
    EXPECT_TRUE(Get(state, "IsQuiescent").AsBool());
    EXPECT_EQ(cad.app->QuiescentPolls(), 6);
}

TEST(MinicadApplication, ErrorsAreTheOnesACOMServerRaises) {
    Cad cad;
    const ObjectRef line = cad.Line(0, 0, 1, 1);
    struct Case {
        const char* what;
        std::function<void()> call;
        std::int32_t code;
    };
    const std::vector<Case> cases = {
        {"unknown member", [&] { (void)Get(cad.doc, "NoSuchMember"); }, hresult::kUnknownName},
        {"too few arguments", [&] { (void)Call(cad.modelSpace, "AddLine", {P(0, 0)}); },
         hresult::kBadParamCount},
        {"text for a point",
         [&] {
             (void)Call(cad.modelSpace, "AddLine", {Variant("0,0"), P(1, 1)});
         },
         hresult::kTypeMismatch},
        {"two coordinates for a point",
         [&] {
             (void)Call(cad.modelSpace, "AddLine", {Variant::DoubleArray({0, 0}), P(1, 1)});
         },
         hresult::kTypeMismatch},
        {"put on a read-only property", [&] { Put(line, "ObjectID", Variant(std::int64_t{5})); },
         kMemberNotFound},
        {"unknown system variable",
         [&] { (void)Call(cad.doc, "GetVariable", {Variant("NOSUCH")}); }, hresult::kInvalidArg},
        {"text for a numeric variable",
         [&] {
             (void)Call(cad.doc, "SetVariable", {Variant("AUNITS"), Variant("3")});
         },
         hresult::kTypeMismatch},
        {"variable out of range",
         [&] {
             (void)Call(cad.doc, "SetVariable", {Variant("AUNITS"), Variant(std::int16_t{7})});
         },
         hresult::kInvalidArg},
        {"current layer the drawing lacks",
         [&] {
             (void)Call(cad.doc, "SetVariable", {Variant("CLAYER"), Variant("MISSING")});
         },
         hresult::kInvalidArg},
        {"read-only variable",
         [&] {
             (void)Call(cad.doc, "SetVariable", {Variant("EXTMIN"), P(0, 0)});
         },
         hresult::kInvalidArg},
        {"layer the drawing lacks", [&] { Put(line, "Layer", Variant("MISSING")); },
         hresult::kInvalidArg},
        {"line break in a text",
         [&] {
             (void)Call(cad.modelSpace, "AddText", {Variant("a\nb"), P(0, 0), Variant(1.0)});
         },
         hresult::kInvalidArg},
        {"zero radius",
         [&] {
             (void)Call(cad.modelSpace, "AddCircle", {P(0, 0), Variant(0.0)});
         },
         hresult::kInvalidArg},
        {"no such object id",
         [&] { (void)Call(cad.doc, "ObjectIdToObject", {Variant(std::int64_t{999})}); },
         hresult::kFail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ErrorOf(c.call), c.code);
    }
    try {
        (void)Get(cad.doc, "NoSuchMember");
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.member(), "NoSuchMember");
    }
}

TEST(MinicadApplication, SystemVariablesHaveMetricDefaultsAndTheirTypes) {
    Cad cad;
    auto var = [&](const char* name) { return Call(cad.doc, "GetVariable", {Variant(name)}); };
    EXPECT_EQ(var("AUNITS"), Variant(std::int16_t{0}));
    EXPECT_EQ(var("ANGBASE"), Variant(0.0));
    EXPECT_EQ(var("angdir"), Variant(std::int16_t{0}));
    EXPECT_EQ(var("SNAPMODE"), Variant(std::int16_t{0}));
    EXPECT_EQ(var("CLAYER"), Variant("0"));
    EXPECT_EQ(var("DIMASZ"), Variant(2.5));
    EXPECT_EQ(var("DIMSCALE"), Variant(1.0));
    EXPECT_EQ(var("DIMLDRBLK"), Variant(""));
    EXPECT_GT(var("VIEWSIZE").AsDouble(), 0);
    ExpectNear(ToPoint(var("LASTPOINT")), {0, 0, 0});

    auto set = [&](const char* name, Variant v) {
        (void)Call(cad.doc, "SetVariable", {Variant(name), v});
    };
    set("AUNITS", Variant(std::int32_t{3}));
    set("ANGBASE", Variant(90.0));
    set("DIMLDRBLK", Variant("_DOT"));
    EXPECT_EQ(var("AUNITS"), Variant(std::int16_t{3}));
    EXPECT_EQ(var("ANGBASE"), Variant(90.0));
    EXPECT_EQ(var("DIMLDRBLK"), Variant("_DOT"));
    set("DIMLDRBLK", Variant("."));  // the default arrow reads back empty
    EXPECT_EQ(var("DIMLDRBLK"), Variant(""));
    (void)Call(GetObject(cad.doc, "Layers"), "Add", {Variant("H_TEXT")});
    set("CLAYER", Variant("h_text"));
    EXPECT_EQ(var("CLAYER"), Variant("H_TEXT"));
    EXPECT_EQ(Get(cad.Line(0, 0, 1, 0), "Layer"), Variant("H_TEXT"));  // new entities go there

    cad.Line(0, 0, 100, 50);
    cad.Circle(200, 0, 10);
    ExpectNear(ToPoint(var("EXTMIN")), {0, -10, 0});
    ExpectNear(ToPoint(var("EXTMAX")), {210, 50, 0});
}

TEST(MinicadEntities, LineMembersIdsAndErase) {
    Cad cad;
    // Points may come as arrays of variants holding any numbers.
    const Variant start =
        Variant::VariantArray({Variant(std::int32_t{1}), Variant(2.0), Variant(std::int16_t{0})});
    const ObjectRef line = Call(cad.modelSpace, "AddLine", {start, P(4, 6)}).AsObject();
    EXPECT_EQ(Get(line, "EntityName"), Variant("AcDbLine"));
    EXPECT_EQ(Get(line, "Layer"), Variant("0"));
    ExpectNear(ToPoint(Get(line, "StartPoint")), {1, 2, 0});
    Put(line, "EndPoint", P(4, 6, 1));
    ExpectNear(ToPoint(Get(line, "EndPoint")), {4, 6, 1});
    EXPECT_DOUBLE_EQ(Get(line, "Length").AsDouble(), std::sqrt(9.0 + 16.0 + 1.0));

    const Variant id = Get(line, "ObjectID");
    EXPECT_EQ(id.type(), Variant::Type::Int64);
    const ObjectRef same = Call(cad.doc, "ObjectIdToObject", {id}).AsObject();
    EXPECT_EQ(Get(same, "ObjectID"), id);

    (void)Call(line, "Delete", {});
    EXPECT_EQ(ErrorOf([&] { (void)Get(same, "StartPoint"); }), hresult::kFail);
    EXPECT_EQ(ErrorOf([&] { (void)Call(cad.doc, "ObjectIdToObject", {id}); }), hresult::kFail);
    const ObjectRef next = cad.Line(0, 0, 1, 1);
    EXPECT_GT(Get(next, "ObjectID").AsInt64(), id.AsInt64());  // ids are never reused
    EXPECT_EQ(cad.app->document().LastEntityId(), Get(next, "ObjectID").AsInt64());
}

TEST(MinicadEntities, TextHangsOnItsAlignmentPointAndTurnsAboutIt) {
    Cad cad;
    const ObjectRef text = cad.Text("12.35", 500, 0, 300);
    EXPECT_EQ(Get(text, "EntityName"), Variant("AcDbText"));
    EXPECT_EQ(Get(text, "Alignment"), Variant(std::int32_t{0}));
    // The order the side labels use: Rotation, Alignment, then the alignment point.
    Put(text, "Rotation", Variant(0.0));
    Put(text, "Alignment", Variant(std::int32_t{13}));
    Put(text, "TextAlignmentPoint", P(500, 0));
    ExpectNear(ToPoint(Get(text, "TextAlignmentPoint")), {500, 0, 0});
    const Point3 insertion = ToPoint(Get(text, "InsertionPoint"));
    EXPECT_LT(insertion.x, 500);  // bottom centre: the baseline starts left of the point
    EXPECT_DOUBLE_EQ(insertion.y, 0);

    // A half turn twice about the alignment point brings it back; the point stays put.
    for (int i = 0; i < 2; ++i) {
        (void)Call(text, "Rotate", {P(500, 0), Variant(geometry::kPi)});
        ExpectNear(ToPoint(Get(text, "TextAlignmentPoint")), {500, 0, 0}, 1e-9);
    }
    ExpectNear(ToPoint(Get(text, "InsertionPoint")), insertion, 1e-9);
    EXPECT_NEAR(std::fmod(Get(text, "Rotation").AsDouble(), 6.283185307179586), 0, 1e-12);

    EXPECT_EQ(ErrorOf([&] { Put(text, "InsertionPoint", P(0, 0)); }), hresult::kFail);
    EXPECT_EQ(ErrorOf([&] { Put(text, "Alignment", Variant(std::int32_t{15})); }),
              hresult::kInvalidArg);
    Put(text, "TextString", Variant("番号"));
    EXPECT_EQ(Get(text, "TextString"), Variant("番号"));

    const ObjectRef left = cad.Text("7", 10, 20, 2.5);
    (void)Call(left, "Rotate", {P(0, 0), Variant(geometry::kPi / 2)});
    ExpectNear(ToPoint(Get(left, "InsertionPoint")), {-20, 10, 0}, 1e-9);
}

TEST(MinicadEntities, PolylineCircleArcAndLeaderMembers) {
    Cad cad;
    const ObjectRef pl = Call(cad.modelSpace, "AddLightWeightPolyline",
                              {Variant::DoubleArray({0, 0, 10, 0, 10, 10})})
                             .AsObject();
    EXPECT_EQ(Get(pl, "EntityName"), Variant("AcDbPolyline"));
    EXPECT_EQ(Get(pl, "Coordinates"), Variant::DoubleArray({0, 0, 10, 0, 10, 10}));
    EXPECT_FALSE(Get(pl, "Closed").AsBool());
    Put(pl, "Closed", Variant(true));
    EXPECT_TRUE(Get(pl, "Closed").AsBool());
    (void)Call(pl, "SetBulge", {Variant(std::int32_t{1}), Variant(1.0)});
    EXPECT_EQ(Call(pl, "GetBulge", {Variant(std::int32_t{1})}), Variant(1.0));
    Put(pl, "Coordinates", Variant::DoubleArray({0, 0, 5, 0, 5, 5, 0, 5}));
    EXPECT_EQ(Call(pl, "GetBulge", {Variant(std::int32_t{1})}), Variant(1.0));  // kept by index
    EXPECT_EQ(ErrorOf([&] {
                  Put(pl, "Coordinates", Variant::DoubleArray({0, 0, 5}));
              }),
              hresult::kInvalidArg);

    const ObjectRef circle = cad.Circle(1, 2, 3);
    EXPECT_EQ(Get(circle, "EntityName"), Variant("AcDbCircle"));
    ExpectNear(ToPoint(Get(circle, "Center")), {1, 2, 0});
    EXPECT_EQ(Get(circle, "Radius"), Variant(3.0));

    const ObjectRef arc = Call(cad.modelSpace, "AddArc",
                               {P(0, 0), Variant(10.0), Variant(0.0), Variant(geometry::kPi / 2)})
                              .AsObject();
    EXPECT_EQ(Get(arc, "EntityName"), Variant("AcDbArc"));
    ExpectNear(ToPoint(Get(arc, "EndPoint")), {0, 10, 0});

    Entity leader;
    leader.data = LeaderData{{{0, 0, 0}, {10, 5, 0}}, true, 2.5, ""};
    const auto id = cad.app->document().AddEntity(leader);
    const ObjectRef l = Call(cad.doc, "ObjectIdToObject", {Variant(id)}).AsObject();
    EXPECT_EQ(Get(l, "EntityName"), Variant("AcDbLeader"));
    EXPECT_EQ(Get(l, "Coordinates"), Variant::DoubleArray({0, 0, 0, 10, 5, 0}));
}

TEST(MinicadUtility, GetPointAnswersAndCancel) {
    Cad cad;
    cad.input->Push(Answer::MakePoint(5000, 5000));
    cad.input->Push(Answer::MakeText("1.5,2.5"));
    cad.input->Push(Answer::MakeCancel());
    const Variant p = Call(cad.utility, "GetPoint", {Variant(), Variant("領域内の１点を指示 : ")});
    ExpectNear(ToPoint(p), {5000, 5000, 0});
    EXPECT_EQ(cad.input->Prompts().back(), "領域内の１点を指示 : ");
    ExpectNear(ToPoint(Call(cad.utility, "GetPoint", {})), {1.5, 2.5, 0});
    try {
        (void)Call(cad.utility, "GetPoint", {Variant(), Variant("again: ")});
        FAIL() << "a cancelled prompt must fail";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), hresult::kException);
        EXPECT_EQ(e.text(), kCancelText);
        EXPECT_EQ(e.member(), "GetPoint");
    }
    // An empty queue is Escape too.
    EXPECT_EQ(ErrorOf([&] { (void)Call(cad.utility, "GetPoint", {}); }), hresult::kException);

    (void)Call(cad.utility, "Prompt", {Variant("\r\n点が指示されました.\r\n")});
    EXPECT_EQ(cad.app->document().CommandLog().back(), "点が指示されました.");
}

TEST(MinicadUtility, GetEntityWritesItsOutParameters) {
    Cad cad;
    const ObjectRef line = cad.Line(0, 0, 100, 0);
    cad.input->Push(Answer::MakePick(50, 0.5));
    std::vector<Variant> args{Variant(), Variant(), Variant("Select: ")};
    (void)CallWithOut(cad.utility, "GetEntity", args);
    EXPECT_EQ(Get(args[0].AsObject(), "ObjectID"), Get(line, "ObjectID"));
    ExpectNear(ToPoint(args[1]), {50, 0.5, 0});

    cad.input->Push(Answer::MakePick(50, 80));  // nothing there
    EXPECT_EQ(ErrorOf([&] { (void)CallWithOut(cad.utility, "GetEntity", args); }), hresult::kFail);
    cad.input->Push(Answer::MakeWindow(0, 0, 1, 1));  // not a pick: the prompt is cancelled
    EXPECT_EQ(ErrorOf([&] { (void)CallWithOut(cad.utility, "GetEntity", args); }),
              hresult::kException);
    std::vector<Variant> one{Variant()};
    EXPECT_EQ(ErrorOf([&] { (void)CallWithOut(cad.utility, "GetEntity", one); }),
              hresult::kBadParamCount);
}

TEST(MinicadCollections, LayersBlocksAndSelectionSets) {
    Cad cad;
    const ObjectRef layers = GetObject(cad.doc, "Layers");
    EXPECT_EQ(Get(layers, "Count"), Variant(std::int32_t{1}));
    EXPECT_EQ(Get(Call(layers, "Item", {Variant(std::int32_t{0})}).AsObject(), "Name"),
              Variant("0"));
    (void)Call(layers, "Add", {Variant("H_HEN")});
    (void)Call(layers, "Add", {Variant("h_hen")});  // adding an existing name returns it
    EXPECT_EQ(Get(layers, "Count"), Variant(std::int32_t{2}));
    EXPECT_EQ(Get(Call(layers, "Item", {Variant("h_hen")}).AsObject(), "Name"), Variant("H_HEN"));
    EXPECT_EQ(ErrorOf([&] { (void)Call(layers, "Item", {Variant(std::int32_t{2})}); }),
              hresult::kInvalidArg);
    EXPECT_EQ(ErrorOf([&] { (void)Call(layers, "Add", {Variant("a<b")}); }), hresult::kInvalidArg);

    const ObjectRef blocks = GetObject(cad.doc, "Blocks");
    EXPECT_EQ(Get(blocks, "Count"), Variant(std::int32_t{0}));
    const ObjectRef block = Call(blocks, "Add", {P(0, 0), Variant("Tarsel_1")}).AsObject();
    EXPECT_EQ(Get(block, "Name"), Variant("Tarsel_1"));
    (void)Call(block, "AddLine", {P(0, 0), P(10, 0)});
    EXPECT_EQ(Get(block, "Count"), Variant(std::int32_t{1}));
    EXPECT_EQ(Get(Call(blocks, "Item", {Variant(std::int32_t{0})}).AsObject(), "Name"),
              Variant("Tarsel_1"));
    EXPECT_EQ(cad.app->document().LastEntityId(), 0);  // block contents are not model space

    const ObjectRef ref =
        Call(cad.modelSpace, "InsertBlock",
             {P(5, 5), Variant("TARSEL_1"), Variant(1.0), Variant(1.0), Variant(1.0), Variant(0.0)})
            .AsObject();
    EXPECT_EQ(Get(ref, "EntityName"), Variant("AcDbBlockReference"));
    EXPECT_EQ(Get(ref, "Name"), Variant("Tarsel_1"));
    EXPECT_EQ(ErrorOf([&] { (void)Call(block, "Delete", {}); }),
              hresult::kFail);  // still referenced
    (void)Call(ref, "Delete", {});
    (void)Call(block, "Delete", {});
    EXPECT_EQ(Get(blocks, "Count"), Variant(std::int32_t{0}));
    EXPECT_EQ(ErrorOf([&] { (void)Get(block, "Name"); }), hresult::kFail);

    const ObjectRef sets = GetObject(cad.doc, "SelectionSets");
    const ObjectRef ss = cad.NewSet("SSTEMP_1");
    EXPECT_EQ(ErrorOf([&] { (void)cad.NewSet("ssTemp_1"); }), hresult::kInvalidArg);  // in use
    EXPECT_EQ(Get(Call(sets, "Item", {Variant(std::int32_t{0})}).AsObject(), "Name"),
              Variant("SSTEMP_1"));
    (void)Call(ss, "Delete", {});
    EXPECT_EQ(Get(sets, "Count"), Variant(std::int32_t{0}));
    EXPECT_EQ(ErrorOf([&] { (void)Get(ss, "Count"); }), hresult::kFail);
    (void)cad.NewSet("SSTEMP_1");  // the name is free again
}

TEST(MinicadEntities, ExplodePlacesTheBlockEntitiesWithTheirXdata) {
    Cad cad;
    const ObjectRef block =
        Call(GetObject(cad.doc, "Blocks"), "Add", {P(0, 0), Variant("B")}).AsObject();
    (void)Call(block, "AddLine", {P(0, 0), P(10, 0)});
    const ObjectRef text = Call(block, "AddText", {Variant("7"), P(1, 1), Variant(2.0)}).AsObject();
    (void)Call(text, "SetXdata",
               {Variant::Int16Array({1001, 1010}),
                Variant::VariantArray({Variant("LT_TARSEL"), Variant::DoubleArray({3, 4, 5})})});
    const ObjectRef ref = Call(cad.modelSpace, "InsertBlock",
                               {P(100, 100), Variant("B"), Variant(2.0), Variant(2.0), Variant(2.0),
                                Variant(geometry::kPi / 2)})
                              .AsObject();
    const Variant parts = Call(ref, "Explode", {});
    ASSERT_EQ(parts.AsArray().items.size(), 2u);
    const ObjectRef line = parts.AsArray().items[0].AsObject();
    ExpectNear(ToPoint(Get(line, "EndPoint")), {100, 120, 0}, 1e-9);
    const ObjectRef placed = parts.AsArray().items[1].AsObject();
    EXPECT_EQ(Get(placed, "Height"), Variant(4.0));
    std::vector<Variant> out{Variant("LT_TARSEL"), Variant(), Variant()};
    (void)CallWithOut(placed, "GetXdata", out);
    EXPECT_EQ(out[2].AsArray().items[1], Variant::DoubleArray({3, 4, 5}));
    EXPECT_EQ(Get(ref, "Name"), Variant("B"));  // the reference itself stays

    Put(ref, "YScaleFactor", Variant(3.0));
    EXPECT_EQ(ErrorOf([&] { (void)Call(ref, "Explode", {}); }), hresult::kFail);
}

TEST(MinicadDocument, SendCommandRejectsUnknownCommandsOnTheLog) {
    Cad cad;
    (void)Call(cad.doc, "SendCommand", {Variant("NOSUCH\r")});
    EXPECT_EQ(cad.app->document().CommandLog().back(),
              "Unknown command \"NOSUCH\".  Press F1 for help.");
    EXPECT_TRUE(Get(Call(cad.application, "GetAcadState", {}).AsObject(), "IsQuiescent").AsBool());
}

TEST(MinicadFaults, TheNthCallToAMemberFailsOnce) {
    Cad cad;
    cad.app->FailCall("addline", 2, hresult::kCallRejected, "the CAD is busy");
    cad.app->FailCall("AddLine", 3, hresult::kFail, "third");
    EXPECT_NO_THROW(cad.Line(0, 0, 1, 1));
    try {
        cad.Line(0, 0, 1, 1);
        FAIL() << "the second AddLine must fail";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), hresult::kCallRejected);
        EXPECT_EQ(e.text(), "the CAD is busy");
    }
    EXPECT_EQ(ErrorOf([&] { cad.Line(0, 0, 1, 1); }), hresult::kFail);
    EXPECT_NO_THROW(cad.Line(0, 0, 1, 1));
    EXPECT_EQ(cad.app->CallCount("ADDLINE"), 4);
    EXPECT_EQ(cad.app->document().Entities().size(), 2u);  // the failed calls added nothing
}

// Records what a listener is told, to check that changes through the automation objects
// reach it.
struct Recorder : DocumentListener {
    std::vector<std::string> events;
    void OnAdded(const Entity& e) override { events.push_back("add " + std::to_string(e.id)); }
    void OnErased(const Entity& e) override { events.push_back("erase " + std::to_string(e.id)); }
    void OnModified(const Entity& before, const Entity& after) override {
        const auto& b = DataOf<LineData>(before.data);
        const auto& a = DataOf<LineData>(after.data);
        events.push_back("modify " + std::to_string(after.id) + " " +
                         std::to_string(int(b.start.x)) + "->" + std::to_string(int(a.start.x)) +
                         " " + after.layer.str());
    }
    void OnReset() override { events.push_back("reset"); }
};

TEST(MinicadDocument, ListenersFollowEveryChangeMadeThroughTheObjects) {
    Cad cad;
    Recorder rec;
    cad.app->document().AddListener(&rec);
    const ObjectRef line = cad.Line(0, 0, 1, 1);
    const auto id = std::to_string(Get(line, "ObjectID").AsInt64());
    Put(line, "StartPoint", P(5, 0));
    (void)Call(GetObject(cad.doc, "Layers"), "Add", {Variant("L1")});
    Put(line, "Layer", Variant("L1"));
    (void)Call(line, "Move", {P(0, 0), P(1, 0)});
    (void)Call(line, "Erase", {});
    cad.app->document().RemoveListener(&rec);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"add " + id, "modify " + id + " 0->5 0",
                                                    "modify " + id + " 5->5 L1",
                                                    "modify " + id + " 5->6 L1", "erase " + id}));
}

}  // namespace
}  // namespace tarsel::minicad::testing
