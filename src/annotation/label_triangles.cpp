#include "annotation/label_triangles.h"

#include "annotation/number_labels.h"
#include "annotation/side_labels.h"
#include "cadlink/drawing_services.h"

namespace tarsel::annotation {

using cadlink::ObjectRef;
using geometry::TAcadLine;
using geometry::TAcadPoint;

namespace {

constexpr double kSameSideTolerance = 0.001;

// Labels one side unless this pass labelled it already, in either direction.
void LabelSideOnce(const LabelTarget& target, const LabelStyle& style, std::vector<TAcadLine>& done,
                   const TAcadPoint& a, const TAcadPoint& b) {
    if (geometry::LineListContains(a, b, done, static_cast<int>(done.size()), kSameSideTolerance)) {
        return;
    }
    WriteSideLength(target, style, a, b, false);
    done.push_back({a, b});
}

}  // namespace

LabelPassResult LabelTriangles(const LabelTarget& target, const LabelStyle& style,
                               const std::vector<geometry::TAcadTriangle>& triangles,
                               NumberCounter& counter) {
    LabelPassResult result;
    std::vector<TAcadLine> labelled;
    for (const geometry::TAcadTriangle& t : triangles) {
        if (style.baseAndHeight) {
            const BaseAndFoot bf = FindBaseAndFoot(t);
            if (!BaseHeightNumberPoint(bf)) {
                ++result.skippedWithoutArea;
                continue;
            }
            LabelSideOnce(target, style, labelled, bf.base1, bf.base2);
            WriteSideLength(target, style, bf.apex, bf.foot, false);
            (void)cadlink::AddLineOnLayer(cadlink::GetObject(target.doc, "ModelSpace"), bf.apex,
                                          bf.foot, style.heightLayer);
            (void)WriteBaseHeightNumber(target, style, t, bf, counter.Current());
        } else {
            if (!TriangleNumberPoint(t)) {
                ++result.skippedWithoutArea;
                continue;
            }
            LabelSideOnce(target, style, labelled, t.p1, t.p2);
            LabelSideOnce(target, style, labelled, t.p2, t.p3);
            LabelSideOnce(target, style, labelled, t.p3, t.p1);
            (void)WriteTriangleNumber(target, style, t, counter.Current());
        }
        counter.Advance();
        ++result.labelled;
    }
    return result;
}

}  // namespace tarsel::annotation
