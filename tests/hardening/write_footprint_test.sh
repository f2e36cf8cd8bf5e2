#!/usr/bin/env bash
# The tool writes nothing but its two folders and the moved files. The prefix's
# C: drive is listed (every folder, every file with its checksum) before and
# after a run, leaving out Wine's own temporary files; the difference must be
# exactly the folders made and the files moved.
#   write_footprint_test.sh STATE EXE DRIVER
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3
here=$(dirname "$(readlink -f "$0")")
run() { "$here/../../cmake/wine-run.sh" "$state" "$@"; }
drive_c="$state/prefix/drive_c"
root="$drive_c/Program Files (x86)/Zorvel Pro"
work=$(mktemp -d)
trap 'rm -rf "$work" "$root"' EXIT

rm -rf "$root"
listing() {
    (cd "$drive_c" &&
        find . \( -path './users/*/Temp' -o -path './users/*/AppData/Local/Temp' -o -path './windows/temp' \) -prune -o \
            \( -type d -printf 'dir %p\n' \) -o \( -type f -exec md5sum {} + \) | sed 's/^\([0-9a-f]\{32\}\)  /file \1 /' | sort)
}

run_tool() {
    run "$exe" &
    local app=$!
    run "$driver" wait-window 30000 && run "$driver" run 60000 >/dev/null
    run "$driver" close >/dev/null
    wait "$app"
}

# First run: no install at all, so the tool makes both folders.
listing >"$work/before"
run_tool
listing >"$work/after-folders"
diff "$work/before" "$work/after-folders" | grep '^[<>]' >"$work/changes-folders"
expected_folders=$(printf '%s\n' "> dir ./Program Files (x86)/Zorvel Pro" "> dir ./Program Files (x86)/Zorvel Pro/Tutorials")
status=0
if [ "$(cat "$work/changes-folders")" != "$expected_folders" ]; then
    echo "FAIL: a run with no install changed more than its two folders:"
    cat "$work/changes-folders"
    status=1
else
    echo "ok: a run with no install made its two folders and nothing else"
fi

# Second run: old copies to move.
tutorials="$root/Tutorials"
for name in V3_Brasol.avi V4_Zent.avi Mavrek.avi V3_Stalver.avi V4_Stalver.avi; do
    printf 'content of %s\n' "$name" >"$tutorials/$name"
done
listing >"$work/before-move"
run_tool
listing >"$work/after-move"
diff "$work/before-move" "$work/after-move" | grep '^[<>]' | sort >"$work/changes-move"
sum() { md5sum <<<"content of $1" | cut -d' ' -f1; }
t="./Program Files (x86)/Zorvel Pro/Tutorials"
{
    for pair in V3_Brasol.avi:ZV_Brasol.avi V4_Zent.avi:ZV_Zent.avi Mavrek.avi:ZV_Mavrek.avi V3_Stalver.avi:ZV_Stalver.avi; do
        old=${pair%%:*} new=${pair##*:}
        echo "< file $(sum "$old") $t/$old"
        echo "> file $(sum "$old") $t/$new"
    done
} | sort >"$work/expected-move"
if ! diff -u "$work/expected-move" "$work/changes-move"; then
    echo "FAIL: a run that moved four tutorials changed something else (diff above)"
    status=1
else
    echo "ok: a run that moved four tutorials changed exactly those files"
fi
exit "$status"
