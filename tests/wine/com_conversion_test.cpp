// Calls through a real proxy and stub (an object in a second apartment): values keep their
// types, element types and bounds both ways; out parameters come back; failures carry the
// member, the code and the server's text.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "cadlink/com/com_object.h"
#include "cadlink/com/dispatch_server.h"
#include "com_apartment.h"

namespace tarsel::cadlink::com {
namespace {

using testing::ServerApartment;
using testing::TestObject;

class ComConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_shared<TestObject>();
        object_ = ComObject::Create(apartment_.Publish(server_), session_);
    }

    ServerApartment apartment_;
    std::shared_ptr<TestObject> server_;
    std::shared_ptr<DispatchSession> session_ = std::make_shared<DispatchSession>();
    ObjectRef object_;
};

Variant ArrayFrom(ArrayKind kind, std::int32_t lowerBound, std::vector<Variant> items) {
    return Variant(Array{kind, lowerBound, std::move(items)});
}

TEST_F(ComConversionTest, ValuesCrossBothWaysUnchanged) {
    const std::vector<Variant> values = {
        Variant(),
        Variant(true),
        Variant(false),
        Variant(std::int16_t{-32768}),
        Variant(std::int32_t{-2147483647 - 1}),
        Variant(std::int64_t{0x7FFFFFFF12345678}),  // object ids are 64-bit
        Variant(0.1),
        Variant(-1.7976931348623157e308),
        Variant(std::numeric_limits<double>::denorm_min()),
        Variant(""),
        Variant("LT_TARSEL"),
        Variant("求積表 ① 三斜 \xF0\x9F\x98\x80"),  // a character beyond the BMP too
        Variant::DoubleArray({12.5, -3.25, 0}),     // a point
        Variant::Int16Array({1001, 1000, 1040}),    // xdata group codes
        Variant::VariantArray({Variant("LT_TARSEL"), Variant(1.25), Variant(std::int16_t{3})}),
        ArrayFrom(ArrayKind::Double, 1, {Variant(1.0), Variant(2.0)}),
        ArrayFrom(ArrayKind::Int16, -2, {Variant(std::int16_t{7})}),
        ArrayFrom(ArrayKind::Variant, 0, {}),
        ArrayFrom(ArrayKind::Double, 0, {}),
        Variant::VariantArray({Variant::DoubleArray({1, 2, 3}), Variant::VariantArray({})}),
    };
    for (const Variant& value : values) {
        SCOPED_TRACE(Describe(value));
        // What the server sees is what was sent, element types and bounds included ...
        EXPECT_EQ(Call(object_, "Describe", {value}).AsText(), Describe(value));
        // ... and what it sends back arrives the same.
        EXPECT_EQ(Call(object_, "Echo", {value}), value);
    }
}

TEST_F(ComConversionTest, ArgumentsKeepTheirOrderAndPutsReachTheProperty) {
    EXPECT_EQ(Call(object_, "Args", {Variant("a"), Variant("b"), Variant("c")}).AsText(), "a,b,c");
    Put(object_, "Value", Variant(std::int32_t{42}));
    EXPECT_EQ(Get(object_, "Value"), Variant(std::int32_t{42}));
    Put(object_, "value", Variant::DoubleArray({1, 2, 3}));
    EXPECT_EQ(Get(object_, "VALUE"), Variant::DoubleArray({1, 2, 3}));
    EXPECT_EQ(server_->calls,
              (std::vector<std::string>{"Args", "=Value", "Value", "=Value", "Value"}));
}

TEST_F(ComConversionTest, ObjectsKeepTheirIdentityAcrossTheBoundary) {
    const ObjectRef child = GetObject(object_, "Child");
    ASSERT_NE(dynamic_cast<ComObject*>(child.get()), nullptr);
    // A server object handed back is the server's own object again.
    EXPECT_TRUE(Call(object_, "IsChild", {Variant(child)}).AsBool());
    EXPECT_FALSE(Call(object_, "IsChild", {Variant(object_)}).AsBool());
    // A client object handed over and back is the client's own object again.
    const auto local = std::make_shared<TestObject>();
    EXPECT_EQ(Call(object_, "Echo", {Variant(ObjectRef(local))}).AsObject(), ObjectRef(local));
    // A null reference (Nothing) travels and comes back as empty.
    EXPECT_EQ(Call(object_, "Echo", {Variant(ObjectRef())}), Variant());
}

TEST_F(ComConversionTest, OutParametersAreWrittenBack) {
    std::array<Variant, 3> args = {Variant(), Variant(), Variant("pick")};
    CallWithOut(object_, "GetEntity", args);
    EXPECT_TRUE(Call(object_, "IsChild", {args[0]}).AsBool());
    EXPECT_EQ(args[1], Variant::DoubleArray({1.5, -2.25, 0}));
    EXPECT_EQ(args[2], Variant("pick"));
}

TEST_F(ComConversionTest, FailuresRaiseWithMemberCodeAndText) {
    struct Case {
        std::string member;
        std::vector<Variant> args;
        std::int32_t code;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"Fail", {}, hresult::kInvalidArg, "値が正しくありません"},
        {"GetEntity", {Variant(), Variant(), Variant("cancel")}, hresult::kException, "*Cancel*"},
        {"NoSuchMember", {}, hresult::kUnknownName, "unknown member"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        std::vector<Variant> args = c.args;
        try {
            CallWithOut(object_, c.member, args);
            ADD_FAILURE() << "no exception";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.member(), c.member);
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.text(), c.text);
        }
    }
}

TEST_F(ComConversionTest, TextThatIsNotUtf8IsRefusedBeforeTheCall) {
    const auto before = DispatchServer::InvokeCount();
    try {
        (void)Call(object_, "Echo", {Variant(std::string("\xFF\xFE"))});
        ADD_FAILURE() << "no exception";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.member(), "Echo");
        EXPECT_EQ(e.code(), hresult::kTypeMismatch);
    }
    EXPECT_EQ(DispatchServer::InvokeCount(), before);
}

TEST_F(ComConversionTest, NamesAreLookedUpOncePerMemberAndType) {
    const ObjectRef child = GetObject(object_, "Child");
    const ClientCallCounts before = CurrentClientCallCounts();
    for (int i = 0; i < 3; ++i) {
        (void)Call(object_, "Echo", {Variant(i)});
        (void)Call(child, "ECHO", {Variant(i)});
    }
    // Objects reached later share what the first ones looked up.
    (void)Call(GetObject(object_, "Child"), "echo", {Variant(1)});
    const ClientCallCounts used = CurrentClientCallCounts() - before;
    EXPECT_EQ(used.invoke, 8u);
    EXPECT_EQ(used.getIDsOfNames, 1u);
    EXPECT_EQ(session_->TypeCount(), 1u);
}

}  // namespace
}  // namespace tarsel::cadlink::com
