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
check "a 32x32 image of 16 colours" grep -q -- '--width=32 --height=32 --bit-depth=4 --palette-size=16' <<<"$icons"
check "a 16x16 image of 16 colours" grep -q -- '--width=16 --height=16 --bit-depth=4 --palette-size=16' <<<"$icons"
check "two images only" test "$(wc -l <<<"$icons")" = 2

manifest=$(wrestool -x --raw -t 24 -n 1 "$exe" 2>/dev/null)
check "requires administrator" grep -q 'level="requireAdministrator"' <<<"$manifest"
check "per-monitor DPI aware, for systems before and after Windows 10 1607" eval \
    'grep -q "<dpiAwareness[^>]*>PerMonitorV2" <<<"$manifest" && grep -q "<dpiAware[^>]*>true/pm" <<<"$manifest"'
supports() { for id; do grep -q "supportedOS Id=\"{$id}\"" <<<"$manifest" || return 1; done; }
check "declares Windows 10 and 11 among its supported systems" \
    supports 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a
check "declares Windows 7 to 8.1 as well" supports 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
    4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78
exit $((failures > 0))
