#!/usr/bin/env bash
# Real faults end to end: each case arranges the prefix's C: drive, runs the
# tool, presses Begin and checks the status line, the exit code and the
# checksum of every tutorial file. Each tutorial's content must still exist
# under its old or its new name, and once the run has ended the pointer over
# the window must be the arrow again, not the hourglass.
#   fault_cases_test.sh STATE EXE DRIVER HOLD_FILE X_POINTER
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3 hold=$4 x_pointer=$5
source "$(dirname "$(readlink -f "$0")")/../ui/tool_session.sh"
x86="$drive_c/Program Files (x86)"
root="$x86/Zorvel Pro"
cases=0 checked=0 lost=0 skipped=0

restore() {
    [ -d "$x86.away" ] && { rm -f "$x86"; mv "$x86.away" "$x86"; }
    mountpoint -q "$state/small" 2>/dev/null && umount "$state/small"
    clear_install
}
trap 'end_tool; restore' EXIT

wait_for() { # seconds, command...: polls every 0.1 s
    local tries=$(($1 * 10))
    while ((tries-- > 0)); do "${@:2}" && return 0; sleep 0.1; done
    return 1
}
# name -> checksum of every old copy, taken before the run.
remember() { (cd "$1" && find . -maxdepth 1 -type f -name '*.avi' -exec md5sum {} + | sed 's| \./| |') >"$state/sums"; }
verify() { # folder
    local whole=1 sum name
    while read -r sum name; do
        checked=$((checked + 1))
        local bare=${name#V[34]_} found=0
        for candidate in "$name" "ZV_${bare#ZV_}"; do
            [ -f "$1/$candidate" ] && [ "$(md5sum <"$1/$candidate" | cut -d' ' -f1)" = "$sum" ] && found=1
        done
        ((found)) || { lost=$((lost + 1)) whole=0; echo "  lost: $name"; }
    done <"$state/sums"
    ((whole)) || return 1
    [ -z "$(find "$1" -type f \( -name '*.copying' -o -name '*.deleting' \) 2>/dev/null)" ] ||
        { echo "  a temporary file was left"; return 1; }
}
# The pointer over the status line: arrow, wait or other. Where system cursor
# handles are not shared between processes (Wine) the X server tells the image.
shown_pointer() {
    local seen
    seen=$(drive pointer) || { echo "unreadable"; return; }
    case $seen in
    arrow* | wait*) echo "${seen%% *}" ;;
    *) DISPLAY=$(cat "$state/display") "$x_pointer" ;;
    esac
}
# The exit code tells a completed run (0) from one stopped by an error (its number).
run_case() { # name, expected status (a prefix of it), folder to verify[, check during the run]
    cases=$((cases + 1))
    local status pointer code expected_code=0 ok=1
    start_tool >/dev/null
    ${before_begin:-true}
    drive begin
    [ -z "${4:-}" ] || "$4" || ok=0
    status=$(drive wait-finished 600000)
    pointer=$(shown_pointer)
    "${after_run:-true}" || ok=0
    code=$(drive close) && wait "$tool"
    tool=
    [[ "$status" == "$2"* ]] || { echo "  status: $status"; ok=0; }
    [ "$pointer" = arrow ] || { echo "  pointer after the run: $pointer"; ok=0; }
    [ "$2" = "We're Done!" ] || expected_code=$(sed -E 's/.*  (-?[0-9]+): .*/\1/' <<<"$2")
    [ "$code" = "$expected_code" ] || { echo "  exit code: $code"; ok=0; }
    verify "$3" || ok=0
    check "$1" test "$ok" = 1
}

# Read-only tutorials, as an installer copies them from a CD: the first run
# moves the V3 copy, keeping its attribute, and the next, the V4 copy over it.
restore
seed V3_Brasol.avi V4_Brasol.avi V3_Tindel.avi && chmod a-w "$tutorials"/V?_Brasol.avi
remember "$tutorials"
run_case "a read-only old copy" "We're Done!" "$tutorials"
check "the read-only copy and the next tutorial moved, the attribute kept" \
    eval 'has ZV_Brasol.avi V3_Brasol.avi && has ZV_Tindel.avi V3_Tindel.avi &&
          [ "$(stat -c %A "$tutorials/ZV_Brasol.avi" | cut -c3)" = - ]'
remember "$tutorials" && sed -i '/ ZV_Brasol.avi$/d' "$state/sums"  # replaced, as it should be
run_case "a second run over the read-only new name" "We're Done!" "$tutorials"
check "the V4 copy replaced the read-only new name" \
    eval 'has ZV_Brasol.avi V4_Brasol.avi && [ ! -e "$tutorials/V4_Brasol.avi" ]'

# Held by another program, as a virus scanner or the indexer holds a file, for
# 3 s, or for 1.5 s of which the run meets the last half: the run waits and
# moves it. A leftover of a copy cut short, held with deletion shared, keeps
# its name until let go; a read-only file at the new name, held, cannot move
# aside until let go, and a rename never replaces it on Windows.
hold() { # name sharing ms
    wine_run "$hold" "C:\\Program Files (x86)\\Zorvel Pro\\Tutorials\\$1" "$2" "$3" &
    holder=$!
    sleep 1
}
held_cases=(
    "an old copy held for 3 s, sharing read-write|V3_Zent.avi read-write 3000"
    "an old copy held for 3 s, sharing none|V3_Zent.avi none 3000"
    "a held leftover of a copy, let go after 0.5 s|ZV_Zent.avi.copying all 1500"
)
for entry in "${held_cases[@]}"; do
    IFS='|' read -r name held <<<"$entry"
    restore
    seed V3_Zent.avi V3_Brasol.avi "${held%% *}" && remember "$tutorials"
    SECONDS=0
    before_begin="hold $held" run_case "$name" "We're Done!" "$tutorials"
    check "the held copy moved (the case took $SECONDS s)" has ZV_Zent.avi V3_Zent.avi
    wait "$holder"
done

# What reaches the disk, in order, from the system calls of the tool and of
# Wine's server, which renames and deletes: the copy is flushed after its last
# write and before it takes the new name, and the new name is flushed before
# the old copy leaves its own. A read-only file held at the new name is moved
# aside once let go, not renamed over (Windows refuses that).
# The processes of the prefix, its server first.
prefix_pids() {
    local file pid server="" others=""
    for file in $(grep -lzxF "WINEPREFIX=$state/prefix" /proc/[0-9]*/environ 2>/dev/null); do
        pid=${file#/proc/} && pid=${pid%/environ}
        case $(readlink "/proc/$pid/exe") in
        */wineserver*) server=$pid ;;
        */wine64* | */wine) others+=" $pid" ;;
        esac
    done
    echo "$server$others"
}
on_disk_in_order() {
    python3 - "$state/server.trace" "$state/tool.trace" <<'PY'
import re, sys
events = []
for name in sys.argv[1:]:
    for line in open(name):
        m = re.match(r'(?:\d+ +)?(\d+):(\d+):([\d.]+) (\w+)\((.*)', line)
        if m:
            h, mi, sec, call, args = m.groups()
            events.append((int(h) * 3600 + int(mi) * 60 + float(sec), call, args))
events.sort()
def first(test, after=-1.0):
    return next((t for t, call, args in events if t > after and test(call, args)), None)
temp, new, old = "ZV_Zent.avi.copying", "ZV_Zent.avi", "V3_Zent.avi"
on = lambda path, args: re.match(r'\d+<[^>]*/' + re.escape(path) + '>', args)
renamed = lambda a, b: lambda call, args: call.startswith("rename") and \
    re.search('/' + re.escape(a) + r'", .*/' + re.escape(b) + '"', args)
writes = [t for t, call, args in events if call in ("write", "pwrite64") and on(temp, args)]
steps = {"the last write": writes[-1] if writes else None}
steps["the flush of the copy"] = first(lambda c, a: c in ("fsync", "fdatasync") and on(temp, a),
                                       steps["the last write"] or 0)
steps["the held read-only file moved aside"] = first(renamed(new, new + ".deleting"))
steps["the copy's rename to the new name"] = first(renamed(temp, new))
steps["the flush of the new name"] = first(lambda c, a: c in ("fsync", "fdatasync") and on(new, a),
                                           steps["the copy's rename to the new name"] or 0)
steps["the old copy leaving its name"] = first(renamed(old, old + ".deleting"))
order = [steps[k] for k in steps]
for k, t in steps.items():
    print(f"  {k}: {t}")
sys.exit(0 if None not in order and order == sorted(order) else 1)
PY
}
restore
seed V3_Zent.avi ZV_Zent.avi && chmod a-w "$tutorials/ZV_Zent.avi" && remember "$tutorials"
sed -i '/ ZV_Zent.avi$/d' "$state/sums"  # replaced, as it should be
read -r server _ < <(prefix_pids)
traced="-qq -f -tt -y -e trace=write,pwrite64,fsync,fdatasync,rename,renameat,renameat2"
strace $traced -p "$server" -o "$state/server.trace" &
tracer=$!
sleep 0.5
tool_tracer="strace $traced -o $state/tool.trace" before_begin="hold ZV_Zent.avi read-write 2500" \
    run_case "a held read-only file at the new name, let go about 1.5 s after Begin" "We're Done!" "$tutorials"
wait "$holder"
kill "$tracer" && wait "$tracer"
check "on disk in order: last write, flush, the new name (the read-only file aside first), its flush, the old copy away" \
    on_disk_in_order

restore
seed V4_Zent.avi V3_Brasol.avi && mkdir "$tutorials/V3_Zent.avi" && remember "$tutorials"
run_case "a folder named like an old copy" "We're Done!" "$tutorials"
check "the folder named like an old copy stays" test -d "$tutorials/V3_Zent.avi"

restore
mkdir -p "$x86" && echo "not a folder" >"$root" && remember "$x86"
run_case "Zorvel Pro as a plain file" "We're Done!" "$x86"
check "the file named like the install folder keeps its content" test "$(cat "$root")" = "not a folder"
rm -f "$root"

tutorials="$drive_c/Program Files/Zorvel Pro/Tutorials"
for x86_is in missing "present as a file"; do
    restore
    mv "$x86" "$x86.away" && { [ "$x86_is" = missing ] || echo "a file" >"$x86"; }
    seed V3_Zent.avi && remember "$tutorials"
    run_case "Program Files (x86) $x86_is" "We're Done!" "$tutorials"
    [ "$x86_is" = missing ] && check "the tutorial moved under Program Files, making no (x86) folder" \
        eval '[ "$(ls "$tutorials")" = ZV_Zent.avi ] && has ZV_Zent.avi V3_Zent.avi && [ ! -e "$x86" ]'
done
restore
tutorials="$root/Tutorials"

# The copy is long enough to be looked at while it runs, which also shows that
# the pointer check can see the hourglass at all.
hourglass_during_copy() {
    wait_for 30 eval 'compgen -G "$tutorials/*.copying" >/dev/null' || { echo "  no copy started"; return 1; }
    local during
    during=$(shown_pointer)
    [ "$during" = wait ] ||
        { echo "  pointer during the copy: $during (the check cannot see the hourglass)"; return 1; }
}
# The session ends (shutdown, restart, log-off) during a copy: the copy stops
# and its temporary file goes before the system ends the program, the old copy
# stays whole and the next tutorial untouched.
restore
seed V3_Tindel.avi && truncate -s 3000M "$tutorials/V3_Brasol.avi" && remember "$tutorials"
cases=$((cases + 1))
start_tool >/dev/null
drive begin
wait_for 30 test -e "$tutorials/ZV_Brasol.avi.copying" && sleep 1
wine_run wineboot --end-session --force --kill >/dev/null
wait "$tool"
tool=
"$here/../../cmake/wine-session.sh" up "$state" >/dev/null
check "the session's end during a copy: the old copy whole, nothing left beside it, the next tutorial not reached" \
    eval 'verify "$tutorials" && [ ! -e "$tutorials/ZV_Brasol.avi" ] && [ ! -e "$tutorials/ZV_Tindel.avi" ]'

# Exit once the last bytes of a copy larger than 4 GiB are written, while it is
# flushed: the window goes at once, the program within a second (the flush is
# made in steps), and each tutorial is whole under one of its names; the next
# one, long enough to be under way, is not moved. The next run moves them.
restore
mkdir -p "$tutorials" && truncate -s 4500M "$tutorials/V3_Brasol.avi" && truncate -s 3000M "$tutorials/V3_Tindel.avi"
remember "$tutorials"
cases=$((cases + 1))
start_tool >/dev/null
drive begin
# Polled without pause: the last flush of the copy is short.
python3 -c 'import os, sys, time
deadline = time.monotonic() + 60
while time.monotonic() < deadline:
    try:
        if os.stat(sys.argv[1]).st_size == int(sys.argv[2]): break
    except FileNotFoundError:
        pass' "$tutorials/ZV_Brasol.avi.copying" $((4500 << 20))
read -r gone ended exit_code < <(drive exit)
wait "$tool"
tool=
check "Exit during the last flush: the window gone in ${gone:-?} ms (< 100), the program in ${ended:-?} ms (< 1000)" \
    test "${gone:-999}" -lt 100 -a "${ended:-9999}" -lt 1000
check "Exit during the last flush: every tutorial whole, nothing left beside it" verify "$tutorials"
check "Exit during the last flush: exit code $exit_code (1602, no run ended), the next tutorial not moved" \
    eval '[ "$exit_code" = 1602 ] && [ ! -e "$tutorials/ZV_Tindel.avi" ]'
run_case "the next run, the hourglass during its copy" "We're Done!" "$tutorials" \
    hourglass_during_copy
check "the copy larger than 4 GiB has its full length" \
    test "$(stat -c %s "$tutorials/ZV_Brasol.avi" 2>/dev/null)" = $((4500 << 20))

restore
mkdir -p "$state/small" "$root"
if mount -t tmpfs -o size=6m tmpfs "$state/small" 2>/dev/null; then
    ln -s "$state/small" "$tutorials"
    for n in V3_Zent.avi V3_Brasol.avi; do head -c $((2500 << 10)) /dev/urandom >"$tutorials/$n"; done
    remember "$tutorials"
    run_case "a disk too small for a copy" "Reading 'Brasol.avi' Tutorial  61: Disk full" "$tutorials"
    umount "$state/small"
else
    echo "SKIPPED: a disk too small for a copy (mounting a tmpfs is not permitted here)"
    skipped=1
fi

# All 15 tutorials under all three old names, three runs in a row: each run
# moves the next old copy over the new name, as on the in-memory double, so
# that in the end only the new names remain, holding the bare copies.
restore
names=(Brasol Tindel Mavrek KesselFasks DornFask WimbleFasks Zent HalvoMosk GrenMosk PrevaMosk CorlyVashen Stalver Orbel_Finks Orbel_Trasque Orbel_Trasque_Vashen)
mkdir -p "$tutorials"
for n in "${names[@]}"; do for p in V3_ V4_ ""; do echo "$p$n" >"$tutorials/$p$n.avi"; done; done
cases=$((cases + 1))
start_tool >/dev/null
three_runs=""
for _ in 1 2 3; do three_runs+="$(drive run 60000)|"; done
pointer=$(shown_pointer)
end_tool
expected=$(for n in "${names[@]}"; do echo "ZV_$n.avi:$n"; done | sort)
actual=$(cd "$tutorials" && for f in *; do echo "$f:$(cat "$f")"; done | sort)
checked=$((checked + 45))
check "three runs over every old naming ($three_runs pointer $pointer)" \
    test "$three_runs|$pointer|$actual" = "We're Done!|We're Done!|We're Done!||arrow|$expected" ||
    diff <(echo "$expected") <(echo "$actual")

# Planted links. Each case plants links in the Tutorials folder and runs the
# tool: no file outside the folder, nor the folder's other file, may change, no
# tutorial may be lost, and the status line says what happened.
outside="$drive_c/outside.bin" far="$state/far.bin" notes="$tutorials/notes.txt"
refused="Reading 'Zent.avi' Tutorial  70: File refused as a link"
link_cases=(
    "an old copy linked to a file elsewhere|$refused|ln -s '$far' V3_Zent.avi"
    "an old copy linked to another file of the folder|$refused|ln -s notes.txt V3_Zent.avi"
    "a hard-linked old copy|$refused|ln '$outside' V3_Zent.avi"
    "a link squatting the temporary name|$refused|seed V3_Zent.avi; ln -s '$outside' ZV_Zent.avi.copying"
    "a dangling link as an old copy|We're Done!|ln -s '$state/nowhere' V3_Zent.avi"
    "a link loop at the new name|We're Done!|seed V3_Zent.avi; ln -s ZV_Zent.avi ZV_Zent.avi"
    "a link at the new name|We're Done!|seed V3_Zent.avi; ln -s '$far' ZV_Zent.avi"
)
# Ctrl+C copies the report: the status text, and below it, after a failure, its cause.
copied_report() {
    local copied expected=$status
    [ "$status" = "We're Done!" ] || expected+=$'\n'"Copying 'V3_Zent.avi' to 'ZV_Zent.avi': "
    copied=$(drive copy) && [[ "$copied" == "$expected"* ]] || { echo "  copied: $copied"; return 1; }
}
outside_changed=0
for entry in "${link_cases[@]}"; do
    IFS='|' read -r name expected arrange <<<"$entry"
    restore
    seed V3_Brasol.avi Stalver.avi && head -c 4096 /dev/urandom | tee "$outside" "$far" >"$notes"
    (cd "$tutorials" && eval "$arrange")
    remember "$tutorials"
    protected=$(md5sum "$outside" "$far" "$notes")
    after_run=copied_report run_case "$name" "$expected" "$tutorials"
    check "$name: no file outside the tutorials changed" \
        test "$(md5sum "$outside" "$far" "$notes" 2>&1)" = "$protected" ||
        outside_changed=$((outside_changed + 1))
    check "$name: no link stands at the new name" test ! -L "$tutorials/ZV_Zent.avi"
done
rm -f "$outside" "$far"
echo "${#link_cases[@]} planted-link cases ran, $outside_changed changed a file outside"

# Crashes: every process of the prefix killed at once, server first, as a power
# cut stops everything, at moments around the copy, the rename and the deletion
# of a large tutorial. The next run must end "We're Done!" with every tutorial
# whole.
# Kills the processes given once a file appears ("+NAME") or once a file there
# now changes its length or goes ("-NAME"), and a delay later; polls without
# pause. Prints "ready" once watching; fails if the moment never came.
crash_at() { # change, delay, pids...
    python3 -u - "$tutorials/${1:1}" "${1:0:1}" "${@:2}" <<'PY'
import os, signal, sys, time
path, change, delay, pids = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4:]
def length():
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return None
first = length()
print("ready")
reached, deadline = False, time.monotonic() + 60
while not reached and time.monotonic() < deadline:
    now = length()
    reached = (change == "+" and now is not None) or (change == "-" and now != first)
time.sleep(delay)
for pid in pids:
    os.kill(int(pid), signal.SIGKILL)
sys.exit(0 if reached else 1)
PY
}
crash_points=(
    "during the copy|+ZV_Brasol.avi.copying|0.2"
    "as the new name appears|+ZV_Brasol.avi|0"
    "as the old copy starts to go|-V3_Brasol.avi|0"
    "2 ms after the old copy starts to go|-V3_Brasol.avi|0.002"
    "10 ms after the old copy starts to go|-V3_Brasol.avi|0.01"
    "while the old copy is freed|+V3_Brasol.avi.deleting|0"
)
for entry in "${crash_points[@]}"; do
    IFS='|' read -r name trigger delay <<<"$entry"
    restore
    seed V4_Zent.avi
    # Written, not sparse: freeing the cached pages of real data takes time.
    { head -c 256M /dev/zero && head -c 65536 /dev/urandom; } >"$tutorials/V3_Brasol.avi"
    remember "$tutorials"
    start_tool >/dev/null
    coproc CRASH { crash_at "$trigger" "$delay" $(prefix_pids); }
    read -r _ <&"${CRASH[0]}"
    crasher=$CRASH_PID
    drive begin
    wait "$crasher" || echo "  (the moment never came: $trigger)"
    wait "$tool"
    "$here/../../cmake/wine-session.sh" up "$state" >/dev/null
    run_case "a crash $name, then a run" "We're Done!" "$tutorials"
done
echo "${#crash_points[@]} crashes"

echo "$cases fault cases ran, $checked tutorial files checked, $lost lost, $failures failed"
((failures == 0 && lost == 0)) || exit 1
((skipped)) && exit 77
exit 0
