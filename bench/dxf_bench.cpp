// Opening and saving a large drawing: 100,000 entities of a survey drawing (lines, polylines
// with bulges, circles, arcs, texts on a few layers) in an R2018 file, read and saved again as
// Application::Open and Save do, with the version left to the drawing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "minicad/drawing.h"
#include "minicad/dxf.h"

namespace {

using namespace tarsel::minicad;

constexpr int kEntities = 100000;

std::string MakeFile() {
    Drawing d;
    for (const char* layer : {"PARCEL", "ROAD", "TEXT", "POINTS"}) d.layers.push_back(Layer{layer});
    for (int i = 0; i < kEntities; ++i) {
        const double x = (i % 400) * 25.0 + 0.125 * (i % 7), y = (i / 400) * 25.0 + 0.375;
        Entity e;
        e.id = d.nextId++;
        switch (i % 5) {
            case 0:
                e.layer = "PARCEL";
                e.data = LineData{{x, y, 0}, {x + 24.5, y + 3.25, 0}};
                break;
            case 1: {
                e.layer = "ROAD";
                PolylineData pl;
                pl.closed = (i % 2) == 0;
                pl.vertices = {{x, y, 0}, {x + 10, y, 0.25}, {x + 10, y + 10, 0}, {x, y + 12, 0}};
                e.data = pl;
                break;
            }
            case 2:
                e.layer = "POINTS";
                e.data = CircleData{{x, y, 0}, 0.5};
                break;
            case 3:
                e.layer = "ROAD";
                e.data = ArcData{{x, y, 0}, 7.5, 0.25, 2.0};
                break;
            default: {
                e.layer = "TEXT";
                TextData t;
                t.text = "12-" + std::to_string(i);
                t.insertion = {x, y, 0};
                t.height = 2.5;
                e.data = t;
                break;
            }
        }
        d.entities.push_back(e);
    }
    return WriteDxf(d, DxfVersion::R2018);
}

void BM_OpenAndSaveR2018(benchmark::State& state) {
    const std::string file = MakeFile();
    for (auto _ : state) {
        const Drawing drawing = ReadDxf(file, "bench.dxf");
        std::string saved = WriteDxf(drawing);
        benchmark::DoNotOptimize(saved);
    }
    state.counters["MB"] = static_cast<double>(file.size()) / 1e6;
}
BENCHMARK(BM_OpenAndSaveR2018)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same with the version named: what a save in R2018 costs whatever the default.
void BM_OpenAndSaveAsR2018(benchmark::State& state) {
    const std::string file = MakeFile();
    for (auto _ : state) {
        const Drawing drawing = ReadDxf(file, "bench.dxf");
        std::string saved = WriteDxf(drawing, DxfVersion::R2018);
        benchmark::DoNotOptimize(saved);
    }
}
BENCHMARK(BM_OpenAndSaveAsR2018)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
