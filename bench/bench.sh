#!/usr/bin/env bash
# Measures the tool side by side with what a user would do instead, in one run:
#   throughput  15 tutorials moved by the tool, by a batch file (copy /Y, del)
#               under the same Wine prefix, and by native cp + fsync + rm;
#   start-up    process start to the loaded window, against the same window
#               alone (the yardstick, same_window.cpp) and a bare window;
#   replies     WM_NULL reply times every 20 ms while the tool copies a large
#               file to a new name and over a file of the same size;
#   footprint   executable size, idle peak working set against the yardstick's,
#               what a run adds to it, DLL imports.
# With BASELINE=REV, an earlier revision's tool is built and measured in the same
# rounds, for its throughput, what a run adds to its peak and its replies.
# Prints a Markdown table and writes it, with a PNG plot, to the output folder.
#   bench/bench.sh [--smoke]  (SIZE_MIB, ROUNDS, SWEEP_MIB, BIG_MIB, OUT, BASELINE override)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

smoke=0
[ "${1:-}" = "--smoke" ] && smoke=1
if ((smoke)); then
    size_mib=${SIZE_MIB:-1} rounds=${ROUNDS:-1} sweep=${SWEEP_MIB:-1} big_mib=${BIG_MIB:-8}
    out=${OUT:-$repo/build/bench-smoke}
else
    size_mib=${SIZE_MIB:-256} rounds=${ROUNDS:-5} sweep=${SWEEP_MIB:-16 64 256 1024} big_mib=${BIG_MIB:-2048}
    out=${OUT:-$repo/build/bench}
fi

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target ZV_CheckFiles zv_driver bench_driver min_window same_window >/dev/null
exe="$repo/build/windows/src/ui/ZV_CheckFiles.exe"
driver="$repo/build/windows/tests/ui/zv_driver.exe"
measure="$repo/build/windows/bench/bench_driver.exe"
minimal="$repo/build/windows/bench/min_window.exe"
same="$repo/build/windows/bench/same_window.exe"
state="$out/wine"
out=$(mkdir -p "$out" && cd "$out" && pwd)
baseline_exe=""
if [ -n "${BASELINE:-}" ]; then
    # Its own sources, configured by its own presets, in a folder of the output.
    rm -rf "$out/baseline" && git -C "$repo" worktree prune
    git -C "$repo" worktree add --detach "$out/baseline" "$BASELINE" >/dev/null 2>&1
    (cd "$out/baseline" && cmake --preset windows >/dev/null && cmake --build --preset windows --target ZV_CheckFiles >/dev/null)
    baseline_exe="$out/baseline/build/windows/src/ui/ZV_CheckFiles.exe"
    [ -f "$baseline_exe" ] || { echo "cannot build $BASELINE" >&2; exit 1; }
fi
trap '"$repo/cmake/wine-session.sh" down "$state" >/dev/null 2>&1' EXIT
"$repo/cmake/wine-session.sh" up "$state" >/dev/null
wine_run() { "$repo/cmake/wine-run.sh" "$state" "$@" | tr -d '\r'; }

drive_c="$state/prefix/drive_c"
tutorials="$drive_c/Program Files (x86)/Zorvel Pro/Tutorials"
pool="$drive_c/bench-pool"
names=(Brasol Tindel Mavrek KesselFasks DornFask WimbleFasks Zent HalvoMosk GrenMosk PrevaMosk CorlyVashen Stalver Orbel_Finks Orbel_Trasque Orbel_Trasque_Vashen)
now_ms() { date +%s%3N; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

make_pool() { # MiB per file
    rm -rf "$pool" && mkdir -p "$pool"
    for n in "${names[@]}"; do head -c $(($1 << 20)) /dev/urandom >"$pool/$n.avi"; done
}
# Every method starts from the same install, written and flushed beforehand, so
# that the page cache is equally warm for all three.
lay_out() {
    rm -rf "$tutorials" && mkdir -p "$tutorials"
    for n in "${names[@]}"; do cp "$pool/$n.avi" "$tutorials/V3_$n.avi"; done
    sync
}

# Prints the ms from Begin to "We're Done!" and what the run added to the peak working set
# of the settled window, in bytes.
time_tool() { # [exe]
    lay_out
    "$repo/cmake/wine-run.sh" "$state" "${1:-$exe}" >/dev/null &
    local app=$! result before after
    wine_run "$driver" wait-window 30000 >/dev/null
    sleep 1
    before=$(wine_run "$measure" peak-memory)
    result=$(wine_run "$measure" timed-run 3600000)
    [ "${result#* * * }" = "We're Done!" ] || { echo "tool run failed: $result" >&2; exit 1; }
    after=$(wine_run "$measure" peak-memory)
    wine_run "$driver" close >/dev/null
    wait "$app" || true
    echo "${result%% *} $((after - before))"
}

time_batch() {
    lay_out
    local batch="$drive_c/bench-move.bat" t="C:\\Program Files (x86)\\Zorvel Pro\\Tutorials"
    { echo "@echo off"; for n in "${names[@]}"; do
        echo "copy /Y \"$t\\V3_$n.avi\" \"$t\\ZV_$n.avi\" >nul"
        echo "del \"$t\\V3_$n.avi\""
    done; } | sed 's/$/\r/' >"$batch"
    local start end
    start=$(now_ms)
    wine_run cmd /c 'C:\bench-move.bat' >/dev/null
    end=$(now_ms)
    echo $((end - start))
}

time_native() {
    lay_out
    local start end
    start=$(now_ms)
    for n in "${names[@]}"; do
        cp "$tutorials/V3_$n.avi" "$tutorials/ZV_$n.avi"
        sync "$tutorials/ZV_$n.avi"
        rm "$tutorials/V3_$n.avi"
    done
    end=$(now_ms)
    echo $((end - start))
}

# cp copies inside the kernel (copy_file_range); dd copies through a buffer, as
# every Win32 program under Wine must.
time_native_dd() {
    lay_out
    local start end
    start=$(now_ms)
    for n in "${names[@]}"; do
        dd if="$tutorials/V3_$n.avi" of="$tutorials/ZV_$n.avi" bs=256K conv=fsync status=none
        rm "$tutorials/V3_$n.avi"
    done
    end=$(now_ms)
    echo $((end - start))
}

echo "Throughput: 15 x $size_mib MiB, $rounds alternating rounds"
make_pool "$size_mib"
tool_times=() batch_times=() native_times=() dd_times=() adds=() base_times=() base_adds=()
for ((r = 1; r <= rounds; r++)); do
    read -r ms added < <(time_tool) && tool_times+=("$ms") adds+=("$added")
    if [ -n "$baseline_exe" ]; then
        read -r ms added < <(time_tool "$baseline_exe") && base_times+=("$ms") base_adds+=("$added")
    fi
    batch_times+=("$(time_batch)")
    native_times+=("$(time_native)")
    dd_times+=("$(time_native_dd)")
    echo "  round $r: tool ${tool_times[-1]} ms${baseline_exe:+, $BASELINE ${base_times[-1]} ms}, batch ${batch_times[-1]} ms, native ${native_times[-1]} ms, dd ${dd_times[-1]} ms"
done
tool_ms=$(printf '%s\n' "${tool_times[@]}" | median)
batch_ms=$(printf '%s\n' "${batch_times[@]}" | median)
native_ms=$(printf '%s\n' "${native_times[@]}" | median)
dd_ms=$(printf '%s\n' "${dd_times[@]}" | median)
ratio_dd=$(awk -v a="$tool_ms" -v b="$dd_ms" 'BEGIN {printf "%.2f", a / (b > 0 ? b : 1)}')
ratio_native=$(awk -v a="$tool_ms" -v b="$native_ms" 'BEGIN {printf "%.2f", a / (b > 0 ? b : 1)}')
ratio_batch=$(awk -v a="$tool_ms" -v b="$batch_ms" 'BEGIN {printf "%.2f", a / (b > 0 ? b : 1)}')

echo "Scaling: ${sweep} MiB per file"
: >"$out/scaling.dat"
for mib in $sweep; do
    make_pool "$mib"
    echo "$((15 * mib)) $(time_tool | cut -d' ' -f1)" >>"$out/scaling.dat"
done

echo "Start-up"
win_path() { echo "Z:${1//\//\\}"; }
startup() { wine_run "$measure" startup "$(win_path "$1")" "$2"; }
# The first start of a session also starts Wine's desktop process; not counted.
startup "$exe" "Update ZorvelPro" >/dev/null
startup "$same" "Update ZorvelPro" >/dev/null
startup "$minimal" "Minimal window" >/dev/null
startup_tool=() startup_same=() startup_min=()
for ((r = 1; r <= (smoke ? 1 : 31); r++)); do
    startup_tool+=("$(startup "$exe" "Update ZorvelPro")")
    startup_same+=("$(startup "$same" "Update ZorvelPro")")
    startup_min+=("$(startup "$minimal" "Minimal window")")
done
startup_tool_ms=$(printf '%s\n' "${startup_tool[@]}" | median)
startup_same_ms=$(printf '%s\n' "${startup_same[@]}" | median)
startup_min_ms=$(printf '%s\n' "${startup_min[@]}" | median)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / (b > 0 ? b : 1)}'; }

echo "Idle peak working set"
# Once the window has shown, drawn its picture and settled; the driver finds
# the yardstick too, since it shows the same window.
idle_peak() {
    "$repo/cmake/wine-run.sh" "$state" "$1" >/dev/null &
    local app=$!
    wine_run "$driver" wait-window 30000 >/dev/null
    sleep 1
    wine_run "$measure" peak-memory
    wine_run "$driver" close >/dev/null
    wait "$app" || true
}
idle_tool=() idle_same=()
for ((r = 1; r <= (smoke ? 1 : 3); r++)); do
    idle_tool+=("$(idle_peak "$exe")")
    idle_same+=("$(idle_peak "$same")")
done
mib() { awk -v b="$1" 'BEGIN {printf "%.1f", b / 1048576}'; }
idle_tool_b=$(printf '%s\n' "${idle_tool[@]}" | median)
idle_same_b=$(printf '%s\n' "${idle_same[@]}" | median)

replies() { # label [exe [its name]]: the worst and 99th percentile reply while one large tutorial moves
    "$repo/cmake/wine-run.sh" "$state" "${2:-$exe}" >/dev/null &
    local app=$! worst p99
    wine_run "$driver" wait-window 30000 >/dev/null
    read -r _ worst p99 _ < <(wine_run "$measure" timed-run 3600000)
    wine_run "$driver" close >/dev/null
    wait "$app" || true
    echo "| WM_NULL reply while moving $big_mib MiB $1${3:+ ($3)} | worst $worst ms, p99 $p99 ms | hung threshold 5000 ms | | worst <= 50 ms |" >>"$out/replies"
}
echo "Replies while moving one $big_mib MiB tutorial"
: >"$out/replies"
rm -rf "$tutorials" && mkdir -p "$tutorials"
head -c $((big_mib << 20)) /dev/zero | tr '\0' 'z' >"$tutorials/V3_Zent.avi"
sync
replies "to a new name"
cp "$tutorials/ZV_Zent.avi" "$tutorials/V3_Zent.avi"
sync
replies "over a file of the same size"
if [ -n "$baseline_exe" ]; then
    rm -f "$tutorials/ZV_Zent.avi.deleting"
    mv "$tutorials/ZV_Zent.avi" "$tutorials/V3_Zent.avi"
    replies "to a new name" "$baseline_exe" "$BASELINE"
    cp "$tutorials/ZV_Zent.avi" "$tutorials/V3_Zent.avi"
    sync
    replies "over a file of the same size" "$baseline_exe" "$BASELINE"
fi
rm -rf "$tutorials" "$pool" "$drive_c/bench-move.bat"

exe_kib=$(($(stat -c %s "$exe") / 1024))
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {printf "%s%s", sep, $3; sep=", "}')
adds_mib() { printf '%s\n' "$@" | median | awk '{printf "%.2f", $1 / 1048576}'; }

{
    echo "# Benchmark ($(date -u +%Y-%m-%d), $( ((smoke)) && echo smoke || echo full))"
    echo
    echo "| Measure | Tool | Compared with | Ratio | Goal |"
    echo "|---|---|---|---|---|"
    echo "| Move 15 x $size_mib MiB (median of $rounds) | $tool_ms ms | native cp+fsync+rm $native_ms ms | $ratio_native | <= 1.05 |"
    if [ -n "$baseline_exe" ]; then
        base_ms=$(printf '%s\n' "${base_times[@]}" | median)
        echo "| Move 15 x $size_mib MiB (median of $rounds) | $BASELINE $base_ms ms | native cp+fsync+rm $native_ms ms | $(ratio "$base_ms" "$native_ms") | |"
    fi
    echo "| Move 15 x $size_mib MiB (median of $rounds) | $tool_ms ms | native dd conv=fsync+rm $dd_ms ms | $ratio_dd | |"
    echo "| Move 15 x $size_mib MiB (median of $rounds) | $tool_ms ms | batch copy /Y + del $batch_ms ms | $ratio_batch | <= 1.3 |"
    echo "| Start-up to \"...standing by\" (median of $((smoke ? 1 : 31))) | $startup_tool_ms ms | same window $startup_same_ms ms | $(ratio "$startup_tool_ms" "$startup_same_ms") | <= 1.05 |"
    echo "| Start-up to a shown window (median of $((smoke ? 1 : 31))) | $startup_tool_ms ms | bare window $startup_min_ms ms | $(ratio "$startup_tool_ms" "$startup_min_ms") | |"
    echo "| Idle peak working set | $(mib "$idle_tool_b") MiB | same window $(mib "$idle_same_b") MiB | $(ratio "$idle_tool_b" "$idle_same_b") | <= 1.05 |"
    echo "| What a run adds to the peak working set (median of $rounds) | +$(adds_mib "${adds[@]}") MiB | | | <= +1 MiB |"
    [ -z "$baseline_exe" ] ||
        echo "| What a run adds to the peak working set (median of $rounds) | $BASELINE +$(adds_mib "${base_adds[@]}") MiB | | | |"
    cat "$out/replies"
    echo "| Executable size | $exe_kib KiB | | | <= 640 KiB |"
    echo "| DLL imports | $imports | | | system DLLs only |"
    echo
    echo "Tool time against total size: scaling.dat, plot scaling.png."
} | tee "$out/results.md"

gnuplot <<PLOT
set terminal png size 640,400
set output "$out/scaling.png"
set title "Tool: time from Begin to We're Done! against total size"
set xlabel "total size of 15 tutorials (MiB)"
set ylabel "ms"
set key off
plot "$out/scaling.dat" using 1:2 with linespoints pt 7
PLOT
[ -z "$baseline_exe" ] || git -C "$repo" worktree remove --force "$out/baseline"
echo "Wrote $out/results.md and $out/scaling.png"
