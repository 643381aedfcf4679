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

void WriteNumberAt(cadlink::CadSession& session, const ObjectRef& doc, const TAcadPoint& label,
                   const TriangleTag& tag, int number, double radius, double height, double angBase,
                   int angDir) {
    const bool fragmentRoad = UsesFragmentRoad(session.TargetProgID);
    const double r = NumberTextRotation(angBase, angDir);
    const std::string& layer = session.options.M_Layer;
    (void)cadlink::EnsureLayer(doc, layer, false);

    const ObjectRef modelSpace = cadlink::GetObject(doc, "ModelSpace");
    const ObjectRef circle =
        Call(modelSpace, "AddCircle", {PointToVariant(label), Variant(radius)}).AsObject();
    cadlink::Put(circle, "Layer", Variant(layer));
    Call(circle, "Update", {});
    if (session.RecordCreatedIds) {
        session.RecordCreated(cadlink::Get(circle, "ObjectID").AsInt64());
    }

    if (fragmentRoad) {
        const std::int64_t id =
            InsertTagFragment(session, doc, BuildTagFragment(layer, label, number, height, r, tag));
        if (session.RecordCreatedIds && id != 0) session.RecordCreated(id);
        return;
    }
    const ObjectRef text =
        Call(modelSpace, "AddText",
             {Variant(std::to_string(number)), PointToVariant(label), Variant(height)})
            .AsObject();
    cadlink::Put(text, "Rotation", Variant(r));
    cadlink::Put(text, "Alignment", Variant(std::int32_t{10}));  // middle centre
    cadlink::Put(text, "TextAlignmentPoint", PointToVariant(label));
    cadlink::Put(text, "Layer", Variant(layer));
    const TagXdata xdata = TriangleTagXdata(tag);
    Call(text, "SetXdata", {xdata.types, xdata.values});
    Call(text, "Update", {});
    if (session.RecordCreatedIds) session.RecordCreated(cadlink::Get(text, "ObjectID").AsInt64());
}

}  // namespace

bool WriteTriangleNumber(cadlink::CadSession& session, const ObjectRef& doc,
                         const geometry::TAcadTriangle& triangle, int number, double radius,
                         double height, double angBase, int angDir) {
    const auto label = TriangleNumberPoint(triangle);
    if (!label) return false;
    WriteNumberAt(session, doc, *label, TagOf(triangle), number, radius, height, angBase, angDir);
    return true;
}

bool WriteBaseHeightNumber(cadlink::CadSession& session, const ObjectRef& doc,
                           const geometry::TAcadTriangle& triangle, const BaseAndFoot& bf,
                           int number, double radius, double height, double angBase, int angDir) {
    const auto label = BaseHeightNumberPoint(bf);
    if (!label) return false;
    WriteNumberAt(session, doc, *label, TagOf(triangle), number, radius, height, angBase, angDir);
    return true;
}

}  // namespace tarsel::annotation
