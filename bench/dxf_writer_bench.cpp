// Saving drawings: a file read and saved back as it was (what a job that touched nothing costs),
// the same drawing written from the model in another version, into a string and into a file,
// and many layers against many entities on one layer, which must cost about the same.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "minicad/drawing.h"
#include "minicad/dxf.h"

namespace {

using namespace tarsel::minicad;

// Lines, circles and texts; layers names one entity each, or all of them on one layer.
Drawing Made(int entities, int layers) {
    Drawing d;
    for (int l = 0; l < layers; ++l) d.layers.push_back(Layer{"LAYER-" + std::to_string(l)});
    for (int i = 0; i < entities; ++i) {
        Entity e;
        e.id = d.nextId++;
        e.layer = d.layers[static_cast<std::size_t>(i % layers)].name;
        const double x = i * 0.37, y = (i % 1000) * 1.13;
        switch (i % 3) {
            case 0: e.data = LineData{{x, y, 0}, {x + 1.5, y + 0.25, 0}}; break;
            case 1: e.data = CircleData{{x, y, 0}, 0.75}; break;
            default: {
                TextData t;
                t.text = "12-" + std::to_string(i);
                t.insertion = {x, y, 0};
                t.height = 2.5;
                e.data = t;
            }
        }
        d.entities.push_back(e);
    }
    return d;
}

// The drawing as read from its R2018 file: every object kept as read.
const Drawing& Read(int entities, int layers) {
    static std::map<std::pair<int, int>, Drawing> cache;
    auto it = cache.find({entities, layers});
    if (it == cache.end()) {
        const std::string file = WriteDxf(Made(entities, layers), DxfVersion::R2018);
        it = cache.emplace(std::pair{entities, layers}, ReadDxf(file, "bench.dxf")).first;
    }
    return it->second;
}

void BM_SaveAsRead(benchmark::State& state) {
    const Drawing& d = Read(static_cast<int>(state.range(0)), 4);
    for (auto _ : state) benchmark::DoNotOptimize(WriteDxf(d));
}
BENCHMARK(BM_SaveAsRead)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveAsR2000(benchmark::State& state) {
    const Drawing& d = Read(static_cast<int>(state.range(0)), 4);
    for (auto _ : state) benchmark::DoNotOptimize(WriteDxf(d, DxfVersion::R2000));
}
BENCHMARK(BM_SaveAsR2000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveFileAsRead(benchmark::State& state) {
    const Drawing& d = Read(static_cast<int>(state.range(0)), 4);
    const auto path = std::filesystem::temp_directory_path() / "tarsel_writer_bench.dxf";
    for (auto _ : state) WriteDxfFile(path, d);
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveFileAsRead)->Arg(100000)->Unit(benchmark::kMillisecond);

// 20,000 entities on 20,000 layers against the same on one layer, as read and from the model.
void BM_SaveLayersAsRead(benchmark::State& state) {
    const Drawing& d = Read(20000, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(WriteDxf(d));
}
BENCHMARK(BM_SaveLayersAsRead)->Arg(1)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SaveLayersFromModel(benchmark::State& state) {
    const Drawing d = Made(20000, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(WriteDxf(d));
}
BENCHMARK(BM_SaveLayersFromModel)->Arg(1)->Arg(20000)->Unit(benchmark::kMillisecond);

// What a user waits for: the file opened and saved, 20,000 layers against one.
void BM_OpenAndSaveLayers(benchmark::State& state) {
    static std::map<int, std::string> files;
    const int layers = static_cast<int>(state.range(0));
    if (!files.contains(layers)) files[layers] = WriteDxf(Made(20000, layers), DxfVersion::R2018);
    const std::string& file = files[layers];
    for (auto _ : state) benchmark::DoNotOptimize(WriteDxf(ReadDxf(file, "bench.dxf")));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_OpenAndSaveLayers)->Arg(1)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
