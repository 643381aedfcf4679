#!/usr/bin/env bash
# The main job: builds the optimised tarsel and splits the sample parcel into triangles.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tarsel -j "${TARSEL_JOBS:-2}"
build/release/bin/tarsel triangulate examples/parcel-outline.txt
