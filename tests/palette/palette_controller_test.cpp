#include "palette/palette_controller.h"

#include <gtest/gtest.h>

#include <utility>

namespace tarsel::palette {
namespace {

TEST(PaletteCaption, ShortensNameVersionTildeVersion) {
    const std::pair<const char*, const char*> cases[] = {
        {"BricsCAD", " [ BricsCAD ]"},
        {"Name Ver1~Ver2", " [ Name ~Ver2 ]"},
        {"Name Ver1", " [ Name Ver1 ]"},      // no tilde
        {"Name~Ver2 X", " [ Name~Ver2 X ]"},  // tilde before the blank
        {"図面 V1 ~V2", " [ 図面 ~V2 ]"},     // first blank decides
        {"", " [  ]"},
    };
    for (const auto& [name, caption] : cases) EXPECT_EQ(PaletteCaption(name), caption) << name;
}

}  // namespace
}  // namespace tarsel::palette
