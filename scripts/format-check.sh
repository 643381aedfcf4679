#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mapfile -t files < <(git ls-files -- '*.h' '*.hpp' '*.cpp' '*.cc')
if ((${#files[@]} == 0)); then
    echo "format-check: no C++ sources tracked"
    exit 0
fi
if clang-format --dry-run --Werror "${files[@]}"; then
    echo "format-check: ${#files[@]} files formatted"
else
    echo "format-check: run clang-format -i on the files above" >&2
    exit 1
fi
