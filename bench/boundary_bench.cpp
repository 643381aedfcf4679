// Boundary tracing in a large drawing: one 200-vertex parcel among 50,000 other entities
// (a town of parcels with lot numbers, markers and building outlines). Building the index
// and one pick are measured separately; a pick must cost the neighbourhood only. The last
// benchmark is the exception that proves it: a pick only the drawing's frame encloses.
//
//   boundary_bench                          run the benchmarks
//   boundary_bench --write-dxf OUT.dxf      write the drawing (and OUT.job: press 自動 at
//                                           the parcel's inside point) for timing tarsel run
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "minicad/boundary.h"
#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "minicad/segment_index.h"

namespace {

using namespace tarsel::minicad;

using tarsel::geometry::kPi;
constexpr int kGrid = 100;            // parcels per side of the town
constexpr double kCell = 20000;       // parcel size, drawing units (mm)
constexpr int kParcelVertices = 200;  // the parcel that is picked
constexpr int kOtherEntities = 50000;

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    double Unit() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t state_;
};

struct Town {
    Drawing drawing;
    double pickX = 0;
    double pickY = 0;
    double neighbourX = 0;  // inside an ordinary four-sided parcel
    double neighbourY = 0;
};

void Add(Drawing& d, EntityData data, const char* layer) {
    Entity e;
    e.id = d.nextId++;
    e.layer = layer;
    e.data = std::move(data);
    d.entities.push_back(std::move(e));
}

// The town: a grid of parcels (closed polylines, each shared side drawn twice, as
// neighbouring lots are), a lot number and a marker circle in each, and
// building outlines as loose lines, until there are kOtherEntities entities. The 3 x 3
// parcels in the middle are cleared for the 200-vertex parcel, a star-shaped lot.
Town MakeTown() {
    Town town;
    Drawing& d = town.drawing;
    d.layers.push_back(Layer{"PARCEL"});
    d.layers.push_back(Layer{"NUMBER"});
    d.layers.push_back(Layer{"MARKER"});
    d.layers.push_back(Layer{"BUILDING"});
    Random rnd(2025);
    auto jitter = [&](int i, int j) {
        // The same corner jitters the same way for all four parcels that share it.
        Random corner(static_cast<std::uint64_t>(i) * 7919 + static_cast<std::uint64_t>(j));
        const bool border = i == 0 || j == 0 || i == kGrid || j == kGrid;
        return border ? PolylineVertex{i * kCell, j * kCell, 0}
                      : PolylineVertex{i * kCell + (corner.Unit() - 0.5) * 2000,
                                       j * kCell + (corner.Unit() - 0.5) * 2000, 0};
    };
    const int mid = kGrid / 2;
    auto cleared = [&](int i, int j) { return std::abs(i - mid) <= 1 && std::abs(j - mid) <= 1; };
    int others = 0;
    for (int i = 0; i < kGrid && others < kOtherEntities; ++i) {
        for (int j = 0; j < kGrid && others < kOtherEntities; ++j) {
            if (cleared(i, j)) continue;
            PolylineData p;
            p.closed = true;
            p.vertices = {jitter(i, j), jitter(i + 1, j), jitter(i + 1, j + 1), jitter(i, j + 1)};
            Add(d, p, "PARCEL");
            TextData t;
            t.text = std::to_string(i * kGrid + j + 1);
            t.insertion = t.alignmentPoint = {(i + 0.5) * kCell, (j + 0.5) * kCell, 0};
            t.height = 2000;
            Add(d, t, "NUMBER");
            others += 2;
        }
    }
    for (int i = 0; i < kGrid && others < kOtherEntities; ++i) {
        for (int j = 0; j < kGrid && others < kOtherEntities; ++j) {
            if (cleared(i, j)) continue;
            // A well or a tree: a closed curve of its own inside the parcel.
            Add(d, CircleData{{(i + 0.2) * kCell, (j + 0.8) * kCell, 0}, 300}, "MARKER");
            ++others;
        }
    }
    while (others < kOtherEntities) {
        // A building: four loose lines well inside a random parcel.
        int i = static_cast<int>(rnd.Unit() * kGrid), j = static_cast<int>(rnd.Unit() * kGrid);
        if (cleared(i, j)) continue;
        const double x = i * kCell + 4000 + rnd.Unit() * 6000;
        const double y = j * kCell + 4000 + rnd.Unit() * 6000;
        const double w = 3000 + rnd.Unit() * 5000, h = 3000 + rnd.Unit() * 5000;
        const double xs[5] = {x, x + w, x + w, x, x};
        const double ys[5] = {y, y, y + h, y + h, y};
        for (int k = 0; k < 4 && others < kOtherEntities; ++k, ++others) {
            Add(d, LineData{{xs[k], ys[k], 0}, {xs[k + 1], ys[k + 1], 0}}, "BUILDING");
        }
    }
    const double cx = (mid + 0.5) * kCell, cy = (mid + 0.5) * kCell;
    PolylineData parcel;
    parcel.closed = true;
    for (int k = 0; k < kParcelVertices; ++k) {
        const double a = 2 * kPi * k / kParcelVertices;
        const double r = 22000 * (1 + 0.15 * std::sin(5 * a) + 0.02 * (rnd.Unit() - 0.5));
        parcel.vertices.push_back({cx + r * std::cos(a), cy + r * std::sin(a), 0});
    }
    Add(d, parcel, "PARCEL");
    town.pickX = cx;
    town.pickY = cy;
    // Near a corner, clear of the lot number, the marker and the buildings.
    town.neighbourX = 10.125 * kCell;
    town.neighbourY = 20.125 * kCell;
    return town;
}

const Town& TheTown() {
    static const Town town = MakeTown();
    return town;
}

void BM_BoundaryIndexBuild(benchmark::State& state) {
    const Town& town = TheTown();
    for (auto _ : state) {
        SegmentIndex index(town.drawing);
        benchmark::DoNotOptimize(index.CellSize());  // the grid itself is built lazily
    }
    state.counters["entities"] = static_cast<double>(town.drawing.entities.size());
}
BENCHMARK(BM_BoundaryIndexBuild)->Unit(benchmark::kMillisecond);

void Pick(benchmark::State& state, double x, double y, std::size_t wantVertices) {
    const Town& town = TheTown();
    const SegmentIndex index(town.drawing);
    TraceResult last;
    for (auto _ : state) {
        last = TraceBoundary(index, x, y);
        benchmark::DoNotOptimize(last);
    }
    if (!last.polyline || last.polyline->vertices.size() != wantVertices) {
        state.SkipWithError("the pick did not trace the expected parcel");
        return;
    }
    state.counters["vertices"] = static_cast<double>(last.polyline->vertices.size());
    state.counters["windows"] = last.windows;
    state.counters["pieces"] = static_cast<double>(last.pieces);
}

void BM_BoundaryPick200(benchmark::State& state) {
    Pick(state, TheTown().pickX, TheTown().pickY, kParcelVertices);
}
BENCHMARK(BM_BoundaryPick200)->Unit(benchmark::kMicrosecond);

void BM_BoundaryPickNeighbour(benchmark::State& state) {
    Pick(state, TheTown().neighbourX, TheTown().neighbourY, 4);
}
BENCHMARK(BM_BoundaryPickNeighbour)->Unit(benchmark::kMicrosecond);

// The worst pick a user can make: open ground that only the drawing's frame encloses.
// Every piece lies inside the answer, so the whole drawing is traced once.
void BM_BoundaryPickInsideFrameOnly(benchmark::State& state) {
    static const Drawing framed = [] {
        Drawing d = TheTown().drawing;
        const double lo = -50000, hi = kGrid * kCell + 50000;
        PolylineData frame;
        frame.closed = true;
        frame.vertices = {{lo, lo, 0}, {hi, lo, 0}, {hi, hi, 0}, {lo, hi, 0}};
        Add(d, frame, "PARCEL");
        return d;
    }();
    const SegmentIndex index(framed);
    TraceResult last;
    for (auto _ : state) {
        last = TraceBoundary(index, -25000, kGrid * kCell / 2);
        benchmark::DoNotOptimize(last);
    }
    if (!last.polyline || last.polyline->vertices.size() != 4) {
        state.SkipWithError("the pick did not trace the frame");
        return;
    }
    state.counters["windows"] = last.windows;
    state.counters["pieces"] = static_cast<double>(last.pieces);
}
BENCHMARK(BM_BoundaryPickInsideFrameOnly)->Unit(benchmark::kMillisecond);

std::string Number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
    return std::string(buf, r.ptr);
}

int WriteTown(const std::filesystem::path& out) {
    const Town& town = TheTown();
    try {
        WriteDxfFile(out, town.drawing);
        std::filesystem::path job = out;
        job.replace_extension(".job");
        std::filesystem::path temp = job;
        temp += ".tmp";
        {
            std::ofstream f(temp, std::ios::binary | std::ios::trunc);
            f << "# " << kParcelVertices << "-vertex parcel among " << kOtherEntities
              << " other entities\npress 自動\npoint " << Number(town.pickX) << ","
              << Number(town.pickY) << "\n";
            f.close();
            if (!f) throw std::runtime_error("cannot write " + temp.string());
        }
        std::filesystem::rename(temp, job);
        std::printf("wrote %s (%zu entities) and %s\n", out.string().c_str(),
                    town.drawing.entities.size(), job.string().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "boundary_bench: %s\n", e.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--write-dxf") return WriteTown(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
