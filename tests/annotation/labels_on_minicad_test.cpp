// Side labels, number labels and the labelling pass writing into minicad: which entities
// appear, where, in what order, on which layer, and with what tag.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "annotation/label_triangles.h"
#include "annotation/number_labels.h"
#include "annotation/side_labels.h"
#include "annotation/triangle_tag.h"
#include "commands/labelling.h"
#include "support/minicad_fixture.h"

namespace tarsel::annotation {
namespace {

using cadlink::Variant;
using geometry::TAcadPoint;
using geometry::TAcadTriangle;

const TAcadTriangle kRight{{0, 0, 0}, {4000, 0, 0}, {0, 3000, 0}};

class Labels : public testing::MinicadFixture {
protected:
    Labels() {
        doc().AddLayer("H_TEXT");
        doc().AddLayer("H_TAKASA");
        session().CadApp = cad->Object();
    }
    cadlink::ObjectRef d = docObject();

    // The tag as a reader gets it back through GetXdata.
    std::optional<TriangleTag> TagThroughAutomation(std::int64_t id) {
        const cadlink::ObjectRef e = cadlink::Call(d, "ObjectIdToObject", {Variant(id)}).AsObject();
        std::array<Variant, 3> args = {Variant(kTagAppName), Variant(), Variant()};
        cadlink::CallWithOut(e, "GetXdata", args);
        return ParseTriangleTag(args[1], args[2]);
    }
    std::vector<std::string> NumberTexts() {
        std::vector<std::string> out;
        for (const auto* e : Texts()) {
            if (!e->xdata.empty()) out.push_back(TextOf(e).text);
        }
        return out;
    }
    std::size_t LengthTexts() { return Texts().size() - NumberTexts().size(); }

    // Where the writers write: into d, recording into the session while it records.
    LabelTarget Target() { return commands::LabelTargetFor(session(), d); }
    static LabelStyle Style(double sideHeight, double divisor, double angBase, int angDir) {
        LabelStyle style;
        style.sideTextHeight = sideHeight;
        style.scaleDivisor = divisor;
        style.angles = {angBase, angDir};
        return style;
    }
    static LabelStyle NumberStyle(double radius, double height, double angBase, int angDir) {
        LabelStyle style = Style(300, 1000, angBase, angDir);
        style.circleRadius = radius;
        style.numberHeight = height;
        return style;
    }
    // The labelling pass as a command runs it: the style read from the options.
    LabelPassResult Pass(const std::vector<TAcadTriangle>& triangles) {
        return commands::LabelTrianglesAndTell(session(), d, commands::ReadLabelStyle(options()),
                                               triangles);
    }
};

TEST_F(Labels, NumberInItsCircleAtTheIncentreTaggedWithTheSides) {
    session().RecordCreatedIds = true;
    ASSERT_TRUE(WriteTriangleNumber(Target(), NumberStyle(500, 400, 0, 0), kRight, 7));

    ASSERT_EQ(doc().Entities().size(), 2u);
    const minicad::Entity& circle = doc().Entities()[0];
    const minicad::Entity& text = doc().Entities()[1];
    const auto& c = minicad::DataOf<minicad::CircleData>(circle.data);
    EXPECT_NEAR(c.center.x, 1000, 1e-9);
    EXPECT_NEAR(c.center.y, 1000, 1e-9);
    EXPECT_EQ(c.radius, 500);
    EXPECT_EQ(circle.layer, "H_TEXT");
    const auto& t = minicad::DataOf<minicad::TextData>(text.data);
    EXPECT_EQ(t.text, "7");
    EXPECT_EQ(t.height, 400);
    EXPECT_EQ(t.alignment, minicad::TextAlignment::MiddleCenter);
    EXPECT_NEAR(t.alignmentPoint.x, 1000, 1e-9);
    EXPECT_NEAR(t.alignmentPoint.y, 1000, 1e-9);
    EXPECT_EQ(text.layer, "H_TEXT");
    EXPECT_EQ(TagThroughAutomation(text.id), (TriangleTag{4000, 5000, 3000}));
    EXPECT_TRUE(circle.xdata.empty());
    EXPECT_EQ(session().CreatedIds, (std::vector<std::int64_t>{circle.id, text.id}));
}

TEST_F(Labels, BaseHeightNumberSitsInTheLargerHalfAndKeepsTheThreeSides) {
    const BaseAndFoot bf = FindBaseAndFoot(kRight);
    ASSERT_TRUE(WriteBaseHeightNumber(Target(), NumberStyle(500, 400, 90 * geometry::kDegToRad, 0),
                                      kRight, bf, 3));
    const auto& t = TextOf(Texts()[0]);
    EXPECT_NEAR(t.alignmentPoint.x, 1600, 1e-9);
    EXPECT_NEAR(t.alignmentPoint.y, 800, 1e-9);
    EXPECT_NEAR(t.rotation, -geometry::kHalfPi, 1e-12);
    EXPECT_EQ(TagThroughAutomation(Texts()[0]->id), (TriangleTag{4000, 5000, 3000}));
}

TEST_F(Labels, ATriangleWithoutAreaGetsNoNumberAnywhere) {
    const TAcadTriangle flat{{0, 0, 0}, {5000, 0, 0}, {10000, 0, 0}};
    EXPECT_FALSE(WriteTriangleNumber(Target(), NumberStyle(500, 400, 0, 0), flat, 1));
    EXPECT_FALSE(WriteBaseHeightNumber(Target(), NumberStyle(500, 400, 0, 0), flat,
                                       FindBaseAndFoot(flat), 1));
    EXPECT_TRUE(doc().Entities().empty());
}

TEST_F(Labels, SideLengthProbeSuppressesADuplicateOnEitherSide) {
    session().RecordCreatedIds = true;
    const TAcadPoint a{0, 0, 0}, b{10000, 0, 0};
    EXPECT_TRUE(WriteSideLength(Target(), Style(300, 1000, 0, 0), a, b, true));
    EXPECT_FALSE(WriteSideLength(Target(), Style(300, 1000, 0, 0), b, a, true));
    EXPECT_EQ(session().CreatedIds.size(), 1u);
    EXPECT_TRUE(WriteSideLength(Target(), Style(300, 1000, 0, 0), a, b, false));
    EXPECT_EQ(Texts().size(), 2u);
    EXPECT_EQ(session().CreatedIds.size(), 2u);

    // A text just below the side (the other probe band) counts as well.
    const TAcadPoint c{0, 5000, 0}, e{10000, 5000, 0};
    AddText("other", 4800, 4900);
    EXPECT_FALSE(WriteSideLength(Target(), Style(300, 1000, 0, 0), c, e, true));
    EXPECT_EQ(
        doc().SelectionSets().size() -
            [&] {
                std::size_t n = 0;
                for (const auto& s : doc().SelectionSets()) n += s->deleted ? 1 : 0;
                return n;
            }(),
        0u);
}

TEST_F(Labels, TriangleSideLengthsSkipTheSideAlreadyLabelled) {
    WriteSideLength(Target(), Style(300, 1000, 0, 0), kRight.p2, kRight.p3, false);
    WriteTriangleSideLengths(Target(), Style(300, 1000, 0, 0), kRight);
    EXPECT_EQ(TextStrings(), (std::vector<std::string>{"5.00", "4.00", "3.00"}));
}

TEST_F(Labels, SideLineOnlyWhereNoLineRunsThroughTheMidpoint) {
    doc().AddLayer("H_HEN");
    AddPolyline({{0, 0}, {4000, 0}, {4000, 4000}}, false);
    session().RecordCreatedIds = true;
    EXPECT_FALSE(AddSideLine(Target(), {0, 0, 0}, {4000, 0, 0}, true, "H_HEN"));
    EXPECT_TRUE(AddSideLine(Target(), {0, 0, 0}, {4000, 4000, 0}, true, "H_HEN"));
    EXPECT_FALSE(AddSideLine(Target(), {4000, 4000, 0}, {0, 0, 0}, true, "H_HEN"));
    EXPECT_TRUE(AddSideLine(Target(), {0, 0, 0}, {4000, 4000, 0}, false, "H_HEN"));
    EXPECT_EQ(All<minicad::LineData>().size(), 2u);
    EXPECT_EQ(All<minicad::LineData>()[0]->layer, "H_HEN");
    EXPECT_EQ(session().CreatedIds.size(), 2u);
}

TEST_F(Labels, PassLabelsSharedSidesOnceInEitherDirection) {
    // Two halves of a 4000 x 3000 rectangle; the diagonal listed in opposite directions.
    const std::vector<TAcadTriangle> triangles = {
        {{0, 3000, 0}, {0, 0, 0}, {4000, 0, 0}},
        {{0, 3000, 0}, {4000, 0, 0}, {4000, 3000, 0}},
    };
    options().SetNextNumber(7);
    const LabelPassResult r = Pass(triangles);
    EXPECT_EQ(r.labelled, 2);
    EXPECT_EQ(LengthTexts(), 5u);
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"7", "8"}));
    EXPECT_EQ(options().NextNumber(), 9);
    // The diagonal text belongs to the first triangle: written from (4000,0) to (0,3000).
    EXPECT_EQ(TextStrings()[2], "5.00");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Labels, PassUnderBaseAndHeightWritesOneSharedBaseTwoHeights) {
    options().SetKyuuseki(1);
    const std::vector<TAcadTriangle> triangles = {
        {{0, 0, 0}, {10000, 0, 0}, {3000, 4000, 0}},
        {{10000, 0, 0}, {0, 0, 0}, {6000, -3000, 0}},
    };
    Pass(triangles);
    EXPECT_EQ(TextStrings(), (std::vector<std::string>{"10.00", "4.00", "1", "3.00", "2"}));
    const auto heightLines = All<minicad::LineData>();
    ASSERT_EQ(heightLines.size(), 2u);
    EXPECT_EQ(heightLines[0]->layer, "H_TAKASA");
    const auto& first = minicad::DataOf<minicad::LineData>(heightLines[0]->data);
    EXPECT_EQ(first.start, (minicad::Point3{3000, 4000, 0}));
    EXPECT_NEAR(first.end.x, 3000, 1e-9);
    EXPECT_NEAR(first.end.y, 0, 1e-9);
}

TEST_F(Labels, CounterStopsAtAThousandAndEveryLaterTriangleGetsIt) {
    const std::vector<TAcadTriangle> three = {
        {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}},
        {{5000, 0, 0}, {6000, 0, 0}, {5000, 1000, 0}},
        {{9000, 0, 0}, {10000, 0, 0}, {9000, 1000, 0}},
    };
    options().SetNextNumber(999);
    Pass(three);
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"999", "1000", "1000"}));
    EXPECT_EQ(options().NextNumber(), 1000);

    const std::size_t before = doc().Entities().size();
    Pass({});
    EXPECT_EQ(doc().Entities().size(), before);
}

TEST_F(Labels, TriangleWithoutAreaIsLeftOutAndTheUserIsTold) {
    const std::vector<TAcadTriangle> triangles = {
        {{0, 0, 0}, {5000, 0, 0}, {10000, 0, 0}},  // flat
        {{0, 0, 0}, {10000, 0, 0}, {5000, 5000, 0}},
    };
    options().SetNextNumber(4);
    const LabelPassResult r = Pass(triangles);
    EXPECT_EQ(r.labelled, 1);
    EXPECT_EQ(r.skippedWithoutArea, 1);
    EXPECT_EQ(NumberTexts(), (std::vector<std::string>{"4"}));
    EXPECT_EQ(LengthTexts(), 3u);
    EXPECT_EQ(options().NextNumber(), 5);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, commands::kNoAreaTriangleMessage);
    EXPECT_EQ(desktop.messages[0].caption, "Tarsel");
}

TEST_F(Labels, NumberFieldsAreReadBeforeAnythingIsWritten) {
    options().Hankei1 = "5OO";
    EXPECT_THROW(Pass({kRight}), options::NumberFieldError);
    EXPECT_TRUE(doc().Entities().empty());
    EXPECT_EQ(options().NextNumber(), 1);
}

}  // namespace
}  // namespace tarsel::annotation
