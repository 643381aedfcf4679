// palette_startup.exe [RUNS [PROGRAM...]]: how long Tarsel2025.exe takes from its process's
// creation to its palette being visible and idle, and its working set then (run on Xvfb through
// cmake/wine-gui-run.sh). startup_baseline.exe, the smallest program with such a window, is
// timed in turn with it: what any GUI program costs under the same Wine, display and load, so
// that the palette's own share shows. Prints the median and the worst of the runs of each.
#include <windows.h>
// psapi.h needs windows.h first
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "palette_process.h"

namespace {

using tarsel::palette::win32::testing::PaletteProcess;

struct Sample {
    double milliseconds;
    double workingSetMb;
};

unsigned long long Ticks(FILETIME time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

Sample Measure(const wchar_t* program) {
    tarsel::cadlink::com::testing::TempFolder folder;
    PaletteProcess palette(folder.path(), program);  // returns once visible and idle
    FILETIME ready{};
    GetSystemTimePreciseAsFileTime(&ready);
    // From the process's creation: copying the program into the folder is not its start.
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(palette.process(), &created, &exited, &kernel, &user);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    K32GetProcessMemoryInfo(palette.process(), &memory, sizeof memory);
    (void)palette.Close();
    return {static_cast<double>(Ticks(ready) - Ticks(created)) / 10000.0,  // 100 ns units
            static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0)};
}

void Report(const wchar_t* program, const std::vector<Sample>& samples) {
    std::vector<double> times;
    std::vector<double> sets;
    for (const Sample& s : samples) {
        times.push_back(s.milliseconds);
        sets.push_back(s.workingSetMb);
    }
    std::sort(times.begin(), times.end());
    std::sort(sets.begin(), sets.end());
    std::printf(
        "%-22ls runs %zu: start to visible and idle median %.0f ms, worst %.0f ms; "
        "working set median %.1f MB, worst %.1f MB\n",
        program, samples.size(), times[times.size() / 2], times.back(), sets[sets.size() / 2],
        sets.back());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;
    // Other builds of the palette placed beside it may be named to be timed in the same turns.
    std::vector<const wchar_t*> programs = {L"Tarsel2025.exe", L"startup_baseline.exe"};
    if (argc > 2) programs.assign(argv + 2, argv + argc);
    std::vector<std::vector<Sample>> samples(programs.size());
    try {
        // The first starts also warm Wine's caches: not counted.
        for (const wchar_t* program : programs) (void)Measure(program);
        // In turn, so that a change in the machine's load falls on all alike.
        for (int i = 0; i < runs; ++i) {
            for (std::size_t p = 0; p < programs.size(); ++p) {
                samples[p].push_back(Measure(programs[p]));
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "palette_startup: %s\n", e.what());
        return 1;
    }
    for (std::size_t p = 0; p < programs.size(); ++p) Report(programs[p], samples[p]);
    return 0;
}
