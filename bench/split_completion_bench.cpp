// The completion of the split: its time on long combs, and how often the split refuses or
// reports a wrong success on generated parcels, before (the plain 60-degree split) and after
// (checked cuts and the completion). The rates are counters of one run over fixed seeds; a
// wrong success is a split that reports success with triangles that do not cover the outline
// soundly (judged exactly, as the tests judge it).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "geometry/outline_triangulation.h"
#include "outline_shapes.h"
#include "split_checks.h"

namespace {

using tarsel::geometry::SplitMode;
using tarsel::geometry::TAcadPoint;
using tarsel::geometry::TAcadTriangle;
namespace shapes = tarsel::geometry::shapes;
namespace checks = tarsel::geometry::checks;

// The completion alone: ear cutting a comb of n vertices from scratch, as it would finish a
// comb on which the 60-degree passes gave up at once.
void BM_CompletionOnComb(benchmark::State& state) {
    const std::vector<TAcadPoint> comb = shapes::Translated(
        shapes::CombOutline(static_cast<int>(state.range(0)) / 4, 2000, 1000, 8000, 3000), 30000,
        40000);
    const auto winding = tarsel::geometry::OutlineWinding(comb);
    bool done = false;
    std::size_t triangles = 0;
    for (auto _ : state) {
        std::vector<TAcadTriangle> out;
        out.reserve(comb.size());
        done = tarsel::geometry::CutEars(comb, winding, out, {});
        triangles = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["vertices"] = static_cast<double>(comb.size());
    state.counters["success"] = done ? 1 : 0;
    state.counters["triangles"] = static_cast<double>(triangles);
}
BENCHMARK(BM_CompletionOnComb)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The whole split of a comb, before and after: the plain passes (which give up) against the
// checked passes, their rerun and the completion.
void BM_SplitComb(benchmark::State& state, SplitMode mode) {
    const std::vector<TAcadPoint> comb = shapes::Translated(
        shapes::CombOutline(static_cast<int>(state.range(0)) / 4, 2000, 1000, 8000, 3000), 30000,
        40000);
    tarsel::geometry::OutlineSplit split;
    for (auto _ : state) {
        split = tarsel::geometry::TriangulateOutline(comb, 1e7, {}, mode);
        benchmark::DoNotOptimize(split);
    }
    state.counters["vertices"] = static_cast<double>(comb.size());
    state.counters["success"] = split.success ? 1 : 0;
    state.counters["ear_triangles"] = split.completedTriangles;
}
BENCHMARK_CAPTURE(BM_SplitComb, plain, SplitMode::Plain)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SplitComb, completed, SplitMode::Completed)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

enum class Family { FlagLots, TLots, Combs, NoisyLots, Stars };

// Parcels as a user meets them, in millimetres far from the origin.
std::vector<std::vector<TAcadPoint>> Generate(Family family) {
    std::mt19937_64 random(0x5eed + static_cast<int>(family));
    std::uniform_real_distribution<double> across(10000, 40000), pole(2000, 4000),
        poleLength(5000, 25000), unit(0, 1);
    const auto mm = [](double v) { return std::round(v); };
    std::vector<std::vector<TAcadPoint>> outlines;
    const auto flagLot = [&] {
        const double flagW = mm(across(random)), flagH = mm(across(random));
        const double poleW = mm(pole(random));
        const double poleX = mm(unit(random) * (flagW - poleW));
        return shapes::Translated(
            shapes::PoleLotOutline(poleX, poleW, mm(poleLength(random)), flagW, flagH), 30000,
            40000);
    };
    const auto tLot = [&] {
        const double w = mm(across(random)), h = mm(across(random));
        return shapes::Translated(shapes::TOutline(w, h, mm(w * (0.1 + 0.5 * unit(random))),
                                                   mm(h * (0.2 + 0.5 * unit(random)))),
                                  30000, 40000);
    };
    const auto lLot = [&] {
        const double w = mm(across(random)), h = mm(across(random));
        return shapes::Translated(shapes::LOutline(w, h, mm(w * (0.2 + 0.6 * unit(random))),
                                                   mm(h * (0.2 + 0.6 * unit(random)))),
                                  30000, 40000);
    };
    switch (family) {
        case Family::FlagLots:
            for (int i = 0; i < 200; ++i) outlines.push_back(flagLot());
            break;
        case Family::TLots:
            for (int i = 0; i < 200; ++i) outlines.push_back(tLot());
            break;
        case Family::Combs:
            for (int i = 0; i < 200; ++i) {
                const double tooth = mm(1000 + 3000 * unit(random));
                const double gap = mm(1000 + 3000 * unit(random));
                outlines.push_back(shapes::Translated(
                    shapes::CombOutline(3 + i % 8, tooth, gap, mm(across(random) / 2),
                                        mm(2000 + 5000 * unit(random))),
                    30000, 40000));
            }
            break;
        case Family::NoisyLots:
            // Boundary points up to a millimetre off a straight side, as surveyed.
            for (int i = 0; i < 1400; ++i) {
                const std::vector<TAcadPoint> lot = i % 3 == 0   ? lLot()
                                                    : i % 3 == 1 ? tLot()
                                                                 : flagLot();
                outlines.push_back(
                    shapes::WithBoundaryPoints(random, lot, 1 + i % 6, 0.2 + 0.8 * unit(random)));
            }
            break;
        case Family::Stars:
            for (int i = 0; i < 500; ++i) {
                outlines.push_back(shapes::StarOutline(random, 3 + i % 58, i % 2 == 1));
            }
            break;
    }
    return outlines;
}

void BM_Rates(benchmark::State& state, Family family) {
    const std::vector<std::vector<TAcadPoint>> outlines = Generate(family);
    int beforeRefused = 0, beforeWrong = 0, afterRefused = 0, afterWrong = 0, completed = 0;
    for (auto _ : state) {
        beforeRefused = beforeWrong = afterRefused = afterWrong = completed = 0;
        for (const auto& outline : outlines) {
            const double view = checks::ViewSizeFor(outline);
            const checks::Split before = checks::SplitOutline(outline, view, SplitMode::Plain);
            const checks::Split after = checks::SplitOutline(outline, view, SplitMode::Completed);
            if (!before.result.success) {
                ++beforeRefused;
            } else if (!checks::SoundnessProblem(outline, before.result.triangles).empty()) {
                ++beforeWrong;
            }
            if (!after.result.success) {
                ++afterRefused;
            } else if (!checks::SoundnessProblem(outline, after.result.triangles).empty()) {
                ++afterWrong;
            }
            completed += after.result.completed;
        }
    }
    state.counters["outlines"] = static_cast<double>(outlines.size());
    state.counters["before_refused"] = beforeRefused;
    state.counters["before_wrong"] = beforeWrong;
    state.counters["after_refused"] = afterRefused;
    state.counters["after_wrong"] = afterWrong;
    state.counters["after_completed"] = completed;
}
BENCHMARK_CAPTURE(BM_Rates, flag_lots, Family::FlagLots)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rates, t_lots, Family::TLots)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rates, combs_3_to_10, Family::Combs)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rates, lots_with_mm_noise, Family::NoisyLots)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rates, stars, Family::Stars)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
