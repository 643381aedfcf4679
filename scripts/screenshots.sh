#!/usr/bin/env bash
# Screenshots of the palette's four pages and the target-CAD dialog, taken under Wine on Xvfb
# from the windows build, into docs/screenshots/ as small PNGs.
#   scripts/screenshots.sh        (after: cmake --preset windows && cmake --build --preset windows)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/windows"
cmake --build "$build" --target palette_screenshots Tarsel2025 -j2 >/dev/null
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT
"$root/cmake/wine-gui-run.sh" "$build/wine-gui" "$build/bin/palette_screenshots.exe" "Z:$raw"
out="$root/docs/screenshots"
mkdir -p "$out"
for bmp in "$raw"/*.bmp; do
    name=$(basename "$bmp" .bmp)
    convert "$bmp" -strip -colors 64 "PNG8:$out/$name.png"
done
ls -l "$out"
