#!/usr/bin/env bash
# What a person sees, from screenshots of the X display: pixels of the loaded
# window, an error report, and the window in high contrast (kept as OUTPUT.png,
# OUTPUT-error.png, OUTPUT-contrast.png). Sets the prefix's colours: runs alone.
#   screenshot_test.sh STATE EXE DRIVER OUTPUT.png
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3 output=$4
source "$(dirname "$(readlink -f "$0")")/tool_session.sh"
trap 'end_tool; restore_settings; clear_install; rm -f "$state/screen.xwd" "$state/screen.png"' EXIT

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

# The window may still be drawing itself; give it a moment.
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
end_tool

crop() { convert "$state/screen.png" -crop "${3}x${4}+${1}+${2}" +repage "${@:5}"; }
# The lines of text in a rectangle: the runs of rows that hold a pixel far
# from the background (the colour at its top left), as "count lowest_row height".
text_lines() { # left top width height
    crop "$@" -colorspace gray -depth 8 txt:- | awk -F'[,:() ]+' '
        NR == 1 { next }
        $1 == 0 && $2 == 0 { background = $3 }
        { d = $3 - background; if (d < 0) d = -d; if (d > 96) ink[$2] = 1 }
        END {
            for (y = 0; y < '"$4"'; y++) {
                if (ink[y] && !previous) lines++
                if (ink[y]) lowest = y
                previous = ink[y]
            }
            print lines + 0, lowest + 0, '"$4"'
        }'
}
# WCAG contrast ratios, from "r g b" triples (0 to 255).
luminance='function lin(c) { c /= 255; return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ^ 2.4 }
    function lum(r, g, b) { return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b) }
    function ratio(a, b) { return a > b ? (a + 0.05) / (b + 0.05) : (b + 0.05) / (a + 0.05) }'
# The contrast of the text in a rectangle with its background: the background
# is its most common colour, the text the colour in it farthest from that.
text_contrast() { # left top width height
    crop "$@" -depth 8 -format %c histogram:info:- | awk -F'[(),]+' "$luminance"'
        { count[NR] = $1 + 0; l[NR] = lum($2, $3, $4); if (count[NR] > most) { most = count[NR]; background = l[NR] } }
        END { best = 1; for (i in l) if (ratio(l[i], background) > best) best = ratio(l[i], background); printf "%.1f\n", best }'
}
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }

# A run stopped by an error at the longest tutorial name: its report drawn whole
# in the status line, and screen readers told of each text: 15 names, the report.
clear_install
seed V3_Orbel_Trasque_Vashen.avi
ln "$tutorials/V3_Orbel_Trasque_Vashen.avi" "$tutorials/../second name"  # refused as a link
check "the tool starts for a failing run" start_tool || exit 1
read -r announced status < <(drive announced-run 30000)
check "the run stops with its error report" \
    test "$status" = "Reading 'Orbel_Trasque_Vashen.avi' Tutorial  70: File refused as a link"
check "each of the run's 16 status texts raised one live-region event ($announced)" \
    test "$announced" = 16
screenshot
crop $(inside window 0) "${output%.png}-error.png"
read -r lines lowest height < <(text_lines $(inside lblNotify 1))
check "the report's end is drawn: it takes $lines lines, the last ending inside the box" \
    eval '((lines >= 2 && lowest < height - 1))'
end_tool
clear_install

# High contrast, white on black, as Wine takes it: the prefix's colours, read at start.
for pair in "Window=0 0 0" "WindowText=255 255 255" "ButtonFace=0 0 0" "ButtonText=255 255 255" \
    "WindowFrame=255 255 255"; do
    set_setting 'HKCU\Control Panel\Colors' "${pair%%=*}" REG_SZ "${pair#*=}" || exit 1
done
check "the tool starts in high contrast" start_tool || exit 1
screenshot
crop $(inside window 0) "${output%.png}-contrast.png"
for label in Label1 Label2 lblNotify; do
    ratio=$(text_contrast $(inside "$label" 2))
    check "$label's text has $ratio:1 contrast with its background, at least 4.5:1" \
        at_least "$ratio" 4.5
done
exit $((failures > 0))
