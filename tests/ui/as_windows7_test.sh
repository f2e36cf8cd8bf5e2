#!/usr/bin/env bash
# Runs a Windows test program on a prefix that reports Windows 7 SP1 (6.1), the
# oldest system the tool supports, then gives the prefix back its own version.
# Wine still provides the newer functions then: the fallbacks used without them
# are checked in process (dpi_fallbacks_tests.cpp).
# Runs alone: every Wine program started meanwhile would see Windows 7.
#   as_windows7_test.sh STATE PROGRAM [ARGS...]
set -uo pipefail
state=$(readlink -f "$1")
shift
wine_run() { "$(dirname "$(readlink -f "$0")")/../../cmake/wine-run.sh" "$state" "$@"; }
key='HKCU\Software\Wine'

previous=$(wine_run reg query "$key" /v Version 2>/dev/null | tr -d '\r' |
    awk '$1 == "Version" {print $3}')
restore() {
    if [ -n "$previous" ]; then
        wine_run reg add "$key" /v Version /t REG_SZ /d "$previous" /f >/dev/null
    else
        wine_run reg delete "$key" /v Version /f >/dev/null 2>&1
    fi
}
trap restore EXIT
wine_run reg add "$key" /v Version /t REG_SZ /d win7 /f >/dev/null || exit 1
reported=$(wine_run cmd /c ver | tr -d '\r' | grep -oE 'Windows [0-9.]+')
if [[ "$reported" != "Windows 6.1.7601" ]]; then
    echo "FAIL: the prefix does not report Windows 7 SP1: $reported"
    exit 1
fi
echo "ok: the prefix reports $reported"
wine_run "$@"
