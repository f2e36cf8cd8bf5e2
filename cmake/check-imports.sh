#!/usr/bin/env bash
# Fails if an executable imports a function that the program looks up at run
# time instead, because an older Windows lacks it: the loader would refuse to
# start the program there. The functions are those listed in the header.
#   check-imports.sh OBJDUMP EXE SYSTEM_API_HEADER
set -euo pipefail
objdump=$1 exe=$2 header=$3

# Under each "DLL Name:" line, objdump lists the imports as "address hint name",
# up to a blank line.
list_imports() {
    "$objdump" -p "$1" | awk '/DLL Name:/ {in_dll = 1; next}
        /^[[:space:]]*$/ {in_dll = 0}
        in_dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}'
}

# Each entry of the list: {L"module.dll", "Name"}, perhaps broken over lines.
late_bound=$(tr '\n' ' ' <"$header" | grep -oE '\{ *L"[A-Za-z0-9_]+\.dll", *"[A-Za-z0-9_]+" *\}' |
    sed -E 's/.*"([A-Za-z0-9_]+)" *\}$/\1/' | sort -u)
if [ "$(wc -l <<<"$late_bound")" -lt 5 ]; then
    echo "check-imports: read fewer than 5 functions from $header: has its form changed?" >&2
    exit 1
fi

imports=$(list_imports "$exe" | sort -u)
if [ -z "$imports" ]; then
    echo "check-imports: found no imports in $exe" >&2
    exit 1
fi

found=$(comm -12 <(echo "$late_bound") <(echo "$imports"))
if [ -n "$found" ]; then
    echo "check-imports: $(basename "$exe") imports functions that older Windows lacks;" \
        "call them through platform::FindSystemFunction instead:" $found >&2
    exit 1
fi
