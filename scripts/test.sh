#!/usr/bin/env bash
# Builds and runs every test: the format and layer checks, the native build (ASan+UBSan), the
# tests of what runs on two threads (ThreadSanitizer), the fuzz targets for a short budget, then
# the Windows cross-build with its tests under Wine. Runs every phase, exits non-zero if any
# failed.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh || exit 1

jobs=${TARSEL_JOBS:-2}
failed=()

phase() {
    local name=$1
    shift
    echo "==== $name"
    if ! "$@"; then
        failed+=("$name")
        return 1
    fi
}

bash scripts/format-check.sh || failed+=("format check")
bash scripts/check-layers.sh || failed+=("layer check")

phase "native configure" cmake --preset native &&
    phase "native build" cmake --build --preset native -j "$jobs" &&
    phase "native tests" ctest --preset native -j "$jobs"

# Large drawings are read on two threads: the tests that read them, under ThreadSanitizer.
threads_tests() {
    TSAN_OPTIONS=halt_on_error=1 build/threads/bin/minicad_dxf_large_test &&
        TSAN_OPTIONS=halt_on_error=1 build/threads/bin/minicad_dxf_malformed_test \
            --gtest_filter='DxfMalformed.ClearErrorNamingSourceAndLine'
}
phase "threads configure" cmake --preset threads &&
    phase "threads build" cmake --build --preset threads -j "$jobs" \
        --target minicad_dxf_large_test minicad_dxf_malformed_test &&
    phase "threads tests" threads_tests

# Every fuzz target for a short budget from its seeds: a fixed seed and number of runs (about
# 20 s each here), so that what CI finds can be found again.
phase "fuzz" env TARSEL_FUZZ_RUNS="${TARSEL_FUZZ_RUNS:-150000}" TARSEL_FUZZ_SECONDS="${TARSEL_FUZZ_SECONDS:-30}" \
    bash scripts/fuzz.sh

# Wine must not be left running between phases: a lingering wineserver captures later runs.
rm -f build/windows/wine*.restarts
phase "windows configure" cmake --preset windows &&
    phase "windows build" cmake --build --preset windows -j "$jobs" &&
    phase "windows tests" ctest --preset windows -j "$jobs"
bash cmake/wine-prefix.sh stop "$PWD/build/windows/wine"
# Programs Wine ended before they printed a byte, and which were run again (cmake/wine-run.sh).
for restarts in build/windows/wine*.restarts; do
    [[ -s "$restarts" ]] || continue
    echo "==== Wine failed to start these programs and they were run again ($restarts):" >&2
    cat "$restarts" >&2
done

if ((${#failed[@]} > 0)); then
    # A fault the fuzzers found scrolls far up under the Windows phase; said again here.
    [[ -f build/fuzz/failures.txt ]] && cat build/fuzz/failures.txt >&2
    echo "test.sh: FAILED: ${failed[*]}" >&2
    exit 1
fi
