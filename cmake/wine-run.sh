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
exec wine "$@"
