// Opening and saving a large drawing: 100,000 entities of a survey drawing (lines, polylines
// with bulges, circles, arcs, texts on a few layers) in an R2018 file, read and saved again as
// Application::Open and Save do, with the version left to the drawing.
#include <benchmark/benchmark.h>

#include <string>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "survey_drawing.h"

namespace {

using namespace tarsel::minicad;

constexpr int kEntities = 100000;

std::string MakeFile() {
    return WriteDxf(tarsel::bench::SurveyDrawing(kEntities), DxfVersion::R2018);
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
