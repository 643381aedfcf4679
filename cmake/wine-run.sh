#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# Sets up the prefix first if it is not ready, so a single test can be run on its own.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$1
shift
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$prefix"
"$here/wine-prefix.sh" init "$prefix"

# Outside the tests (TARSEL_WINE_RETRY unset) a program runs once, as it is.
[[ "${TARSEL_WINE_RETRY:-}" == 1 ]] || exec wine "$@"

# In CI a test program has once ended under Wine within 0.1 s, with a failing code and not a
# byte of output, and it could not be made to happen again. Every program run here prints
# before it can fail (GoogleTest's banner comes first), so such a run never reached the
# program: Wine did not start it, and Wine's own messages are silenced. It is said on the
# spot, written to PREFIX.restarts for the end of the test run, and run once more with Wine's
# errors shown. Any run that printed something stands as it ended.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
set +e
wine "$@" 2>&1 | tee "$out"
rc=${PIPESTATUS[0]}
set -e
if ((rc != 0)) && [[ ! -s "$out" ]]; then
    note="wine-run: $(basename "$1") ended with code $rc before printing anything"
    echo "$note; run again with Wine's error messages shown" >&2
    set +e
    WINEDEBUG=-all,err+all wine "$@"
    second=$?
    set -e
    echo "$(date -u +%FT%TZ) $note; run again, it ended with code $second" >>"$prefix.restarts"
    rc=$second
fi
exit "$rc"
