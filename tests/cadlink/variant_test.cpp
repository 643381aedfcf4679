#include <gtest/gtest.h>

#include "cadlink/automation.h"
#include "cadlink/connection.h"

namespace tarsel::cadlink {
namespace {

TEST(Variant, ArraysKeepElementTypeAndBounds) {
    Variant p = Variant::DoubleArray({1.5, 2.5, 0.0});
    ASSERT_TRUE(p.IsArray());
    EXPECT_EQ(p.AsArray().kind, ArrayKind::Double);
    EXPECT_EQ(p.AsArray().UpperBound(), 2);
    Variant t = Variant::Int16Array({1001, 1010});
    EXPECT_EQ(t.AsArray().kind, ArrayKind::Int16);
    EXPECT_EQ(t.AsArray().items[1].type(), Variant::Type::Int16);
    Variant v = Variant::VariantArray({Variant("LT_TARSEL"), p});
    EXPECT_EQ(v.AsArray().items[1].AsArray().UpperBound(), 2);
    EXPECT_EQ(Describe(p), "R8[0..2]{1.5, 2.5, 0}");
}

TEST(Variant, ConversionsAreLocaleFreeAndStrict) {
    EXPECT_DOUBLE_EQ(Variant("12.5").AsDouble(), 12.5);
    EXPECT_DOUBLE_EQ(Variant(" 300 ").AsDouble(), 300.0);
    EXPECT_EQ(Variant(std::int16_t{7}).AsInt(), 7);
    EXPECT_EQ(Variant(2.5).AsInt(), 2);  // banker's rounding, as VariantChangeType
    EXPECT_EQ(Variant(std::int64_t{1} << 40).AsInt64(), std::int64_t{1} << 40);
    EXPECT_THROW((void)Variant("12,5").AsDouble(), AutomationError);
    EXPECT_THROW((void)Variant("abc").AsInt(), AutomationError);
    EXPECT_THROW((void)Variant(1.0).AsArray(), AutomationError);
    EXPECT_THROW((void)Variant().AsObject(), AutomationError);
    try {
        (void)Variant("x").AsDouble();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), hresult::kTypeMismatch);
    }
}

TEST(InProcessCadRegistry, FindsOnlyRegisteredProgIds) {
    InProcessCadRegistry registry;
    EXPECT_FALSE(registry.IsCadRunning("BricscadApp.AcadApplication"));
    EXPECT_THROW((void)registry.GetRunningApplication("BricscadApp.AcadApplication"),
                 AutomationError);
    registry.Register("BricscadApp.AcadApplication", nullptr);
    EXPECT_TRUE(registry.IsCadRunning("BricscadApp.AcadApplication"));
    registry.Unregister("BricscadApp.AcadApplication");
    EXPECT_FALSE(registry.IsCadRunning("BricscadApp.AcadApplication"));
}

}  // namespace
}  // namespace tarsel::cadlink
