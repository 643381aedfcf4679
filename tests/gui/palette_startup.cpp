// palette_startup.exe [RUNS]: how long Tarsel2025.exe takes from process start to its palette
// being visible and idle, and its working set then (run on Xvfb through
// cmake/wine-gui-run.sh). Prints the median and the worst of the runs.
#include <windows.h>
// psapi.h needs windows.h first
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "palette_process.h"

namespace {

using tarsel::palette::win32::testing::PaletteProcess;

struct Sample {
    double milliseconds;
    double workingSetMb;
};

Sample Measure() {
    tarsel::cadlink::com::testing::TempFolder folder;
    const auto start = std::chrono::steady_clock::now();
    PaletteProcess palette(folder.path());  // returns once visible and idle
    const auto ready = std::chrono::steady_clock::now();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    K32GetProcessMemoryInfo(palette.process(), &memory, sizeof memory);
    (void)palette.Close();
    return {std::chrono::duration<double, std::milli>(ready - start).count(),
            static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0)};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;
    std::vector<Sample> samples;
    try {
        (void)Measure();  // the first start also warms Wine's caches: not counted
        for (int i = 0; i < runs; ++i) samples.push_back(Measure());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "palette_startup: %s\n", e.what());
        return 1;
    }
    std::vector<double> times;
    std::vector<double> sets;
    for (const Sample& s : samples) {
        times.push_back(s.milliseconds);
        sets.push_back(s.workingSetMb);
    }
    std::sort(times.begin(), times.end());
    std::sort(sets.begin(), sets.end());
    std::printf(
        "runs %d: start to visible and idle median %.0f ms, worst %.0f ms; "
        "working set median %.1f MB, worst %.1f MB\n",
        runs, times[times.size() / 2], times.back(), sets[sets.size() / 2], sets.back());
    return 0;
}
