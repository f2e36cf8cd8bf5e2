#!/usr/bin/env bash
# Clicks with the real mouse through the X server, so that the X server's
# pixels, Wine's hit-testing and the buttons' own handling all take part.
#   mouse_click_test.sh STATE EXE DRIVER
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3
source "$(dirname "$(readlink -f "$0")")/tool_session.sh"
trap 'end_tool; clear_install' EXIT
export DISPLAY=$(cat "$state/display")

# Clicks, or with "--repeat 2" double-clicks, the middle of a control.
click() { # control, xdotool click options...
    local l t w h
    read -r l t w h < <(inside "$1") || return 1
    xdotool mousemove $((l + w / 2)) $((t + h / 2)) click "${@:2}" 1
}

clear_install
seed V3_Zent.avi
check "the tool starts" start_tool
click cmdBegin
check "a click on Begin runs the migration" test "$(drive wait-finished 30000)" = "We're Done!"
check "the run moved the old copy" has ZV_Zent.avi V3_Zent.avi
click cmdExit
wait "$tool"
check "a click on Exit ends the tool with exit code 0" test $? = 0
tool=

# A double click while the first click's run is still going: the run is made
# long by large files ahead of Stalver, so the second click lands inside it.
clear_install
seed V3_Stalver.avi V4_Stalver.avi
for name in Brasol Tindel Mavrek KesselFasks DornFask WimbleFasks; do head -c $((48 << 20)) /dev/urandom >"$tutorials/V3_$name.avi"; done
check "the tool starts again" start_tool
click cmdBegin --repeat 2 --delay 40
check "a double click on Begin ends with We're Done!" test "$(drive wait-finished 60000)" = "We're Done!"
sleep 0.5
check "the second click started no run of its own" \
    eval 'has V4_Stalver.avi V4_Stalver.avi && has ZV_Stalver.avi V3_Stalver.avi'
exit $((failures > 0))
