#!/usr/bin/env bash
# Builds the Windows programs (windows preset, release) and packs them with a short read-me
# into build/dist/Tarsel2025-win64.zip: Tarsel2025.exe (the palette), tarsel.exe (the command
# line) and minicad-server.exe (the small CAD for trying it without a CAD).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset windows >/dev/null
cmake --build --preset windows --target Tarsel2025 tarsel minicad-server -j2

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="$stage/Tarsel2025"
mkdir -p "$folder"
for program in Tarsel2025 tarsel minicad-server; do
    cp "build/windows/bin/$program.exe" "$folder/"
done
# Windows' Notepad of old wants CR LF.
sed 's/$/\r/' >"$folder/README.txt" <<'TEXT'
Tarsel2025 - land areas by triangles, beside a running CAD

Install: unpack this folder anywhere you may write to (for example your Documents);
nothing else is installed and nothing is written to the registry.

Start: run Tarsel2025.exe. The palette stays on top of the CAD. Press "CAD" to choose the
target CAD (by its automation ProgID); the list of CADs is kept in TargetCAD_APIVersion.txt
beside the program, the options in Tarsel2025.ini, written when the palette closes.

Without a CAD: minicad-server.exe is a small CAD of this project that publishes itself as
a CAD does. Register a ProgID for it once (as administrator):
  reg add HKCR\Tarsel.Minicad\CLSID /ve /d {3F2B8C61-9D4E-4A7B-8C05-6E1D2F3A4B50} /f
start "minicad-server.exe --progid Tarsel.Minicad drawing.dxf", press "CAD" in the palette
and enter "minicad" and "Tarsel.Minicad". The command line runs jobs without any CAD:
"tarsel.exe run drawing.dxf job.txt -o out.dxf".

Programs: Tarsel2025.exe (the palette), tarsel.exe (command line), minicad-server.exe
(a small CAD for trying the palette). All are 64-bit and need no other files.
TEXT
mkdir -p build/dist
rm -f build/dist/Tarsel2025-win64.zip
(cd "$stage" && zip -q -r -X "$root/build/dist/Tarsel2025-win64.zip" Tarsel2025)
unzip -l build/dist/Tarsel2025-win64.zip
