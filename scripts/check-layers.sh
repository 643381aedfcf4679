#!/usr/bin/env bash
# Holds src/ to the layer map in README.md: every #include "folder/..." must name the file's own
# folder or one of its "may include" folders, every folder must be in the map (and in the same
# order in src/CMakeLists.txt), a folder may name only folders above it, and <windows.h> appears
# only where the map allows it ("guarded": right after an #ifdef _WIN32 line).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

declare -A allowed windows rank
order=()
# Rows of the table under "## Layer map": | `folder` | purpose | `a` `b` ... | windows.h |
while IFS='|' read -r _ folder _ includes win _; do
    folder=$(tr -d '` ' <<<"$folder")
    [[ -n $folder ]] || continue
    rank[$folder]=${#order[@]}
    order+=("$folder")
    allowed[$folder]=" $(tr -d '`' <<<"$includes" | xargs) "
    windows[$folder]=$(xargs <<<"$win")
done < <(awk '/^## Layer map/ {on = 1; next} on && /^## / {exit} on && /^\| `/' README.md)

failures=0
fail() {
    echo "check-layers: $*" >&2
    failures=$((failures + 1))
}

((${#order[@]} > 0)) || fail "no layer map found in README.md"

# The map itself: a folder may include only itself and folders above it.
for folder in "${order[@]}"; do
    for used in ${allowed[$folder]}; do
        [[ -n ${rank[$used]+x} ]] || fail "$folder may include $used, which the map lacks"
        [[ -n ${rank[$used]+x} && ${rank[$used]} -le ${rank[$folder]} ]] ||
            fail "$folder may include $used, which does not stand above it"
    done
done

# src/CMakeLists.txt lists the same folders in the same order.
cmake_order=$(awk '/set\(_tarsel_layers/ {on = 1; next}
    on {last = /\)/; sub(/\).*/, ""); if ($1 != "") print $1; if (last) exit}' src/CMakeLists.txt |
    xargs)
[[ "$cmake_order" == "${order[*]}" ]] ||
    fail "src/CMakeLists.txt lists \"$cmake_order\", the map \"${order[*]}\""

# The folder of a path below src/ (into $found): the longest map entry it starts with.
folder_of() {
    found=""
    for folder in "${order[@]}"; do
        if [[ $1 == "$folder"/* && ${#folder} -gt ${#found} ]]; then found=$folder; fi
    done
}

mapfile -t sources < <(git ls-files -- 'src/*.h' 'src/*.cpp')
for file in "${sources[@]}"; do
    folder_of "${file#src/}"
    [[ -n $found ]] || fail "$file: its folder is not in the layer map"
done

# Quoted includes with a folder: file, then the included path.
while IFS=: read -r file target; do
    folder_of "${file#src/}"
    own=$found
    [[ -n $own ]] || continue
    folder_of "$target"
    if [[ -z $found ]]; then
        fail "$file: includes \"$target\" from a folder not in the map"
    elif [[ ${allowed[$own]} != *" $found "* ]]; then
        fail "$file: $own must not include \"$target\" ($found)"
    fi
done < <(grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/[^"]+"' "${sources[@]}" |
    sed -E 's/^([^:]+):.*"([^"]+)".*/\1:\2/')

# <windows.h>, each with whether the last non-blank line before it opened an #ifdef _WIN32.
while IFS=: read -r file guarded; do
    folder_of "${file#src/}"
    case ${windows[$found]:-} in
        yes) ;;
        guarded) [[ $guarded == 1 ]] || fail "$file: <windows.h> outside an #ifdef _WIN32" ;;
        *) fail "$file: ${found:-its folder} is not a Windows folder but includes <windows.h>" ;;
    esac
done < <(awk 'FNR == 1 {last = ""}
              /^[[:space:]]*#[[:space:]]*include[[:space:]]*<windows\.h>/ {
                  print FILENAME ":" (last ~ /^[[:space:]]*#[[:space:]]*(ifdef[[:space:]]+_WIN32|if[[:space:]]+defined\(_WIN32\))/ ? 1 : 0)
              }
              NF {last = $0}' "${sources[@]}")

if ((failures > 0)); then
    echo "check-layers: $failures violation(s) of the layer map in README.md" >&2
    exit 1
fi
echo "check-layers: ${#order[@]} layers, every include in src/ follows the map"
