// Reading and writing a large drawing as ASCII and as binary DXF, and reading an old file
// whose code page is judged from its bytes, so the byte-level paths can be compared with
// the plain ASCII one.
#include <benchmark/benchmark.h>

#include <string>

#include "minicad/dxf.h"

namespace {

using namespace tarsel::minicad;

constexpr int kEntities = 100000;

// Lines and texts on a few layers, one of them with a Japanese name.
const Drawing& TheDrawing() {
    static const Drawing drawing = [] {
        Drawing d;
        for (const char* layer : {"外周", "WALL", "TEXT"}) d.layers.push_back(Layer{layer});
        for (int i = 0; i < kEntities; ++i) {
            Entity e;
            e.id = d.nextId++;
            e.layer = d.layers[1 + i % 3].name;
            const double x = i * 0.37, y = (i % 1000) * 1.13;
            if (i % 4 == 3) {
                TextData t;
                t.text = "地番 " + std::to_string(i);
                t.insertion = {x, y, 0};
                t.height = 2.5;
                e.data = t;
            } else {
                e.data = LineData{{x, y, 0}, {x + 1.5, y + 0.25, 0}};
            }
            d.entities.push_back(e);
        }
        return d;
    }();
    return drawing;
}

std::string Saved(DxfVersion version, bool binary) {
    Drawing d = TheDrawing();
    d.binaryDxf = binary;
    return WriteDxf(d, version);
}

void BM_Read(benchmark::State& state, DxfVersion version, bool binary) {
    const std::string file = Saved(version, binary);
    for (auto _ : state) {
        Drawing d = ReadDxf(file, "bench.dxf");
        benchmark::DoNotOptimize(d.entities.data());
    }
    state.counters["MB"] = static_cast<double>(file.size()) / 1e6;
}

void BM_Write(benchmark::State& state, DxfVersion version, bool binary) {
    Drawing d = TheDrawing();
    d.binaryDxf = binary;
    for (auto _ : state) {
        std::string file = WriteDxf(d, version);
        benchmark::DoNotOptimize(file.data());
    }
}

// An R12 file that declares no code page, so every string's bytes are looked at first.
void BM_ReadUndeclaredR12(benchmark::State& state) {
    std::string file = Saved(DxfVersion::R12, false);
    const std::string declared = "$DWGCODEPAGE\r\n  3\r\nANSI_932\r\n";
    const auto at = file.find(declared);
    if (at == std::string::npos) {
        state.SkipWithError("no code page in the saved file");
        return;
    }
    file.replace(at, declared.size(), "$CLAYER\r\n  8\r\n0\r\n");
    for (auto _ : state) {
        Drawing d = ReadDxf(file, "bench.dxf");
        benchmark::DoNotOptimize(d.entities.data());
    }
}

BENCHMARK_CAPTURE(BM_Read, ascii_r2018, DxfVersion::R2018, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, binary_r2018, DxfVersion::R2018, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, ascii_r12, DxfVersion::R12, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, binary_r12, DxfVersion::R12, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadUndeclaredR12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, ascii_r2018, DxfVersion::R2018, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, binary_r2018, DxfVersion::R2018, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
