#include "commands/labelling.h"

#include "commands/command_frame.h"

namespace tarsel::commands {

annotation::LabelStyle ReadLengthStyle(const options::PaletteOptions& options) {
    annotation::LabelStyle style;
    style.sideTextHeight = options::ParseNumberField("M_Taka1", options.M_Taka1);
    style.scaleDivisor = options::ParseNumberField("Syakudo", options.Edit8Text());
    style.textLayer = options.M_Layer;
    style.sideLayer = options.H_Layer;
    style.heightLayer = options.T_Layer;
    style.lengthDigits = options.Rounding().lengthDigits;
    style.lengthMode = options.Rounding().lengthMode;
    style.baseAndHeight = options.Kyuuseki() == 1;
    return style;
}

void ReadNumberSizes(const options::PaletteOptions& options, annotation::LabelStyle& style) {
    style.circleRadius = options::ParseNumberField("Hankei1", options.Hankei1);
    style.numberHeight = options::ParseNumberField("N_Taka1", options.N_Taka1);
}

annotation::LabelStyle ReadLabelStyle(const options::PaletteOptions& options) {
    annotation::LabelStyle style = ReadLengthStyle(options);
    ReadNumberSizes(options, style);
    return style;
}

annotation::LabelTarget LabelTargetFor(CadSession& session, const cadlink::ObjectRef& doc) {
    annotation::LabelTarget target{
        doc, session.CadApp, session.TargetProgID, session.desktop, session.executableFolder, {}};
    if (session.RecordCreatedIds) {
        target.recordCreated = [&session](std::int64_t id) { session.RecordCreated(id); };
    }
    return target;
}

annotation::LabelPassResult LabelTrianglesAndTell(
    CadSession& session, const cadlink::ObjectRef& doc, const annotation::LabelStyle& style,
    const std::vector<geometry::TAcadTriangle>& triangles) {
    OptionsNumberCounter counter(session.options);
    const annotation::LabelPassResult result =
        annotation::LabelTriangles(LabelTargetFor(session, doc), style, triangles, counter);
    if (result.skippedWithoutArea > 0) ShowMessageAndReturnToCad(session, kNoAreaTriangleMessage);
    return result;
}

}  // namespace tarsel::commands
