#!/usr/bin/env bash
# The window at 120 DPI: the prefix's resolution is raised for the programs
# started meanwhile (Wine reads LogPixels when a process starts), the in-process
# layout, font and fallback checks run again, and the real tool is measured
# from outside.
# Runs alone: every Wine program started meanwhile would see 120 DPI.
#   high_dpi_test.sh STATE UI_WINDOW_TESTS EXE DRIVER
set -uo pipefail
state=$(readlink -f "$1") tests=$2 exe=$3 driver=$4
source "$(dirname "$(readlink -f "$0")")/tool_session.sh"
trap 'end_tool; restore_settings' EXIT
set_setting 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 120 || exit 1

in_process=$(ZV_EXPECTED_DPI=120 wine_run "$tests" --gtest_filter='MainWindowTest.LaidOutFromTheTwipsAtEachResolution:MainWindowTest.EachWindowHasItsClassTextStyleAndFont:MainWindowTest.DpiFallbacksAgreeWithTheNewerFunctions')
status=$?
grep -E '^\[ +(OK|FAILED) +\]|Failure|Which is|Expected' <<<"${in_process//$'\r'/}"
check "the in-process checks pass at 120 DPI" eval '((status == 0)) && grep -q "3 tests" <<<"$in_process"'

# Screen rectangles of the real tool, relative to its client area: "left top width height".
relative() {
    local l t w h && read -r l t w h < <(inside "$1") && echo "$((l - cl)) $((t - ct)) $w $h"
}
if check "the tool starts at 120 DPI" start_tool; then
    read -r cl ct cw ch < <(inside client)
    check "the tool's client area is 549 x 328" test "$cw $ch" = "549 328"
    check "Begin is at 143,201, 101 x 42" test "$(relative cmdBegin)" = "143 201 101 42"
    check "Exit is at 358,296, 160 x 29" test "$(relative cmdExit)" = "358 296 160 29"
    check "the status line is at 24,248, 492 x 43" test "$(relative lblNotify)" = "24 248 492 43"
    check "the tool, closed with no run, ends with exit code 1602" test "$(drive close)" = 1602
fi
exit $((failures > 0))
