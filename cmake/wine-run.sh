#!/usr/bin/env bash
# Runs a Windows program under Wine in the private prefix of a state folder
# (see wine-session.sh), on its Xvfb display.
#   wine-run.sh STATE PROGRAM [ARGS...]
set -euo pipefail
state=$(readlink -f "${1:?usage: wine-run.sh STATE PROGRAM [ARGS...]}")
shift
here=$(dirname "$(readlink -f "$0")")
if [ ! -f "$state/prefix/.ready" ] || [ ! -f "$state/display" ]; then
    "$here/wine-session.sh" up "$state" >/dev/null
fi
export WINEPREFIX="$state/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml="
export DISPLAY=$(cat "$state/display")
# Wine starts helper processes (services, the desktop) that inherit the
# starter's output and outlive it. Writing to a file keeps them off the caller's
# pipe, so that whoever reads this program's output sees it end.
log=$(mktemp "$state/run.XXXXXX")
trap 'rm -f "$log"' EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$log" 2>&1 </dev/null || status=$?
cat "$log"
exit "$status"
