#!/usr/bin/env bash
# Brings up, or takes down, the Wine session of one state folder: an Xvfb
# display, a Wine prefix and a persistent wineserver.
#   wine-session.sh up STATE      start Xvfb, create the prefix once, keep a server alive
#                                 (with WINE_SESSION_DISPLAY=:N, use that display instead)
#   wine-session.sh down STATE    stop the prefix's Wine processes and the display
set -euo pipefail

action=${1:?usage: wine-session.sh up|down STATE}
state=$(mkdir -p "${2:?state folder}" && cd "$2" && pwd)

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

display_alive() {
    [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

start_display() {
    if [ -n "${WINE_SESSION_DISPLAY:-}" ]; then
        echo "$WINE_SESSION_DISPLAY" >"$state/display"
        return
    fi
    display_alive && [ -f "$state/display" ] && return
    rm -f "$state/display" "$state/display.num"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac \
        3>"$state/display.num" </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$state/display.num" ] && break
        sleep 0.1
    done
    [ -s "$state/display.num" ] || { echo "wine-session: Xvfb did not start" >&2; exit 1; }
    echo ":$(tr -dc 0-9 <"$state/display.num")" >"$state/display"
}

create_prefix() {
    [ -f "$WINEPREFIX/.ready" ] && return
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot --init </dev/null >"$state/wineboot.log" 2>&1
    "$WINESERVER" -w
    # Without a window manager Wine draws the caption itself; it needs these fonts.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma*.ttf \
        "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    "$WINESERVER" -w
    touch "$WINEPREFIX/.ready"
}

case "$action" in
up)
    start_display
    export DISPLAY=$(cat "$state/display")
    (
        flock 9
        create_prefix
        # A persistent server saves about two seconds on every program start.
        # Closing fd 9 keeps the long-lived server from holding the lock.
        setsid "$WINESERVER" -p 9>&- </dev/null >/dev/null 2>&1 || true
    ) 9>"$state/lock"
    echo "wine-session: display $DISPLAY, prefix $WINEPREFIX"
    ;;
down)
    [ -d "$WINEPREFIX" ] && "$WINESERVER" -k 2>/dev/null || true
    if display_alive; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$state/xvfb.pid" "$state/display"
    ;;
*)
    echo "usage: wine-session.sh up|down STATE" >&2
    exit 2
    ;;
esac
