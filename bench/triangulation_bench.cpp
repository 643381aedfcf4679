// Time of TriangulateOutline on a regular convex outline and on a comb with many reflex
// corners. The counters show the outcome, so a faster build that splits differently shows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "geometry/outline_triangulation.h"

namespace {

using tarsel::geometry::TAcadPoint;

// n vertices on a circle of 50 m (in millimetres), counter-clockwise.
std::vector<TAcadPoint> RegularOutline(int n) {
    std::vector<TAcadPoint> points;
    for (int k = 0; k < n; ++k) {
        const double angle = tarsel::geometry::kTwoPi * k / n;
        points.push_back({50000 * std::cos(angle), 50000 * std::sin(angle), 0});
    }
    return points;
}

// A base strip with teeth standing on it: 4 * teeth vertices, half of the tooth-foot corners
// reflex.
std::vector<TAcadPoint> CombOutline(int teeth) {
    const double toothW = 2000, gapW = 1000, baseH = 3000, top = 11000;
    const double pitch = toothW + gapW;
    std::vector<TAcadPoint> points = {{0, 0, 0}, {teeth * pitch - gapW, 0, 0}};
    for (int k = teeth - 1; k >= 0; --k) {
        points.push_back({k * pitch + toothW, top, 0});
        points.push_back({k * pitch, top, 0});
        if (k > 0) {
            points.push_back({k * pitch, baseH, 0});
            points.push_back({k * pitch - gapW, baseH, 0});
        }
    }
    return points;
}

void Split(benchmark::State& state, const std::vector<TAcadPoint>& outline) {
    int diagonals = 0;
    tarsel::geometry::OutlineSplit split;
    for (auto _ : state) {
        diagonals = 0;
        split = tarsel::geometry::TriangulateOutline(
            outline, 1e7, [&](const TAcadPoint&, const TAcadPoint&) { ++diagonals; });
        benchmark::DoNotOptimize(split);
    }
    state.counters["vertices"] = static_cast<double>(outline.size());
    state.counters["success"] = split.success ? 1 : 0;
    state.counters["diagonals"] = diagonals;
}

void BM_ConvexOutline(benchmark::State& state) {
    Split(state, RegularOutline(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ConvexOutline)->Arg(100)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_CombOutline(benchmark::State& state) {
    Split(state, CombOutline(static_cast<int>(state.range(0)) / 4));
}
BENCHMARK(BM_CombOutline)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
