#!/usr/bin/env bash
# Runs the fuzz targets (clang, libFuzzer, ASan, UBSan) from their committed seeds, each for a
# budget of TARSEL_FUZZ_SECONDS (20 by default) or TARSEL_FUZZ_RUNS inputs, whichever ends
# first, and fails when one finds anything: a crash, a broken property, a leak, an input slower
# than 10 s. scripts/test.sh runs it from the seeds alone with a fixed seed and number of runs,
# so that a run can be repeated; a long hunt is one command:
#   TARSEL_FUZZ_SECONDS=3600 bash scripts/fuzz.sh [TARGET...]
# Inputs a run adds are kept in build/fuzz/corpus (never in the repository); what a run finds is
# written to build/fuzz/findings. Keep a finding as a regression case by copying it into
# tests/fuzz/regressions/TARGET/, where the ordinary tests replay it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${TARSEL_FUZZ_SECONDS:-20}
jobs=${TARSEL_JOBS:-2}
all=(dxf job_file outline settings command_line code_pages)
targets=("$@")
((${#targets[@]} > 0)) || targets=("${all[@]}")

# What failed is also kept in one file, which scripts/test.sh prints last, where a CI log's
# tail shows it.
report=build/fuzz/failures.txt
mkdir -p build/fuzz
rm -f "$report"
build_log=build/fuzz/build.log
if ! { cmake --preset fuzz && cmake --build --preset fuzz -j "$jobs" --target "${targets[@]/#/fuzz_}"; } \
    >"$build_log" 2>&1; then
    { echo "fuzz: the build failed (log: $build_log)"; tail -60 "$build_log"; } | tee "$report" >&2
    exit 1
fi
tail -1 "$build_log"

failed=()
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    findings=build/fuzz/findings/$target
    # A repeatable run starts from the committed seeds only.
    [[ -n "${TARSEL_FUZZ_RUNS:-}" ]] && rm -rf "$corpus"
    mkdir -p "$corpus" "$findings"
    options=(-seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
             -print_final_stats=1 -artifact_prefix="$findings/")
    # A fixed number of runs from a fixed seed makes a run repeatable (the tests use it).
    [[ -n "${TARSEL_FUZZ_RUNS:-}" ]] && options+=(-runs="$TARSEL_FUZZ_RUNS")
    [[ -f tests/fuzz/$target.dict ]] && options+=(-dict="tests/fuzz/$target.dict")
    log=build/fuzz/$target.log
    echo "fuzz: $target for ${seconds} s"
    if build/fuzz/bin/fuzz_"$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target" \
        >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
        echo "fuzz: $target: ${runs:-?} runs, ${rate:-?} per second, nothing found"
    else
        {
            echo "fuzz: $target FOUND A FAULT; the input is in $findings/ (log: $log)"
            tail -40 "$log"
        } | tee -a "$report" >&2
        failed+=("$target")
    fi
done

if ((${#failed[@]} > 0)); then
    echo "fuzz: FAILED: ${failed[*]}" >&2
    exit 1
fi
