#!/usr/bin/env bash
# Life cycle of the build's Wine prefix: wine-prefix.sh init|start|stop PREFIX
#   init   create and configure the prefix once (safe to call concurrently)
#   start  init, then keep one wineserver running so each test starts in well under a second
#   stop   end that wineserver (a lingering one would capture a later GUI run under Xvfb)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
action=$1
prefix=$2
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$prefix"

ready="$prefix/.tarsel-ready"

make_prefix() {
    # A half-made prefix from an interrupted run is not trusted.
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    local reg=(wine reg add)
    # A crash prints a backtrace and exits (code 5) instead of a modal dialog that hangs the run.
    "${reg[@]}" 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    # Without a CJK font every Japanese character renders as an empty box.
    "${reg[@]}" 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'Noto Sans CJK JP' /f
    "${reg[@]}" 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'Noto Sans CJK JP' /f
    # Without a window manager (Xvfb) unmanaged, undecorated windows hide and close at once.
    "${reg[@]}" 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    "${reg[@]}" 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
    # Headless (no DISPLAY) falls back to the null driver, so COM and windows still work.
    "${reg[@]}" 'HKCU\Software\Wine\Drivers' /v Graphics /d 'x11,null' /f
    wineserver -w
}

init() {
    [[ -e "$ready" ]] && return 0
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    flock 9
    [[ -e "$ready" ]] && return 0
    # set -e must hold inside the subshell, which it does not in a conditional context.
    set +e
    (
        set -e
        make_prefix
    ) >"$prefix.log" 2>&1 </dev/null
    local rc=$?
    set -e
    if ((rc != 0)); then
        echo "wine-prefix: could not set up $prefix:" >&2
        cat "$prefix.log" >&2
        exit 1
    fi
    touch "$ready"
}

case "$action" in
    init) init ;;
    start)
        init
        # The server outlives the tests by at most this long if the stop step never runs.
        wineserver -p120 >/dev/null 2>&1 </dev/null
        wine cmd /c exit 0 >/dev/null 2>&1 </dev/null
        ;;
    stop) wineserver -k >/dev/null 2>&1 </dev/null || true ;;
    *)
        echo "usage: $0 init|start|stop PREFIX" >&2
        exit 2
        ;;
esac
