// Large and crafted drawings for bench/dxf_scale.sh, which times each step in a process of
// its own so that the peak memory it reports is that step's alone:
//   dxf_scale make <entities> <R12|R2000|...> <file>   a survey drawing of that many entities
//   dxf_scale layers <n> <one|each> <file>             n lines on one layer or each on its own
//   dxf_scale fanout <levels> <copies> <file>          each block inserting the next `copies` times
//   dxf_scale chain <length> <file>                    each block inserting the next once
//   dxf_scale open <file>                              read it; says how long ReadDxfFile took
//   dxf_scale open-save <file> <out>                   read it and save it as read
//   dxf_scale extents <file>                           read it and measure the model's extents
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "minicad/document.h"
#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "survey_drawing.h"

namespace {

using namespace tarsel::minicad;

std::size_t Count(const char* text) {
    std::size_t n = 0;
    const std::string_view s(text);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc{} || end != s.data() + s.size())
        throw std::runtime_error("not a count: " + std::string(s));
    return n;
}

Entity Line(Drawing& d, std::string layer, const Point3& a, const Point3& b) {
    Entity e;
    e.id = d.nextId++;
    e.layer = std::move(layer);
    e.data = LineData{a, b};
    return e;
}

Entity Ref(Drawing& d, std::string block, const Point3& at) {
    Entity e;
    e.id = d.nextId++;
    e.data = InsertData{std::move(block), at};
    return e;
}

Drawing Layers(std::size_t n, bool each) {
    Drawing d;
    for (std::size_t i = 0; i < n; ++i) {
        std::string layer = each ? "L" + std::to_string(i) : "ONE";
        if (each || i == 0) d.layers.push_back(Layer{layer});
        const double x = double(i);
        d.entities.push_back(Line(d, layer, {x, 0, 0}, {x, 1, 0}));
    }
    return d;
}

Drawing FanOut(std::size_t levels, std::size_t copies) {
    Drawing d;
    for (std::size_t level = 0; level < levels; ++level) {
        Block b{"F" + std::to_string(level), {}, {}};
        if (level + 1 == levels)
            b.entities.push_back(Line(d, "0", {0, 0, 0}, {1, 1, 0}));
        else
            for (std::size_t c = 0; c < copies; ++c)
                b.entities.push_back(Ref(d, "F" + std::to_string(level + 1), {}));
        d.blocks.push_back(std::move(b));
    }
    d.entities.push_back(Ref(d, "F0", {1000, 1000, 0}));
    d.entities.push_back(Line(d, "0", {0, 0, 0}, {100, 0, 0}));
    return d;
}

Drawing Chain(std::size_t length) {
    Drawing d;
    d.blocks.reserve(length);
    for (std::size_t i = 0; i + 1 < length; ++i) {
        Block b{"C" + std::to_string(i), {}, {}};
        b.entities.push_back(Ref(d, "C" + std::to_string(i + 1), {1, 0, 0}));
        d.blocks.push_back(std::move(b));
    }
    Block last{"C" + std::to_string(length - 1), {}, {}};
    last.entities.push_back(Line(d, "0", {0, 0, 0}, {1, 1, 0}));
    d.blocks.push_back(std::move(last));
    d.entities.push_back(Ref(d, "C0", {}));
    return d;
}

int Run(int argc, char** argv) {
    const std::string_view step = argc > 1 ? argv[1] : "";
    if (step == "make" && argc == 5) {
        const auto version = DxfVersionFromName(argv[3]);
        if (!version) throw std::runtime_error(std::string("not a DXF version: ") + argv[3]);
        WriteDxfFile(argv[4], tarsel::bench::SurveyDrawing(Count(argv[2])), *version);
    } else if (step == "layers" && argc == 5) {
        WriteDxfFile(argv[4], Layers(Count(argv[2]), std::string_view(argv[3]) == "each"));
    } else if (step == "fanout" && argc == 5) {
        WriteDxfFile(argv[4], FanOut(Count(argv[2]), Count(argv[3])));
    } else if (step == "chain" && argc == 4) {
        WriteDxfFile(argv[3], Chain(Count(argv[2])));
    } else if (step == "open" && argc == 3) {
        const auto start = std::chrono::steady_clock::now();
        const Drawing d = ReadDxfFile(argv[2]);
        const std::chrono::duration<double> read = std::chrono::steady_clock::now() - start;
        std::printf("%zu entities, %zu blocks; read in %.4f s\n", d.entities.size(),
                    d.blocks.size(), read.count());
    } else if (step == "open-save" && argc == 4) {
        WriteDxfFile(argv[3], ReadDxfFile(argv[2]));
    } else if (step == "extents" && argc == 3) {
        const Document doc(ReadDxfFile(argv[2]));
        const Extents e = doc.ComputeExtents();
        std::printf("%.3f,%.3f - %.3f,%.3f\n", e.min.x, e.min.y, e.max.x, e.max.y);
    } else {
        std::fputs("usage: see the head of bench/dxf_scale.cpp\n", stderr);
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dxf_scale: %s\n", e.what());
        return 1;
    }
}
