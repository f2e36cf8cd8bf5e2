# Shared by the shell tests of the real tool: runs Windows programs in the
# session's prefix, drives the tool and counts checks. Source it after setting
# state (the session's state folder), exe and driver.
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
drive_c="$state/prefix/drive_c"
tutorials="$drive_c/Program Files (x86)/Zorvel Pro/Tutorials"
source "$here/../checks.sh"

wine_run() { "$here/../../cmake/wine-run.sh" "$state" "$@"; }
drive() { wine_run "$driver" "$@" | tr -d '\r'; }
# Values set in the prefix's registry, which programs read when they start, as
# "key|name|type|=previous data", with nothing after the last bar where there
# was no value. restore_settings puts each back, or removes it.
saved_settings=()
set_setting() { # key name type data
    local previous
    previous=$(wine_run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print "=" $0 }')
    saved_settings+=("$1|$2|$3|$previous")
    wine_run reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null
}
restore_settings() {
    local i key name type previous
    for ((i = ${#saved_settings[@]} - 1; i >= 0; i--)); do
        IFS='|' read -r key name type previous <<<"${saved_settings[i]}"
        previous=${previous#=}
        [ "$type" = REG_DWORD ] && [ -n "$previous" ] && previous=$((previous))  # reg prints hex
        if [ -z "${saved_settings[i]##*|}" ]; then
            wine_run reg delete "$key" /v "$name" /f >/dev/null 2>&1
        else
            wine_run reg add "$key" /v "$name" /t "$type" /d "$previous" /f >/dev/null
        fi
    done
    saved_settings=()
}
clear_install() {
    chmod -R u+w "$drive_c/Program Files (x86)/Zorvel Pro" "$drive_c/Program Files/Zorvel Pro" 2>/dev/null
    rm -rf "$drive_c/Program Files (x86)/Zorvel Pro" "$drive_c/Program Files/Zorvel Pro"
}
seed() { # names... under the Tutorials folder, each holding its own name
    local name
    mkdir -p "$tutorials"
    for name; do printf 'content of %s\n' "$name" >"$tutorials/$name"; done
}
has() { [ "$(cat "$tutorials/$1" 2>/dev/null)" = "content of $2" ]; }
# A control's screen rectangle, inset by some pixels, as "left top width height".
inside() { # control [inset]
    local l t r b i=${2:-0}
    read -r l t r b < <(drive rect "$1") || return 1
    echo "$((l + i)) $((t + i)) $((r - l - 2 * i)) $((b - t - 2 * i))"
}
# Starts the tool in the background (its process is $tool; run under $tool_tracer, if set, such
# as strace) and waits until it is loaded.
start_tool() {
    ${tool_tracer:-} "$here/../../cmake/wine-run.sh" "$state" "$exe" &
    tool=$!
    drive wait-window 30000
}
# Ends a tool still running, whatever happened.
end_tool() {
    if [ -n "${tool:-}" ] && kill -0 "$tool" 2>/dev/null; then
        drive close >/dev/null 2>&1
        wait "$tool" 2>/dev/null
    fi
    tool=
}
