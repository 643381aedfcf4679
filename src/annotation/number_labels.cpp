#include "annotation/number_labels.h"

#include <string>

#include "annotation/triangle_tag.h"
#include "cadlink/drawing_services.h"

namespace tarsel::annotation {

using cadlink::Call;
using cadlink::ObjectRef;
using cadlink::PointToVariant;
using cadlink::Variant;
using geometry::TAcadPoint;

double NumberTextRotation(double angBase, int angDir) {
    return angDir == 1 ? angBase : -angBase;
}

std::optional<TAcadPoint> TriangleNumberPoint(const geometry::TAcadTriangle& t) {
    return geometry::TriangleIncenter(t.p1, t.p2, t.p3);
}

std::optional<TAcadPoint> BaseHeightNumberPoint(const BaseAndFoot& bf) {
    if (!bf.footFound) return std::nullopt;
    const double h = geometry::PointDistance(bf.apex, bf.foot);
    const double area1 = geometry::AreaFromSides(h, geometry::PointDistance(bf.base1, bf.apex),
                                                 geometry::PointDistance(bf.base1, bf.foot));
    const double area2 = geometry::AreaFromSides(h, geometry::PointDistance(bf.base2, bf.apex),
                                                 geometry::PointDistance(bf.base2, bf.foot));
    if (area1 > area2) return geometry::TriangleIncenter(bf.base1, bf.apex, bf.foot);
    return geometry::TriangleIncenter(bf.base2, bf.apex, bf.foot);
}

namespace {

void WriteNumberAt(const LabelTarget& target, const LabelStyle& style, const TAcadPoint& label,
                   const TriangleTag& tag, int number) {
    const ObjectRef& doc = target.doc;
    const bool fragmentRoad = UsesFragmentRoad(target.targetProgId);
    const double r = NumberTextRotation(style.angles.angleBase, style.angles.angleDirection);
    const std::string& layer = style.textLayer;
    (void)cadlink::EnsureLayer(doc, layer, false);

    const ObjectRef modelSpace = cadlink::GetObject(doc, "ModelSpace");
    const ObjectRef circle =
        Call(modelSpace, "AddCircle", {PointToVariant(label), Variant(style.circleRadius)})
            .AsObject();
    cadlink::Put(circle, "Layer", Variant(layer));
    Call(circle, "Update", {});
    target.Record(circle);

    if (fragmentRoad) {
        const std::int64_t id = InsertTagFragment(
            target, BuildTagFragment(layer, label, number, style.numberHeight, r, tag));
        if (id != 0) target.Record(id);
        return;
    }
    const ObjectRef text =
        Call(modelSpace, "AddText",
             {Variant(std::to_string(number)), PointToVariant(label), Variant(style.numberHeight)})
            .AsObject();
    cadlink::Put(text, "Rotation", Variant(r));
    cadlink::Put(text, "Alignment", Variant(std::int32_t{10}));  // middle centre
    cadlink::Put(text, "TextAlignmentPoint", PointToVariant(label));
    cadlink::Put(text, "Layer", Variant(layer));
    const TagXdata xdata = TriangleTagXdata(tag);
    Call(text, "SetXdata", {xdata.types, xdata.values});
    Call(text, "Update", {});
    target.Record(text);
}

}  // namespace

bool WriteTriangleNumber(const LabelTarget& target, const LabelStyle& style,
                         const geometry::TAcadTriangle& triangle, int number) {
    const auto label = TriangleNumberPoint(triangle);
    if (!label) return false;
    WriteNumberAt(target, style, *label, TagOf(triangle), number);
    return true;
}

bool WriteBaseHeightNumber(const LabelTarget& target, const LabelStyle& style,
                           const geometry::TAcadTriangle& triangle, const BaseAndFoot& bf,
                           int number) {
    const auto label = BaseHeightNumberPoint(bf);
    if (!label) return false;
    WriteNumberAt(target, style, *label, TagOf(triangle), number);
    return true;
}

}  // namespace tarsel::annotation
