#!/usr/bin/env bash
# The README's picture of the demo: runs scripts/demo.sh, which writes the demo's drawing and
# its SVG (build/release/parcel-out.svg), and turns the SVG into docs/parcel-out.png with
# rsvg-convert; the Japanese labels need a CJK font (fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/demo.sh >/dev/null
mkdir -p docs
rsvg-convert --width 1600 build/release/parcel-out.svg -o docs/parcel-out.png
ls -l docs/parcel-out.png
