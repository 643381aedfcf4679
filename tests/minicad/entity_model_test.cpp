// An entity is small (a drawing holds millions) yet behaves as a plain value: copies are
// independent, a layer name read once is shared by every entity on it, and the boxed kinds
// read through the same accessors as the others.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"

namespace tarsel::minicad {
namespace {

static_assert(sizeof(Entity) <= 136, "a drawing holds millions of entities: keep them small");

TEST(EntityModel, CopiesAreIndependentValues) {
    Entity a;
    a.layer = "ROAD";
    a.xdata.push_back(XdataGroup{"TARSEL", {XdataItem{1000, cadlink::Variant("tag")}}});
    TextData t;
    t.text = "12-3";
    a.data = t;

    Entity b = a;
    b.layer = "PARCEL";
    b.xdata[0].application = "OTHER";
    DataOf<TextData>(b.data).text = "changed";

    EXPECT_EQ(a.layer, "ROAD");
    EXPECT_EQ(a.xdata[0].application, "TARSEL");
    EXPECT_EQ(DataOf<TextData>(a.data).text, "12-3");

    Entity c = std::move(b);
    EXPECT_EQ(c.layer, "PARCEL");
    EXPECT_EQ(DataOf<TextData>(c.data).text, "changed");
    b = a;  // a moved-from entity takes a new value
    EXPECT_EQ(DataOf<TextData>(b.data).text, "12-3");

    a = a;  // NOLINT: assigning to itself keeps the value
    EXPECT_EQ(a.layer, "ROAD");
    EXPECT_EQ(DataOf<TextData>(a.data).text, "12-3");
    EXPECT_EQ(a.xdata.size(), 1U);
}

TEST(EntityModel, DefaultsAndEmptiness) {
    const Entity e;
    EXPECT_EQ(e.layer, "0");
    EXPECT_TRUE(e.xdata.empty());
    EXPECT_EQ(e.xdata.begin(), e.xdata.end());
    EXPECT_TRUE(HoldsData<LineData>(e.data));
    EXPECT_EQ(DataIf<TextData>(e.data), nullptr);
    EXPECT_THROW((void)DataOf<InsertData>(e.data), std::bad_variant_access);
    EXPECT_THROW((void)e.xdata.at(0), std::out_of_range);

    SharedName name = "ROAD";
    name.clear();
    EXPECT_TRUE(name.empty());
    SharedName moved = "ROAD";
    SharedName into = std::move(moved);
    EXPECT_EQ(into, "ROAD");
    EXPECT_EQ(moved, "");  // NOLINT: a moved-from name is empty, not dangling

    XdataList list = std::vector<XdataGroup>{{"A", {}}, {"B", {}}};
    list.erase(list.begin());
    ASSERT_EQ(list.size(), 1U);
    EXPECT_EQ(list[0].application, "B");
    const XdataGroup* after = list.erase(list.begin());
    EXPECT_EQ(after, list.end());
    EXPECT_TRUE(list.empty());
    list = std::vector<XdataGroup>{};
    EXPECT_TRUE(list.empty());
}

TEST(EntityModel, BoxedKindsVisitLikeTheOthers) {
    const std::vector<EntityData> all = {LineData{}, TextData{}, InsertData{}, CircleData{}};
    std::vector<std::string> seen;
    for (const EntityData& d : all)
        VisitData(
            [&](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                seen.push_back(std::is_same_v<T, TextData>     ? "text"
                               : std::is_same_v<T, InsertData> ? "insert"
                                                               : "other");
            },
            d);
    EXPECT_EQ(seen, (std::vector<std::string>{"other", "text", "insert", "other"}));
}

TEST(EntityModel, EntitiesReadOnOneLayerShareItsName) {
    // Layers taking turns, so that no entity is on the layer of the one before it.
    Drawing made;
    for (int i = 0; i < 12; ++i) {
        Entity e;
        e.id = made.nextId++;
        e.layer = i % 3 == 0 ? "ROAD" : i % 3 == 1 ? "PARCEL" : "road";
        e.data = LineData{{double(i), 0, 0}, {double(i), 1, 0}};
        made.entities.push_back(e);
    }
    const Drawing read = ReadDxf(WriteDxf(made), "turns.dxf");
    ASSERT_EQ(read.entities.size(), 12U);
    for (std::size_t i = 3; i < 12; ++i) {
        EXPECT_EQ(read.entities[i].layer, made.entities[i].layer) << i;
        EXPECT_EQ(read.entities[i].layer.c_str(), read.entities[i % 3].layer.c_str()) << i;
    }
    EXPECT_NE(read.entities[0].layer.c_str(),
              read.entities[2].layer.c_str());  // names differ in case
}

}  // namespace
}  // namespace tarsel::minicad
