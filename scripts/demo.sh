#!/usr/bin/env bash
# The main job on minicad: opens the sample parcel drawing, runs "自動" inside lot 12-3 and
# "作成" placing the area table beside it, writes the drawing next to the build, prints the
# area table read back from that drawing, and writes a picture of it (SVG).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tarsel -j "${TARSEL_JOBS:-2}"
out=build/release/parcel-out.dxf
build/release/bin/tarsel run examples/parcel.dxf examples/parcel-job.txt -o "$out"
echo "drawing written to $out"
build/release/bin/tarsel table "$out"
picture=build/release/parcel-out.svg
build/release/bin/tarsel render "$out" -o "$picture"
echo "picture written to $picture"
