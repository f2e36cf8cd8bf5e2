#!/usr/bin/env bash
# Plants decoy DLLs, named like those the tool and the system load at run time,
# beside a copy of the tool in a downloads folder, runs a whole migration and
# fails if any decoy was loaded.
#   dll_planting_test.sh STATE EXE DRIVER DECOY_DLL
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3 decoy=$4
here=$(dirname "$(readlink -f "$0")")
run() { "$here/../../cmake/wine-run.sh" "$state" "$@"; }

downloads="$state/prefix/drive_c/users/Public/Downloads/planted"
rm -rf "$downloads" && mkdir -p "$downloads"
cp "$exe" "$downloads/ZV_CheckFiles.exe"
decoys=(windowscodecs uxtheme version comctl32 dwmapi propsys profapi cryptbase userenv
        winmm msimg32 oleacc textinputframework cryptsp bcrypt dbghelp imm32 msctf)
for name in "${decoys[@]}"; do cp "$decoy" "$downloads/$name.dll"; done

run "$downloads/ZV_CheckFiles.exe" &
app=$!
status=0
run "$driver" wait-window 30000 || status=1
run "$driver" begin || status=1
run "$driver" wait-finished 60000 >/dev/null || status=1
run "$driver" close >/dev/null || status=1
wait "$app" || true

loaded=$(cd "$downloads" && ls -- *.loaded 2>/dev/null)
if [ -n "$loaded" ]; then
    echo "FAIL: the tool loaded planted DLLs: $loaded"
    status=1
else
    echo "ok: none of ${#decoys[@]} planted DLLs was loaded"
fi
rm -rf "$downloads"
exit "$status"
