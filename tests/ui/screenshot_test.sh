#!/usr/bin/env bash
# What a person sees: a screenshot of the X display with the loaded tool, and
# pixels at known points of its client area. Keeps the window's picture.
#   screenshot_test.sh STATE EXE DRIVER OUTPUT.png
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3 output=$4
source "$(dirname "$(readlink -f "$0")")/tool_session.sh"
trap 'end_tool; rm -f "$state/screen.xwd" "$state/screen.png"' EXIT

check "the tool starts" start_tool || exit 1
read -r client_left client_top _ < <(drive rect client)
read -r left top right bottom < <(drive rect window)
# ImageMagick reads no pipes for xwd; go through a file.
screenshot() {
    xwd -root -display "$(cat "$state/display")" -silent >"$state/screen.xwd" &&
        convert "xwd:$state/screen.xwd" "$state/screen.png"
}

# The colour at a point of the client area, as "r g b".
rgb() {
    convert "$state/screen.png" -format "%[fx:int(255*p{$((client_left + $1)),$((client_top + $2))}.r)] %[fx:int(255*p{$((client_left + $1)),$((client_top + $2))}.g)] %[fx:int(255*p{$((client_left + $1)),$((client_top + $2))}.b)]" info:
}
white() { [ "$(rgb "$1" "$2")" = "255 255 255" ]; }
# A grey or darker line of a frame, drawn on the white window.
dark() { read -r r g b <<<"$(rgb "$1" "$2")" && ((r < 200 && g < 200 && b < 200)); }
# Not white, nor nearly so: the picture's colours.
coloured() { read -r r g b <<<"$(rgb "$1" "$2")" && ((r + g + b < 600)); }
framed() { ! white "$1" "$2"; }
all() { local f=$1 x y; shift; while (($#)); do x=$1 y=$2; shift 2; "$f" "$x" "$y" || return 1; done; }

# The picture is decoded just after the window first shows; give it a moment.
for _ in $(seq 20); do
    screenshot || { echo "FAIL: no screenshot"; exit 1; }
    coloured 363 100 && break
    sleep 0.1
done
convert "$state/screen.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$output"
echo "screenshot: $output"

check "the window's background is white" all white 5 120 250 175 430 250 2 2
check "the labels' boxes are white where they have no text" all white 25 11 12 95 270 150
check "the status line has a flat border on all four sides" all dark 19 215 412 215 200 198 200 232
check "the status line is white inside its border" all white 21 200 30 205 410 230 200 200
check "the picture fills its box up to the client area's right edge" all coloured 363 100 288 150 438 0 438 150
check "left of the picture is the window's white" white 287 150
# Under Wine's default theme the faces are as white as the window: the frames,
# blue round the focused Begin, set the buttons apart.
check "Begin has a frame on all four sides" all framed 114 177 194 177 154 161 154 193
check "Exit has a frame on all four sides" all framed 286 248 413 248 300 237 300 259
check "the Exit button's caption is drawn" dark 350 248
exit $((failures > 0))
