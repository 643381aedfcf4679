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

# Prints "<seconds> <peak MiB> <seconds inside>" of one command, the last being the time the
# command says its read took ("read in <s> s"; "-" when it says none); its own output goes to
# $work/last.out.
measure() {
    local seconds kib inside
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/last.out" 2>&1 ||
        { echo "failed: $*" >&2; cat "$work/last.out" >&2; exit 1; }
    read -r seconds kib <"$work/time"
    inside=$(sed -n 's/.*read in \([0-9.]*\) s.*/\1/p' "$work/last.out" | tail -1)
    printf '%s %d %s' "$seconds" $((kib / 1024)) "${inside:--}"
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

# Each step is a process of its own, timed whole ("s", with the peak memory beside it), and
# the open also by the reading call alone ("read s": ReadDxfFile, or ezdxf.readfile), which
# leaves out starting the program (for ezdxf, Python and its imports). "speedup" compares the
# wholes, "read x" the reading calls.
printf '%-28s %9s | %8s %8s %8s | %8s %8s | %8s %8s %8s | %7s %7s\n' drawing "file MiB" \
    "open s" "read s" "MiB" "+save s" "MiB" "ezdxf s" "read s" "MiB" "speedup" "read x"
row() {  # row <label> <file>
    local label=$1 file=$2 open save ez="- - -" speed="-" inside="-"
    open=$(best_of_3 "$tool" open "$file")
    save=$(best_of_3 "$tool" open-save "$file" "$work/out.dxf")
    save=${save% *}
    cmp -s "$file" "$work/out.dxf" || label="$label (changed!)"
    if [[ -n $python ]]; then
        # The best of three too, but once for files that take ezdxf a minute.
        local runs=best_of_3
        (($(stat -c %s "$file") > 50 << 20)) && runs=measure
        ez=$($runs "$python" -c 'import sys, time, ezdxf
start = time.perf_counter()
ezdxf.readfile(sys.argv[1])
print(f"read in {time.perf_counter() - start:.4f} s")' "$file")
        # GNU time counts in hundredths: an open under that is counted as one.
        speed=$(awk -v e="${ez%% *}" -v o="${open%% *}" 'BEGIN { if (o < 0.01) o = 0.01; printf "%.0fx", e / o }')
        inside=$(awk -v e="${ez##* }" -v o="${open##* }" 'BEGIN { printf "%.0fx", e / o }')
    fi
    read -r open_s open_mib open_inside <<<"$open"
    read -r ez_s ez_mib ez_inside <<<"$ez"
    printf '%-28s %9s | %8s %8s %8s | %8s %8s | %8s %8s %8s | %7s %7s\n' "$label" "$(mib "$file")" \
        "$open_s" "$open_inside" "$open_mib" ${save} "$ez_s" "$ez_inside" "$ez_mib" "$speed" "$inside"
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
