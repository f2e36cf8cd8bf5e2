#!/usr/bin/env bash
# Runs a Windows test program on a prefix that reports Windows 7 SP1 (6.1), the
# oldest system the tool supports, then gives the prefix back its own version.
# Wine still provides the newer functions then: the fallbacks used without them
# are checked in process (main_window_tests.cpp).
# Runs alone: every Wine program started meanwhile would see Windows 7.
#   as_windows7_test.sh STATE PROGRAM [ARGS...]
set -uo pipefail
state=$(readlink -f "$1")
shift
source "$(dirname "$(readlink -f "$0")")/tool_session.sh"
trap restore_settings EXIT
set_setting 'HKCU\Software\Wine' Version REG_SZ win7 || exit 1
reported=$(wine_run cmd /c ver | tr -d '\r' | grep -oE 'Windows [0-9.]+')
check "the prefix reports Windows 7 SP1 ($reported)" test "$reported" = "Windows 6.1.7601" || exit 1
wine_run "$@"
