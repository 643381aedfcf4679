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
void LabelSideOnce(cadlink::CadSession& session, const ObjectRef& doc, std::vector<TAcadLine>& done,
                   const TAcadPoint& a, const TAcadPoint& b, double height, double divisor,
                   double angBase, int angDir, std::string_view layer) {
    if (geometry::LineListContains(a, b, done, static_cast<int>(done.size()), kSameSideTolerance)) {
        return;
    }
    WriteSideLength(session, doc, a, b, height, divisor, angBase, angDir, false, layer);
    done.push_back({a, b});
}

}  // namespace

LabelPassResult LabelTriangles(cadlink::CadSession& session, const ObjectRef& doc,
                               const std::vector<geometry::TAcadTriangle>& triangles, double height,
                               double divisor, double angBase, int angDir) {
    LabelPassResult result;
    if (triangles.empty()) return result;
    auto& options = session.options;
    const double radius = options::ParseNumberField("Hankei1", options.Hankei1);
    const double numberHeight = options::ParseNumberField("N_Taka1", options.N_Taka1);

    std::vector<TAcadLine> labelled;
    for (const geometry::TAcadTriangle& t : triangles) {
        const std::string textLayer = options.M_Layer;
        if (options.Kyuuseki() == 1) {
            const BaseAndFoot bf = FindBaseAndFoot(t);
            if (!BaseHeightNumberPoint(bf)) {
                ++result.skippedWithoutArea;
                continue;
            }
            LabelSideOnce(session, doc, labelled, bf.base1, bf.base2, height, divisor, angBase,
                          angDir, textLayer);
            WriteSideLength(session, doc, bf.apex, bf.foot, height, divisor, angBase, angDir, false,
                            textLayer);
            const ObjectRef modelSpace = cadlink::GetObject(doc, "ModelSpace");
            const ObjectRef line =
                cadlink::Call(modelSpace, "AddLine",
                              {cadlink::PointToVariant(bf.apex), cadlink::PointToVariant(bf.foot)})
                    .AsObject();
            cadlink::Put(line, "Layer", cadlink::Variant(options.T_Layer));
            cadlink::Call(line, "Update", {});
            (void)WriteBaseHeightNumber(session, doc, t, bf, options.NextNumber(), radius,
                                        numberHeight, angBase, angDir);
        } else {
            if (!TriangleNumberPoint(t)) {
                ++result.skippedWithoutArea;
                continue;
            }
            LabelSideOnce(session, doc, labelled, t.p1, t.p2, height, divisor, angBase, angDir,
                          textLayer);
            LabelSideOnce(session, doc, labelled, t.p2, t.p3, height, divisor, angBase, angDir,
                          textLayer);
            LabelSideOnce(session, doc, labelled, t.p3, t.p1, height, divisor, angBase, angDir,
                          textLayer);
            (void)WriteTriangleNumber(session, doc, t, options.NextNumber(), radius, numberHeight,
                                      angBase, angDir);
        }
        options.AdvanceNextNumber();
        ++result.labelled;
    }

    if (result.skippedWithoutArea > 0) {
        session.desktop.ShowMessage(kNoAreaTriangleMessage, kMessageCaption);
        session.desktop.SetForegroundWindow(cadlink::Get(session.CadApp, "HWND").AsInt64());
    }
    return result;
}

}  // namespace tarsel::annotation
