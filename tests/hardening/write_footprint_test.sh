#!/usr/bin/env bash
# The tool writes nothing but its two folders and the moved files. The prefix's
# C: drive is listed (every folder, every file with its checksum) before and
# after a run, leaving out Wine's own temporary files; the difference must be
# exactly the folders made and the files moved.
#   write_footprint_test.sh STATE EXE DRIVER
set -uo pipefail
state=$(readlink -f "$1") exe=$2 driver=$3
source "$(dirname "$(readlink -f "$0")")/../ui/tool_session.sh"
root="$drive_c/Program Files (x86)/Zorvel Pro"
work=$(mktemp -d)
trap 'end_tool; rm -rf "$work" "$root"' EXIT

rm -rf "$root"
listing() {
    (cd "$drive_c" &&
        find . \( -path './users/*/Temp' -o -path './users/*/AppData/Local/Temp' -o -path './windows/temp' \) -prune -o \
            \( -type d -printf 'dir %p\n' \) -o \( -type f -exec md5sum {} + \) | sed 's/^\([0-9a-f]\{32\}\)  /file \1 /' | sort)
}
# What one run of the tool changes in the listing, sorted.
changes() {
    listing >"$work/before"
    start_tool >/dev/null && drive run 60000 >/dev/null
    end_tool
    listing | diff "$work/before" - | grep '^[<>]' | sort
}

# First run: no install at all, so the tool makes both folders.
made=$(changes)
expected=$(printf '%s\n' "> dir ./Program Files (x86)/Zorvel Pro" "> dir ./Program Files (x86)/Zorvel Pro/Tutorials")
check "a run with no install made its two folders and nothing else" test "$made" = "$expected" ||
    echo "$made"

# Second run: old copies to move.
seed V3_Brasol.avi V4_Zent.avi Mavrek.avi V3_Stalver.avi V4_Stalver.avi
moved=$(changes)
sum() { md5sum <<<"content of $1" | cut -d' ' -f1; }
t="./Program Files (x86)/Zorvel Pro/Tutorials"
expected=$(for pair in V3_Brasol.avi:ZV_Brasol.avi V4_Zent.avi:ZV_Zent.avi Mavrek.avi:ZV_Mavrek.avi V3_Stalver.avi:ZV_Stalver.avi; do
    old=${pair%%:*} new=${pair##*:}
    echo "< file $(sum "$old") $t/$old"
    echo "> file $(sum "$old") $t/$new"
done | sort)
check "a run that moved four tutorials changed exactly those files" test "$moved" = "$expected" ||
    diff <(echo "$expected") <(echo "$moved")
exit $((failures > 0))
