#!/usr/bin/env bash
# Builds ZV_CheckFiles.exe and runs it under Wine in a sandbox prefix seeded
# with a sample install, printing the Tutorials folder before and after.
# With a display ($DISPLAY set) the window opens for you; headless, the run is
# driven: Begin is pressed, the result awaited and a screenshot saved.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target ZV_CheckFiles zv_driver >/dev/null

exe="$repo/build/windows/src/ui/ZV_CheckFiles.exe"
driver="$repo/build/windows/tests/ui/zv_driver.exe"
state="$repo/build/sandbox"
wine_run() { "$repo/cmake/wine-run.sh" "$state" "$@"; }

interactive=0
if [ -n "${DISPLAY:-}" ]; then
    interactive=1
    export WINE_SESSION_DISPLAY=$DISPLAY
fi
trap '"$repo/cmake/wine-session.sh" down "$state" >/dev/null 2>&1' EXIT
"$repo/cmake/wine-session.sh" up "$state" >/dev/null

# A sample install: small old tutorial files under every old naming, some
# tutorials with two old copies, one already under its new name.
drive_c="$state/prefix/drive_c"
if [ -d "$drive_c/Program Files (x86)" ]; then root="$drive_c/Program Files (x86)/Zorvel Pro"; else root="$drive_c/Program Files/Zorvel Pro"; fi
tutorials="$root/Tutorials"
rm -rf "$root"
mkdir -p "$tutorials"
seed() { printf 'sample tutorial video: %s\n' "$1" >"$tutorials/$1"; }
for name in V3_Brasol.avi V4_Tindel.avi Mavrek.avi V3_KesselFasks.avi V4_KesselFasks.avi \
    DornFask.avi V4_DornFask.avi V3_Zent.avi ZV_Zent.avi V4_HalvoMosk.avi GrenMosk.avi \
    V3_Orbel_Finks.avi V3_Orbel_Trasque_Vashen.avi Orbel_Trasque_Vashen.avi readme.txt; do
    seed "$name"
done

show() {
    echo "== $1: ${tutorials#"$drive_c/"}"
    (cd "$tutorials" && for f in *; do printf '  %-32s %s' "$f" "$(cat "$f")"; echo; done)
}
show "before"

if ((interactive)); then
    echo "The window is open on $DISPLAY; press Begin, then Exit to finish."
    wine_run "$exe"
else
    wine_run "$exe" &
    app=$!
    wine_run "$driver" wait-window 30000
    result=0
    echo "Pressing Begin..."
    wine_run "$driver" run 120000 || result=$?
    shot="$repo/build/sandbox/screenshot.png"
    read -r left top right bottom < <(wine_run "$driver" rect window | tr -d '\r')
    xwd -root -display "$(cat "$state/display")" -silent >"$state/screen.xwd"
    convert "xwd:$state/screen.xwd" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$shot"
    echo "Screenshot: $shot"
    wine_run "$driver" close >/dev/null || true
    wait "$app" || true
    if ((result != 0)); then
        echo "The run did not end with \"We're Done!\"" >&2
    fi
fi
show "after"
exit "${result:-0}"
