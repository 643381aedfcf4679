#include "annotation/side_labels.h"

#include "cadlink/drawing_services.h"
#include "text/rounding.h"

namespace tarsel::annotation {

using cadlink::Call;
using cadlink::ObjectRef;
using cadlink::PointToVariant;
using cadlink::Variant;
using geometry::TAcadPoint;

double UprightAngle(const TAcadPoint& p1, const TAcadPoint& p2) {
    double a = geometry::PointAngle(p1, p2);
    if (a > geometry::kHalfPi && a <= geometry::kThreeHalfPi) a -= geometry::kPi;
    return a;
}

double SideTextRotation(double uprightAngle, double angBase, int angDir) {
    return angDir == 1 ? angBase - uprightAngle : angBase + uprightAngle;
}

namespace {

// Counts the TEXT entities crossing the window c1-c2.
std::int32_t CountTextsCrossing(const ObjectRef& ss, const TAcadPoint& c1, const TAcadPoint& c2) {
    Call(ss, "Clear", {});
    Call(ss, "Select",
         {Variant(std::int32_t{1}), PointToVariant(c1), PointToVariant(c2),
          cadlink::EntityTypeFilterType(), cadlink::EntityTypeFilterData("TEXT")});
    return cadlink::Get(ss, "Count").AsInt();
}

}  // namespace

bool WriteSideLength(const LabelTarget& target, const LabelStyle& style, const TAcadPoint& p1,
                     const TAcadPoint& p2, bool checkExisting) {
    const ObjectRef& doc = target.doc;
    const double height = style.sideTextHeight;
    const TAcadPoint m = geometry::MidPoint(p1, p2);
    const double a = UprightAngle(p1, p2);
    const double len = geometry::PointDistance(p1, p2);

    if (checkExisting) {
        const TAcadPoint q1 = geometry::PolarPoint(m, a, height);
        const TAcadPoint q2 = geometry::PolarPoint(m, a, -height);
        const double across = a + geometry::kHalfPi;
        cadlink::TempSelectionSetScope ss(doc);
        const std::int32_t onTextSide =
            CountTextsCrossing(ss.get(), geometry::PolarPoint(q1, across, height / 2),
                               geometry::PolarPoint(q2, across, height / 2));
        const std::int32_t onOtherSide =
            CountTextsCrossing(ss.get(), geometry::PolarPoint(q1, across, -height / 2),
                               geometry::PolarPoint(q2, across, -height / 2));
        ss.Delete();
        if (onTextSide + onOtherSide > 0) return false;
    }

    const double r = SideTextRotation(a, style.angles.angleBase, style.angles.angleDirection);
    const std::string text =
        text::RoundedText(len / style.scaleDivisor, style.lengthDigits, style.lengthMode);

    const ObjectRef modelSpace = cadlink::GetObject(doc, "ModelSpace");
    const ObjectRef entity =
        Call(modelSpace, "AddText", {Variant(text), PointToVariant(m), Variant(height)}).AsObject();
    cadlink::Put(entity, "Rotation", Variant(r));
    cadlink::Put(entity, "Alignment", Variant(std::int32_t{13}));  // bottom centre
    cadlink::Put(entity, "TextAlignmentPoint", PointToVariant(m));
    cadlink::Put(entity, "Layer", Variant(style.textLayer));
    Call(entity, "Update", {});
    target.Record(entity);
    return true;
}

void WriteTriangleSideLengths(const LabelTarget& target, const LabelStyle& style,
                              const geometry::TAcadTriangle& t) {
    WriteSideLength(target, style, t.p1, t.p2, true);
    WriteSideLength(target, style, t.p2, t.p3, true);
    WriteSideLength(target, style, t.p3, t.p1, true);
}

bool AddSideLine(const LabelTarget& target, const TAcadPoint& p1, const TAcadPoint& p2,
                 bool checkExisting, std::string_view layer) {
    const ObjectRef& doc = target.doc;
    if (checkExisting) {
        cadlink::TempSelectionSetScope ss(doc);
        Call(ss.get(), "Clear", {});
        Call(ss.get(), "SelectAtPoint",
             {PointToVariant(geometry::MidPoint(p1, p2)), cadlink::EntityTypeFilterType(),
              cadlink::EntityTypeFilterData("*LINE")});
        const bool found = cadlink::Get(ss.get(), "Count").AsInt() != 0;
        Call(ss.get(), "Clear", {});
        ss.Delete();
        if (found) return false;
    }
    target.Record(cadlink::AddLineOnLayer(cadlink::GetObject(doc, "ModelSpace"), p1, p2, layer));
    return true;
}

BaseAndFoot FindBaseAndFoot(const geometry::TAcadTriangle& t) {
    const double a = geometry::PointDistance(t.p1, t.p2);
    const double b = geometry::PointDistance(t.p2, t.p3);
    const double c = geometry::PointDistance(t.p3, t.p1);
    BaseAndFoot r;
    if (a >= b && a >= c) {
        r.base1 = t.p1, r.base2 = t.p2, r.apex = t.p3;
    } else if (b >= c && b >= a) {
        r.base1 = t.p2, r.base2 = t.p3, r.apex = t.p1;
    } else {
        r.base1 = t.p3, r.base2 = t.p1, r.apex = t.p2;
    }
    const TAcadPoint aux = geometry::PolarPoint(
        r.apex, geometry::PointAngle(r.base1, r.base2) + geometry::kHalfPi, 100);
    const auto foot = geometry::LineIntersection(r.base1, r.base2, r.apex, aux, false);
    r.footFound = foot.has_value();
    if (foot) r.foot = *foot;
    return r;
}

}  // namespace tarsel::annotation
