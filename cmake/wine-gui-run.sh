#!/usr/bin/env bash
# Runs a Windows program that shows windows under Wine on a virtual X display (Xvfb), in a
# prefix of its own: wine-gui-run.sh PREFIX PROGRAM [ARGS...]
# Without Xvfb the GUI tests cannot run: they fail and say so, never pass unseen.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$1
shift
for tool in xvfb-run xauth; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "wine-gui-run: the GUI tests need Xvfb, but $tool is missing" \
            "(scripts/install-deps.sh installs xvfb and xauth)" >&2
        exit 1
    fi
done
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$prefix"
"$here/wine-prefix.sh" init "$prefix"
# A wineserver of this prefix that was started without a display would capture the run and
# every window would fail: end it first. The server started under Xvfb ends with the run.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# The program runs through wine-run.sh, which runs it again if Wine ends it before it starts.
exec xvfb-run -a -s '-screen 0 1280x1024x24' \
    bash -c '"$@"; rc=$?; wineserver -k >/dev/null 2>&1; exit $rc' wine-gui-run \
    "$here/wine-run.sh" "$prefix" "$@"
