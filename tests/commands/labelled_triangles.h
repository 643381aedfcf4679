// What a labelling command left in minicad: the tagged number texts with their circles and
// tags, the plain length texts, and the lines by layer. Shared by the triangle commands' tests.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "support/minicad_fixture.h"

namespace tarsel::testing {

class LabelledTriangles : public MinicadFixture {
protected:
    // Tagged number texts in creation order.
    std::vector<const minicad::Entity*> Numbers() {
        std::vector<const minicad::Entity*> out;
        for (const auto* e : Texts())
            if (!e->xdata.empty()) out.push_back(e);
        return out;
    }
    std::vector<std::string> NumberStrings() {
        std::vector<std::string> out;
        for (const auto* e : Numbers()) out.push_back(TextOf(e).text);
        return out;
    }
    // The length texts, sorted, so a test states what is written and not in which order.
    std::vector<std::string> LengthTexts() {
        std::vector<std::string> out;
        for (const auto* e : Texts())
            if (e->xdata.empty()) out.push_back(TextOf(e).text);
        std::sort(out.begin(), out.end());
        return out;
    }
    static cadlink::Variant Tag(const minicad::Entity* number) {
        return number->xdata.at(0).items.at(0).value;
    }
    static cadlink::Variant Tag(double d1, double d2, double d3) {
        return cadlink::Variant::DoubleArray({d1, d2, d3});
    }
    // The tag's three sides, for comparisons within a tolerance.
    static std::vector<double> TagSides(const minicad::Entity* number) {
        std::vector<double> out;
        const cadlink::Variant tag = Tag(number);
        for (const auto& v : tag.AsArray().items) out.push_back(v.AsDouble());
        return out;
    }
    static void ExpectTag(const minicad::Entity* number, double d1, double d2, double d3,
                          double tolerance = 1e-6) {
        const std::vector<double> sides = TagSides(number);
        ASSERT_EQ(sides.size(), 3u);
        EXPECT_NEAR(sides[0], d1, tolerance);
        EXPECT_NEAR(sides[1], d2, tolerance);
        EXPECT_NEAR(sides[2], d3, tolerance);
    }
    std::vector<const minicad::Entity*> LinesOn(const std::string& layer) {
        std::vector<const minicad::Entity*> out;
        for (const auto* e : All<minicad::LineData>())
            if (e->layer == layer) out.push_back(e);
        return out;
    }
    static const minicad::LineData& LineOf(const minicad::Entity* e) {
        return minicad::DataOf<minicad::LineData>(e->data);
    }
    // Whether a line joins p and q, in either direction.
    static bool Joins(const minicad::Entity* e, minicad::Point3 p, minicad::Point3 q,
                      double tolerance = 1e-6) {
        const auto& l = LineOf(e);
        auto same = [&](const minicad::Point3& a, const minicad::Point3& b) {
            return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
        };
        return (same(l.start, p) && same(l.end, q)) || (same(l.start, q) && same(l.end, p));
    }
    std::vector<const minicad::CircleData*> Circles() {
        std::vector<const minicad::CircleData*> out;
        for (const auto* e : All<minicad::CircleData>())
            out.push_back(&minicad::DataOf<minicad::CircleData>(e->data));
        return out;
    }
    void SetVariable(const char* name, cadlink::Variant value) {
        ASSERT_EQ(doc().SetVariable(name, value), minicad::VariableError::None) << name;
    }
    // Escape strokes the desktop saw (key down and key up count one each).
    std::size_t EscapeStrokes() {
        return static_cast<std::size_t>(
            std::count_if(desktop.keys.begin(), desktop.keys.end(),
                          [](const auto& k) { return k.virtualKey == platform::kVkEscape; }));
    }
};

}  // namespace tarsel::testing
