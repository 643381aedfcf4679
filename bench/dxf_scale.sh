#!/usr/bin/env bash
# Opening and saving large and crafted drawings: time and peak memory of each step in a
# process of its own, beside ezdxf's readfile on the same file in the same run.
#   bench/dxf_scale.sh            10k, 100k and 1M entities, layers, nested blocks
#   bench/dxf_scale.sh quick      10k and 100k only
# Needs the bench preset built (cmake --preset bench && cmake --build --preset bench),
# GNU time (/usr/bin/time) and, for the comparison, python3 with ezdxf; scratch files go
# to $TMPDIR and are removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

tool=build/bench/bin/dxf_scale
[[ -x $tool ]] || { echo "dxf_scale.sh: build the bench preset first ($tool is missing)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "dxf_scale.sh: GNU time (/usr/bin/time) is needed" >&2; exit 1; }
python=""
for p in /usr/bin/python3 python3; do
    if "$p" -c 'import ezdxf' 2>/dev/null; then python=$p; break; fi
done
[[ -n $python ]] || echo "dxf_scale.sh: no python3 with ezdxf: the comparison is left out" >&2

sizes=(10000 100000 1000000)
[[ ${1:-} == quick ]] && sizes=(10000 100000)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "<seconds> <peak MiB>" of one command; its own output goes to $work/last.out.
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/last.out" 2>&1 ||
        { echo "failed: $*" >&2; cat "$work/last.out" >&2; exit 1; }
    read -r seconds kib <"$work/time"
    printf '%s %d' "$seconds" $((kib / 1024))
}

# The same, the fastest of three runs: a shared machine's times wander by a third.
best_of_3() {
    local best="" run
    for _ in 1 2 3; do
        run=$(measure "$@")
        if [[ -z $best ]] || awk -v a="${run%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
            best=$run
        fi
    done
    printf '%s' "$best"
}

mib() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1048576 }'; }

printf '%-28s %9s | %8s %8s | %8s %8s | %8s %8s | %7s\n' \
    drawing "file MiB" "open s" "MiB" "+save s" "MiB" "ezdxf s" "MiB" "speedup"
row() {  # row <label> <file>
    local label=$1 file=$2 open save ez="- -" speed="-"
    open=$(best_of_3 "$tool" open "$file")
    save=$(best_of_3 "$tool" open-save "$file" "$work/out.dxf")
    cmp -s "$file" "$work/out.dxf" || label="$label (changed!)"
    if [[ -n $python ]]; then
        ez=$(measure "$python" -c 'import sys, ezdxf; ezdxf.readfile(sys.argv[1])' "$file")
        # GNU time counts in hundredths: an open under that is counted as one.
        speed=$(awk -v e="${ez%% *}" -v o="${open%% *}" 'BEGIN { if (o < 0.01) o = 0.01; printf "%.0fx", e / o }')
    fi
    # shellcheck disable=SC2086
    printf '%-28s %9s | %8s %8s | %8s %8s | %8s %8s | %7s\n' "$label" "$(mib "$file")" \
        $open $save $ez "$speed"
}

for n in "${sizes[@]}"; do
    for version in R2000 R12; do
        "$tool" make "$n" "$version" "$work/in.dxf"
        row "$n entities $version" "$work/in.dxf"
    done
done

"$tool" layers 20000 one "$work/in.dxf"
row "20000 lines, one layer" "$work/in.dxf"
"$tool" layers 20000 each "$work/in.dxf"
row "20000 lines, 20000 layers" "$work/in.dxf"

"$tool" fanout 16 8 "$work/in.dxf"
row "fan-out 16 blocks x 8" "$work/in.dxf"
printf '%-28s %s\n' "  extents of it" "$(measure "$tool" extents "$work/in.dxf") ($(cat "$work/last.out"))"
for length in 40000 1000000; do
    "$tool" chain "$length" "$work/in.dxf"
    row "chain of $length blocks" "$work/in.dxf"
done
