// How a command hands its labels to annotation: the label style read from the options once,
// the target made from the session (with the base-line record as the id recorder), the
// options' "No." field as the number counter, and the labelling pass with its one message.
#pragma once

#include <string_view>
#include <vector>

#include "annotation/label_style.h"
#include "annotation/label_triangles.h"
#include "commands/cad_session.h"
#include "geometry/primitives.h"
#include "options/palette_options.h"

namespace tarsel::commands {

// Shown once after a pass that left triangles without area unlabelled.
inline constexpr std::string_view kNoAreaTriangleMessage =
    "面積のない三角形には記入しませんでした．";

// The style without the number sizes: reads "文字高" (M_Taka1) and the scale (Syakudo), in
// this order; a field that does not convert raises options::NumberFieldError. The angles stay
// at their defaults until the command has read them from the drawing.
[[nodiscard]] annotation::LabelStyle ReadLengthStyle(const options::PaletteOptions& options);
// Adds the number sizes: "番号半径" (Hankei1), then "番号字高" (N_Taka1).
void ReadNumberSizes(const options::PaletteOptions& options, annotation::LabelStyle& style);
// Both, in that order.
[[nodiscard]] annotation::LabelStyle ReadLabelStyle(const options::PaletteOptions& options);

// Labels go into doc; while the session records created ids, each one is appended to them.
[[nodiscard]] annotation::LabelTarget LabelTargetFor(CadSession& session,
                                                     const cadlink::ObjectRef& doc);

// The "No." field of the options.
class OptionsNumberCounter final : public annotation::NumberCounter {
public:
    explicit OptionsNumberCounter(options::PaletteOptions& options) : options_(options) {}
    [[nodiscard]] int Current() const override { return options_.NextNumber(); }
    void Advance() override { options_.AdvanceNextNumber(); }

private:
    options::PaletteOptions& options_;
};

// The labelling pass over triangles, numbered from the options' "No."; when it skipped
// triangles without area the user is told once, after the others are labelled.
annotation::LabelPassResult LabelTrianglesAndTell(
    CadSession& session, const cadlink::ObjectRef& doc, const annotation::LabelStyle& style,
    const std::vector<geometry::TAcadTriangle>& triangles);

}  // namespace tarsel::commands
