# Counts the checks of a shell test: source it, check each claim, and end with
# exit $((failures > 0)).
failures=0
check() { # description, command...
    if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}
