#!/usr/bin/env bash
# Runs of the real ZV_CheckFiles.exe under Wine, driven from outside by
# zv_driver and, once, by the real mouse through the X server. Checks the
# status line and the files on the prefix's C: drive.
#   exe_runs_test.sh STATE EXE DRIVER
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3
here=$(dirname "$(readlink -f "$0")")
wine_run() { "$here/../../cmake/wine-run.sh" "$state" "$@"; }
drive() { wine_run "$driver" "$@" | tr -d '\r'; }
drive_c="$state/prefix/drive_c"
x86="$drive_c/Program Files (x86)"
tutorials="$x86/Zorvel Pro/Tutorials"
failures=0 passes=0

cleanup() {
    [ -d "$x86.away" ] && mv "$x86.away" "$x86"
    chmod -R u+w "$x86/Zorvel Pro" "$drive_c/Program Files/Zorvel Pro" 2>/dev/null
    rm -rf "$x86/Zorvel Pro" "$drive_c/Program Files/Zorvel Pro"
}
trap cleanup EXIT

check() { # name, condition...
    local name=$1
    shift
    if "$@"; then passes=$((passes + 1)); echo "ok: $name"; else failures=$((failures + 1)); echo "FAIL: $name"; fi
}
seed() { # folder, names...
    local folder=$1
    shift
    mkdir -p "$folder"
    for name; do printf 'content of %s\n' "$name" >"$folder/$name"; done
}
has() { [ "$(cat "$1" 2>/dev/null)" = "content of $2" ]; }
start() {
    wine_run "$exe" &
    app=$!
    drive wait-window 30000
}
stop() {
    local code
    code=$(drive close)
    wait "$app"
    [ "$code" = 0 ]
}

# Start state, a run that moves files, and a second run.
cleanup
seed "$tutorials" V3_Zent.avi V4_Zent.avi Brasol.avi ZV_Tindel.avi V4_Tindel.avi
check "the window starts loaded" start
check "the status line reads ...standing by" test "$(drive status)" = "...standing by"

# What a person sees: pixels of a screenshot at known points of the client area.
read -r client_left client_top _ < <(drive rect client)
xwd -root -display "$(cat "$state/display")" -silent >"$state/screen.xwd"
convert "xwd:$state/screen.xwd" "$state/screen.png"
pixel() { convert "$state/screen.png" -format "%[pixel:p{$((client_left + $1)),$((client_top + $2))}]" info:; }
white='srgb(255,255,255)'
check "the background is white" eval '[ "$(pixel 5 120)" = "$white" ] && [ "$(pixel 430 250)" = "$white" ]'
check "the status line has a border round a white box" eval '[ "$(pixel 19 215)" != "$white" ] && [ "$(pixel 30 205)" = "$white" ]'
check "the picture fills its box" eval '[ "$(pixel 363 100)" != "$white" ] && [ "$(pixel 438 5)" != "$white" ]'
check "the buttons are drawn with their edges" eval '[ "$(pixel 114 175)" != "$white" ] && [ "$(pixel 286 245)" != "$white" ]'
check "a run ends with We're Done!" test "$(drive run 60000)" = "We're Done!"
check "the first old copy of each name moved" eval 'has "$tutorials/ZV_Zent.avi" V3_Zent.avi && has "$tutorials/ZV_Brasol.avi" Brasol.avi && has "$tutorials/ZV_Tindel.avi" V4_Tindel.avi && [ ! -e "$tutorials/V3_Zent.avi" ] && [ -e "$tutorials/V4_Zent.avi" ]'
check "a second run moves the V4_ copy over the new name" eval '[ "$(drive run 60000)" = "We'"'"'re Done!" ] && has "$tutorials/ZV_Zent.avi" V4_Zent.avi && [ ! -e "$tutorials/V4_Zent.avi" ]'

# A double click starts one run only.
seed "$tutorials" V3_Stalver.avi V4_Stalver.avi
drive double-click
sleep 1
check "a double click on Begin ends with We're Done!" test "$(drive wait-finished 60000)" = "We're Done!"
check "a double click moved one old copy only" eval '[ -e "$tutorials/V4_Stalver.avi" ] && has "$tutorials/ZV_Stalver.avi" V3_Stalver.avi'

# A second copy of the tool gives way to the first.
check "a second start exits at once" wine_run "$exe"
check "the first copy still runs" eval '[ -n "$(drive status)" ]'

# An error stops the run and is appended to the status line.
seed "$tutorials" V3_Mavrek.avi
chmod a-w "$tutorials/V3_Mavrek.avi"
wine_run "$driver" run 60000 >/dev/null
check "a read-only old copy is reported" test "$(drive status)" = "Reading 'Mavrek.avi' Tutorial  70: Permission denied"
check "both copies of the refused tutorial are whole" eval 'has "$tutorials/V3_Mavrek.avi" V3_Mavrek.avi && has "$tutorials/ZV_Mavrek.avi" V3_Mavrek.avi'
check "Exit ends the program with exit code 0" stop

# Without Program Files (x86) the install root is under Program Files; both folders are made.
cleanup
mv "$x86" "$x86.away"
start >/dev/null
check "without Program Files (x86) the run ends with We're Done!" test "$(drive run 60000)" = "We're Done!"
check "the Tutorials folder was made under Program Files" test -d "$drive_c/Program Files/Zorvel Pro/Tutorials"
stop
mv "$x86.away" "$x86"

# The window closed during a run: exit code 0, nothing lost, no temporaries.
cleanup
names=(Brasol Tindel Mavrek KesselFasks DornFask WimbleFasks Zent HalvoMosk GrenMosk PrevaMosk CorlyVashen Stalver Orbel_Finks Orbel_Trasque Orbel_Trasque_Vashen)
mkdir -p "$tutorials"
for n in "${names[@]}"; do head -c $((24 << 20)) /dev/urandom >"$tutorials/V3_$n.avi"; done
(cd "$tutorials" && md5sum V3_*.avi | sed 's/ V3_/ /' >"$state/sums")
start >/dev/null
drive begin
sleep 0.3
check "closing during a run ends the program with exit code 0" stop
lost=0
while read -r sum name; do
    old="$tutorials/V3_$name" new="$tutorials/ZV_$name"
    [ -e "$old" ] && [ "$(md5sum <"$old" | cut -d' ' -f1)" = "$sum" ] && continue
    [ -e "$new" ] && [ "$(md5sum <"$new" | cut -d' ' -f1)" = "$sum" ] && continue
    lost=$((lost + 1))
done <"$state/sums"
check "closing during a run loses no tutorial" test "$lost" = 0
check "closing during a run leaves no temporary file" test -z "$(find "$tutorials" -name '*.copying')"

# The real mouse, through the X server.
cleanup
seed "$tutorials" V3_Zent.avi
start >/dev/null
read -r left top right bottom < <(drive rect cmdBegin)
DISPLAY=$(cat "$state/display") xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
check "a real click on Begin runs the migration" test "$(drive wait-finished 30000)" = "We're Done!"
check "the close box path ends the program with exit code 0" stop

echo "$passes checks passed, $failures failed"
exit $((failures > 0))
