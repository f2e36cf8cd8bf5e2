#!/usr/bin/env bash
# The executable's icon (a 32x32 and a 16x16 image, 16 colours each) and its
# manifest (elevation, DPI awareness, supported systems), read from Linux.
#   resources_test.sh EXE
set -uo pipefail
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi; }

wrestool -x -t 14 "$exe" -o "$work/icon.ico" 2>/dev/null
icons=$(icotool -l "$work/icon.ico" 2>/dev/null)
check "a 32x32 image of 16 colours" grep -q -- '--width=32 --height=32 --bit-depth=4' <<<"$icons"
check "a 16x16 image of 16 colours" grep -q -- '--width=16 --height=16 --bit-depth=4' <<<"$icons"
check "two images only" test "$(wc -l <<<"$icons")" = 2

manifest=$(wrestool -x --raw -t 24 -n 1 "$exe" 2>/dev/null)
check "requires administrator" grep -q 'level="requireAdministrator"' <<<"$manifest"
check "per-monitor DPI aware" grep -q 'PerMonitorV2' <<<"$manifest"
check "declares supported systems" grep -q 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' <<<"$manifest"
exit $((failures > 0))
