// Extended entity data through SetXdata/GetXdata: the shapes readers test, replacement and
// removal per application, registration, and what is refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "automation_fixture.h"

namespace tarsel::minicad::testing {
namespace {

using cadlink::Call;
using cadlink::CallWithOut;

struct Xdata {
    Variant types;
    Variant values;
};

Xdata Read(const ObjectRef& entity, const std::string& app) {
    std::vector<Variant> args{Variant(app), Variant(), Variant()};
    (void)CallWithOut(entity, "GetXdata", args);
    return {args[1], args[2]};
}

Variant Tag(double d1, double d2, double d3) {
    return Variant::VariantArray(
        {Variant("LT_TARSEL"), Variant::VariantArray({Variant(d1), Variant(d2), Variant(d3)})});
}

TEST(MinicadXdata, TheTriangleTagComesBackInTheShapesReadersTest) {
    Cad cad;
    const ObjectRef text = cad.Text("7", 0, 0, 300);
    (void)Call(text, "SetXdata", {Variant::Int16Array({1001, 1010}), Tag(3000, 4000, 5000)});

    const Xdata x = Read(text, "lt_tarsel");
    EXPECT_EQ(x.types, Variant::Int16Array({1001, 1010}));
    const cadlink::Array& values = x.values.AsArray();
    EXPECT_EQ(values.kind, cadlink::ArrayKind::Variant);
    EXPECT_EQ(values.UpperBound(), 1);
    EXPECT_EQ(values.items[0], Variant("LT_TARSEL"));
    EXPECT_EQ(values.items[1].AsArray().UpperBound(), 2);
    EXPECT_EQ(values.items[1], Variant::DoubleArray({3000, 4000, 5000}));

    // The application is registered, so a saved drawing declares it.
    const auto& apps = cad.app->document().drawing().appIds;
    EXPECT_NE(std::find(apps.begin(), apps.end(), "LT_TARSEL"), apps.end());
}

TEST(MinicadXdata, EveryValueKindRoundTrips) {
    Cad cad;
    const ObjectRef line = cad.Line(0, 0, 1, 1);
    const Variant types = Variant::Int16Array({1001, 1000, 1002, 1040, 1070, 1071, 1002, 1011});
    const Variant values = Variant::VariantArray(
        {Variant("APP"), Variant("三角形"), Variant("{"), Variant(1.25), Variant(std::int16_t{-7}),
         Variant(std::int32_t{100000}), Variant("}"), Variant::DoubleArray({1, 2, 3})});
    (void)Call(line, "SetXdata", {types, values});
    const Xdata x = Read(line, "APP");
    EXPECT_EQ(x.types, types);
    EXPECT_EQ(x.values, values);
}

TEST(MinicadXdata, ApplicationsAreReplacedRemovedAndReadTogether) {
    Cad cad;
    const ObjectRef text = cad.Text("1", 0, 0, 1);
    (void)Call(text, "SetXdata", {Variant::Int16Array({1001, 1010}), Tag(1, 2, 3)});
    (void)Call(text, "SetXdata",
               {Variant::Int16Array({1001, 1000}),
                Variant::VariantArray({Variant("OTHER"), Variant("x")})});
    (void)Call(text, "SetXdata", {Variant::Int16Array({1001, 1010}), Tag(4, 5, 6)});

    EXPECT_EQ(Read(text, "LT_TARSEL").values.AsArray().items[1], Variant::DoubleArray({4, 5, 6}));
    EXPECT_EQ(Read(text, "").types, Variant::Int16Array({1001, 1010, 1001, 1000}));  // all of them

    // A bare application name removes that application's data and nothing else.
    (void)Call(text, "SetXdata",
               {Variant::Int16Array({1001}), Variant::VariantArray({Variant("LT_TARSEL")})});
    const Xdata gone = Read(text, "LT_TARSEL");
    EXPECT_TRUE(gone.types.IsEmpty());
    EXPECT_TRUE(gone.values.IsEmpty());
    EXPECT_FALSE(Read(text, "OTHER").types.IsEmpty());
    EXPECT_TRUE(Read(cad.Text("2", 0, 0, 1), "LT_TARSEL").types.IsEmpty());  // untagged text
}

TEST(MinicadXdata, MalformedXdataIsRefusedAndChangesNothing) {
    Cad cad;
    const ObjectRef text = cad.Text("1", 0, 0, 1);
    (void)Call(text, "SetXdata", {Variant::Int16Array({1001, 1010}), Tag(1, 2, 3)});
    struct Case {
        const char* what;
        Variant types;
        Variant values;
        std::int32_t code;
    };
    const std::string longText(256, 'a');
    const std::vector<Case> cases = {
        {"no application first", Variant::Int16Array({1000}), Variant::VariantArray({Variant("x")}),
         hresult::kInvalidArg},
        {"lengths differ", Variant::Int16Array({1001, 1000}), Variant::VariantArray({Variant("A")}),
         hresult::kInvalidArg},
        {"not arrays", Variant(std::int16_t{1001}), Variant("A"), hresult::kTypeMismatch},
        {"empty", Variant::Int16Array({}), Variant::VariantArray({}), hresult::kInvalidArg},
        {"1070 out of range", Variant::Int16Array({1001, 1070}),
         Variant::VariantArray({Variant("A"), Variant(40000.0)}), hresult::kInvalidArg},
        {"line break in a string", Variant::Int16Array({1001, 1000}),
         Variant::VariantArray({Variant("A"), Variant("a\r\nb")}), hresult::kInvalidArg},
        {"string too long", Variant::Int16Array({1001, 1000}),
         Variant::VariantArray({Variant("A"), Variant(longText)}), hresult::kInvalidArg},
        {"point of two", Variant::Int16Array({1001, 1010}),
         Variant::VariantArray({Variant("A"), Variant::DoubleArray({1, 2})}),
         hresult::kTypeMismatch},
        {"binary chunk", Variant::Int16Array({1001, 1004}),
         Variant::VariantArray({Variant("A"), Variant("00")}), hresult::kInvalidArg},
        {"bad application name", Variant::Int16Array({1001, 1000}),
         Variant::VariantArray({Variant("A*B"), Variant("x")}), hresult::kInvalidArg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ErrorOf([&] { (void)Call(text, "SetXdata", {c.types, c.values}); }), c.code);
    }
    EXPECT_EQ(Read(text, "").types, Variant::Int16Array({1001, 1010}));
}

}  // namespace
}  // namespace tarsel::minicad::testing
