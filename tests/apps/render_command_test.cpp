// tarsel render: the SVG is read back by a strict XML parser (tests/support/svg_summary.py) and
// compared with the drawing it was made from: one shape per visible model-space entity, of the
// entity's kind, the view box on the extents, colours resolved as a CAD shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "minicad/dxf_groups.h"
#include "subcommand_harness.h"
#include "subcommands.h"
#include "text/names.h"

namespace tarsel::app {
namespace {

const std::string kEveryKind = TARSEL_FIXTURES_DIR "/dxf/render_every_kind.dxf";

struct Element {
    int depth = 0;
    std::string kind, stroke, fill;
    std::vector<double> box;  // min x, min y, max x, max y of a path; empty for text
    std::string text;
};

struct Summary {
    int status = -1;
    std::string output;
    std::vector<double> viewBox;
    std::vector<Element> elements;
};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

Summary Summarise(const std::filesystem::path& svg) {
    const std::string command = "/usr/bin/python3 '" TARSEL_SOURCE_DIR
                                "/tests/support/svg_summary.py' '" +
                                svg.string() + "' 2>&1";
    Summary summary;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return summary;
    std::array<char, 4096> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe))
        summary.output += buffer.data();
    const int raw = pclose(pipe);
    summary.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::stringstream lines(summary.output);
    for (std::string line; std::getline(lines, line);) {
        const auto f = Fields(line);
        if (f.size() == 5 && f[0] == "viewBox") {
            for (std::size_t k = 1; k < 5; ++k) summary.viewBox.push_back(std::stod(f[k]));
        } else if (f.size() == 10 && f[0] == "element") {
            Element e{std::stoi(f[1]), f[2], f[3], f[4], {}, f[9]};
            if (!f[5].empty())
                for (std::size_t k = 5; k < 9; ++k) e.box.push_back(std::stod(f[k]));
            summary.elements.push_back(std::move(e));
        }
    }
    return summary;
}

// The drawing's own count of model-space entities by kind, from its groups: every entity in
// ENTITIES except the followers (VERTEX, ATTRIB, SEQEND) and those the fixture puts on its
// hidden layers (OFF is off, FROZEN frozen) or of a kind the picture does not draw.
std::map<std::string, int> EntitiesByKind(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    const auto groups = minicad::dxf::Lex(content, file);
    std::map<std::string, int> counts;
    bool inEntities = false;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != 0) continue;
        const std::string type(text::Trim(groups[i].raw));
        if (type == "SECTION") inEntities = text::Trim(groups[i + 1].raw) == "ENTITIES";
        if (type == "ENDSEC") inEntities = false;
        if (!inEntities || type == "SECTION" || type == "ENDSEC" || type == "VERTEX" ||
            type == "ATTRIB" || type == "SEQEND" || type == "3DSOLID")
            continue;
        std::string layer;
        for (std::size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k)
            if (groups[k].code == 8) layer = text::Trim(groups[k].raw);
        if (layer != "OFF" && layer != "FROZEN") ++counts[type];
    }
    return counts;
}

class RenderCommand : public ScratchDirTest {
protected:
    Summary Render(const std::string& drawing, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{drawing, "-o", Path("out.svg")};
        args.insert(args.end(), extra.begin(), extra.end());
        last_ = Invoke<RunRender>(args);
        EXPECT_EQ(last_.exitCode, 0) << last_.err;
        Summary summary = Summarise(dir_ / "out.svg");
        EXPECT_EQ(summary.status, 0) << summary.output;
        return summary;
    }
    Outcome last_;
};

TEST_F(RenderCommand, EveryVisibleEntityIsOneShapeOfItsKindAndTheViewIsTheExtents) {
    const Summary svg = Render(kEveryKind);
    std::map<std::string, int> shapes;
    for (const Element& e : svg.elements)
        if (e.depth == 0 && !e.kind.empty() && e.kind.find('-') == std::string::npos)
            ++shapes[e.kind];
    const auto entities = EntitiesByKind(kEveryKind);
    EXPECT_EQ(shapes, entities);
    EXPECT_EQ(entities.size(), 15u);  // the fixture holds every kind the picture draws

    // The frame (0,0)-(200,100) is the extents; the y axis is flipped; 2% margin.
    EXPECT_EQ(svg.viewBox, (std::vector<double>{-4, -104, 208, 108}));

    // What it leaves out is said: the kind it does not draw, the block inserting itself.
    EXPECT_NE(last_.err.find("1 3DSOLID entity not drawn"), std::string::npos) << last_.err;
    EXPECT_NE(last_.err.find("block 'SELF' inserts itself"), std::string::npos) << last_.err;
}

TEST_F(RenderCommand, ColoursComeFromEntityLayerAndInsert) {
    struct Case {
        int depth;
        std::string kind;
        std::string stroke;
        const char* why;
    };
    const Summary svg = Render(kEveryKind, {"--background", "white"});
    const std::vector<Case> cases = {
        {0, "LWPOLYLINE", "#000000", "BYLAYER on layer 0 (colour 7) on white"},
        {0, "LINE", "#ff0000", "colour 1 on the entity"},
        {0, "POLYLINE", "#123456", "BYLAYER: the layer's true colour"},
        {0, "CIRCLE", "#ff8000", "the entity's true colour"},
        {1, "LWPOLYLINE", "#0000ff", "BYBLOCK in a block: the insert's colour 5"},
        {1, "CIRCLE", "#ff0000", "layer 0 in a block: the insert's layer RED"},
        {2, "LWPOLYLINE", "#ff0000", "BYBLOCK two levels down: the inner insert, BYLAYER RED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        bool found = false;
        for (const Element& e : svg.elements) {
            if (e.depth != c.depth || e.kind != c.kind) continue;
            EXPECT_EQ(e.stroke, c.stroke);
            found = true;
            break;
        }
        EXPECT_TRUE(found);
    }
    const Summary dark = Render(kEveryKind, {"--background", "dark"});
    ASSERT_FALSE(dark.elements.empty());
    EXPECT_EQ(dark.elements[0].stroke, "#ffffff") << "colour 7 on dark";
}

TEST_F(RenderCommand, GeometryLandsWhereTheDrawingPutsIt) {
    const Summary svg = Render(kEveryKind);
    // The box of the last element of a kind at a depth (the fixture's frame comes first).
    auto box = [&](int depth, const std::string& kind) {
        std::vector<double> found;
        for (const Element& e : svg.elements)
            if (e.depth == depth && e.kind == kind && !e.box.empty()) found = e.box;
        return found;
    };
    auto near = [](const std::vector<double>& got, const std::vector<double>& want) {
        if (got.size() != want.size()) return false;
        for (std::size_t k = 0; k < got.size(); ++k)
            if (std::abs(got[k] - want[k]) > 1e-6) return false;
        return true;
    };
    // An arc of centre (-40,30) under extrusion 0,0,-1 is mirrored to centre (40,30): its
    // quarter from 0 to 90 degrees runs from (35,30) to (40,35).
    EXPECT_TRUE(near(box(0, "ARC"), {35, 30, 40, 35}));
    EXPECT_TRUE(near(box(0, "ELLIPSE"), {50, 25, 70, 35}));
    // BOX (10 x 10, base point 5,5) inserted at (120,50), scale 2, rotated 30 degrees.
    const double half = 10 * (std::cos(std::numbers::pi / 6) + std::sin(std::numbers::pi / 6));
    EXPECT_TRUE(near(box(1, "LWPOLYLINE"), {120 - half, 50 - half, 120 + half, 50 + half}));
    // A bulge of 1 from (40,10) to (50,10) is a half circle of radius 5 below the chord,
    // widening from 0 to 2: at its lowest, half of the width 1 lies outside the circle.
    ASSERT_EQ(box(0, "LWPOLYLINE").size(), 4u);
    EXPECT_NEAR(box(0, "LWPOLYLINE")[1], 4.5, 0.02);
    EXPECT_TRUE(near(box(0, "HATCH"), {165, 10, 185, 20})) << "a line and a half circle";

    std::map<std::string, std::string> texts;
    for (const Element& e : svg.elements)
        if (!e.text.empty()) texts[e.kind] = e.text;
    EXPECT_EQ(texts["TEXT"], "日本語 <&> °");
    EXPECT_EQ(texts["MTEXT"], "30");  // the dimension's, the last MTEXT met
    EXPECT_EQ(texts["ATTRIB"], "A-1");
}

TEST_F(RenderCommand, BadArgumentsAndBadDrawingsWriteNothing) {
    const std::string garbage = WriteFile("garbage.dxf", "  0\nSECTION\n 10\nnot a number\n");
    const std::string noEntities =
        WriteFile("empty.dxf", "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nEOF\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::string out = Path("out.svg");
    const std::vector<Case> cases = {
        {{}, 2, "no drawing given"},
        {{kEveryKind}, 2, "no picture given"},
        {{kEveryKind, "-o"}, 2, "-o needs a file name"},
        {{kEveryKind, "-o", out, "--background", "grey"}, 2, "dark or white, not 'grey'"},
        {{kEveryKind, "-o", out, "--colour"}, 2, "unknown option '--colour'"},
        {{Path("missing.dxf"), "-o", out}, 2, "missing.dxf: cannot open the file"},
        {{garbage, "-o", out}, 2, "garbage.dxf"},
        {{noEntities, "-o", out}, 2, "no ENTITIES section"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::ofstream(dir_ / "out.svg") << "kept";
        const Outcome outcome = Invoke<RunRender>(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        std::ifstream in(dir_ / "out.svg");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
    }
    // A folder that does not exist: the write fails and says so.
    const Outcome unwritable = Invoke<RunRender>({kEveryKind, "-o", Path("no/such/out.svg")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("out.svg"), std::string::npos) << unwritable.err;
}

TEST_F(RenderCommand, TheDemoDrawingShowsItsLabelsAndTable) {
    const std::string examples = TARSEL_SOURCE_DIR "/examples/";
    const Outcome run = Invoke<RunRun>(
        {examples + "parcel.dxf", examples + "parcel-job.txt", "-o", Path("demo.dxf")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Summary svg = Render(Path("demo.dxf"));
    std::vector<std::string> texts;
    for (const Element& e : svg.elements) texts.emplace_back(text::Trim(e.text));
    for (const char* label : {"12-3", "面積", "合計", "277.74"}) {
        SCOPED_TRACE(label);
        EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end());
    }
    EXPECT_EQ(last_.err, "");  // nothing of the demo's drawing is left out
}

}  // namespace
}  // namespace tarsel::app
