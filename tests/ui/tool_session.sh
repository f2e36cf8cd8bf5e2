# Shared by the shell tests of the real tool: runs Windows programs in the
# session's prefix, drives the tool and counts checks. Source it after setting
# state (the session's state folder), exe and driver.
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
drive_c="$state/prefix/drive_c"
tutorials="$drive_c/Program Files (x86)/Zorvel Pro/Tutorials"
failures=0

wine_run() { "$here/../../cmake/wine-run.sh" "$state" "$@"; }
drive() { wine_run "$driver" "$@" | tr -d '\r'; }
check() { # description, command...
    if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}
clear_install() {
    chmod -R u+w "$drive_c/Program Files (x86)/Zorvel Pro" "$drive_c/Program Files/Zorvel Pro" 2>/dev/null
    rm -rf "$drive_c/Program Files (x86)/Zorvel Pro" "$drive_c/Program Files/Zorvel Pro"
}
seed() { # names... under the Tutorials folder, each holding its own name
    mkdir -p "$tutorials"
    for name; do printf 'content of %s\n' "$name" >"$tutorials/$name"; done
}
has() { [ "$(cat "$tutorials/$1" 2>/dev/null)" = "content of $2" ]; }
# Starts the tool in the background (its process is $tool) and waits until it is loaded.
start_tool() {
    wine_run "$exe" &
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
