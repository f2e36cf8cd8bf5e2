#!/usr/bin/env bash
# Plants decoy DLLs, named like those the tool and the system load at run time,
# beside a copy of the tool in a downloads folder, runs a whole migration and
# fails if any decoy was loaded.
#
# Wine prefers its builtin DLLs to any found beside the program, so the decoys'
# names are set to native first: a decoy is then loaded wherever the search
# order reaches the downloads folder before the system's. A careless program,
# run from the same folder, shows that it does: if it loads no decoy, nothing
# here could be seen, and the test fails.
#   dll_planting_test.sh STATE EXE DRIVER DECOY_DLL CARELESS_LOADER
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3 decoy=$4 careless=$5
source "$(dirname "$(readlink -f "$0")")/../ui/tool_session.sh"

# Not planted, because under Wine they prove nothing about the program:
# - version, imm32 and bcrypt: Wine's own user32 and advapi32 import them, so
#   they are loaded at every process start before any code of the program runs,
#   and a decoy in their place stops the start.
# msimg32 is planted: Wine's comctl32 delay-loads it by a path that ignores
# SetDefaultDllDirectories, so the tool loads it from the system folder first.
decoys=(windowscodecs uxtheme comctl32 msimg32 dwmapi propsys profapi cryptbase userenv
        winmm oleacc textinputframework cryptsp dbghelp msctf)
overrides="$(IFS=,; echo "${decoys[*]}")=n,b"

downloads="$drive_c/users/Public/Downloads/planted"
cleanup() { rm -rf "$downloads" "$(dirname "$tutorials")" "$state/planted.log"; }
trap cleanup EXIT
cleanup
mkdir -p "$downloads"
cp "$exe" "$downloads/ZV_CheckFiles.exe"
cp "$careless" "$downloads/careless_loader.exe"
for name in "${decoys[@]}"; do cp "$decoy" "$downloads/$name.dll"; done
seed V3_Zent.avi Brasol.avi

# Runs a Windows program in the background with the decoys preferred; its
# wine-run process is $started, and the program's Wine process is the one
# child of that.
start_planted() {
    WINEDLLOVERRIDES=$overrides "$here/../../cmake/wine-run.sh" "$state" "$@" \
        >"$state/planted.log" &
    started=$!
}
# Waits for it, at most the given seconds: a decoy that breaks the program
# would otherwise hang the test.
finish_planted() { # seconds
    local left=$(($1 * 10))
    while kill -0 "$started" 2>/dev/null && ((left-- > 0)); do sleep 0.1; done
    if kill -0 "$started" 2>/dev/null; then
        pkill -KILL -P "$started"
        wait "$started" 2>/dev/null
        return 1
    fi
    wait "$started" 2>/dev/null
    return 0
}
markers() { (cd "$downloads" && ls -- *.loaded 2>/dev/null) | sed 's/\.dll\.loaded$//' | tr '\n' ' '; }

status=0
fail() { echo "FAIL: $*"; status=1; }

start_planted "$downloads/careless_loader.exe" "${decoys[@]/%/.dll}"
finish_planted 30 || fail "the careless program did not end"
by_control=$(markers)
control_count=$(wc -w <<<"$by_control")
if ((control_count == 0)); then
    fail "a careless program beside the decoys loaded none of them: this test cannot see a planted DLL being loaded"
elif ((control_count < ${#decoys[@]})); then
    fail "a careless program loaded only $control_count of ${#decoys[@]} decoys ($by_control): the others prove nothing"
    tr -d '\r' <"$state/planted.log"
fi
rm -f "$downloads"/*.loaded "$state/planted.log"

start_planted "$downloads/ZV_CheckFiles.exe"
if drive wait-window 30000 >/dev/null; then
    run_status=$(drive run 20000)
    [ "$run_status" = "We're Done!" ] || fail "the migration beside the decoys ended with: $run_status"
    # Which of the planted names the tool loaded at all, and from where.
    modules=$(drive modules)
    loaded_names=0
    for name in "${decoys[@]}"; do
        path=$(grep -i "\\\\$name\\.dll\$" <<<"$modules")
        [ -n "$path" ] || continue
        loaded_names=$((loaded_names + 1))
        grep -qi '\\Downloads\\' <<<"$path" && fail "the tool has $name.dll from $path"
    done
    ((loaded_names > 0)) ||
        fail "the tool loaded none of the planted names, from anywhere: the run tried no planted load"
    drive close >/dev/null || fail "the tool did not close"
else
    fail "the tool's window did not come up beside the decoys"
fi
finish_planted 15 || fail "the tool did not end"

by_tool=$(markers)
tool_count=$(wc -w <<<"$by_tool")
((tool_count == 0)) || fail "the tool loaded $tool_count planted DLLs: $by_tool"
echo "${#decoys[@]} decoys planted, the careless program loaded $control_count, the tool loaded" \
    "$tool_count, and took ${loaded_names:-0} of their names from the system"
exit "$status"
