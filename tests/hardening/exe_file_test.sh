#!/usr/bin/env bash
# The executable file as the loader and Explorer see it, read from Linux, so
# that the build of each architecture is checked whether or not it can run here:
# - the PE header asks for every mitigation the loader offers and for Windows 7
#   SP1 (6.1); the code carries the stack protector; every imported DLL is one
#   that the system loads from its own folder (KnownDLLs), so none can be
#   planted beside it;
# - the icon (a 32x32 and a 16x16 image of a black tick, 16 colours each), the
#   manifest (elevation, DPI awareness, supported systems) and the version record;
# - one copy per machine: the single-instance mutex is in the global namespace.
#   exe_file_test.sh OBJDUMP EXE x86_64|i686
set -uo pipefail
objdump=$1 exe=$2 arch=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$(readlink -f "$0")")/../checks.sh"
has() { grep -q -- "$1" <<<"$2"; }

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }
field() { awk -v name="$1" '$1 == name {print $2}' <<<"$headers"; }

case $arch in
x86_64) format=pei-x86-64 flags="HIGH_ENTROPY_VA:0x20" ;;
i686) format=pei-i386 flags="" ;;
*) echo "unknown architecture $arch"; exit 2 ;;
esac
check "a $arch program ($format)" has "file format $format" "$headers"
characteristics=$((16#$(field DllCharacteristics)))
for flag in $flags DYNAMIC_BASE:0x40 NX_COMPAT:0x100 TERMINAL_SERVER_AWARE:0x8000; do
    check "${flag%%:*}" test $((characteristics & ${flag##*:})) -ne 0
done
for version in OSystem Subsystem; do
    check "${version/OSystem/system} version 6.1" \
        test "$(field "Major${version}Version").$(field "Minor${version}Version")" = 6.1
done
check "stack protector" has 'stack smashing detected' "$(strings "$exe")"

known='^(advapi32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32|comdlg32|shlwapi|ws2_32|rpcrt4|sechost|combase|ntdll|imm32)\.dll$'
while read -r dll; do
    check "imports $dll, a known system DLL" grep -qiE "$known" <<<"$dll"
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")

wrestool -x -t 14 "$exe" -o "$work/icon.ico" 2>/dev/null
icons=$(icotool -l "$work/icon.ico" 2>/dev/null)
check "a 32x32 image of 16 colours" has '--width=32 --height=32 --bit-depth=4 --palette-size=16' "$icons"
check "a 16x16 image of 16 colours" has '--width=16 --height=16 --bit-depth=4 --palette-size=16' "$icons"
check "two images only" test "$(wc -l <<<"$icons")" = 2
# Each a black tick on transparent, in the standard palette: ink neither too
# little nor too much, its top at the upper right, its point low left of centre.
tick() { /usr/bin/python3 - "$work/icon.ico" <<'PY'
import struct, sys
ico = open(sys.argv[1], "rb").read()
vga = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
for i in range(struct.unpack_from("<H", ico, 4)[0]):
    n, offset = ico[6 + 16 * i], struct.unpack_from("<I", ico, 18 + 16 * i)[0]
    header, width, height, _, depth = struct.unpack_from("<IiiHH", ico, offset)
    assert (width, height, depth) == (n, 2 * n, 4), (n, width, height, depth)
    palette = offset + header
    assert [tuple(ico[palette + 4 * c + 2 - k] for k in range(3)) for c in range(16)] == vga, n
    colours, stride, mask_stride = palette + 64, (n * 4 + 31) // 32 * 4, (n + 31) // 32 * 4
    mask = colours + stride * n
    # Rows bottom-up; a set mask bit is transparent.
    ink = [(y, x) for y in range(n) for x in range(n)
           if not ico[mask + (n - 1 - y) * mask_stride + x // 8] & 0x80 >> x % 8]
    index = lambda y, x: ico[colours + (n - 1 - y) * stride + x // 2] >> 4 * (1 - x % 2) & 15
    black = sum(index(y, x) == 0 for y, x in ink)
    (top, top_x), (bottom, bottom_x) = min(ink), max(ink, key=lambda p: (p[0], -p[1]))
    assert n < len(ink) < n * n / 2 and black > len(ink) * 3 / 4, (n, len(ink), black)
    assert top_x > n * 2 / 3 and top < n / 3 and bottom_x < n / 2 and bottom > n * 2 / 3, n
PY
}
check "both images show a black tick in the standard 16 colours" tick

manifest=$(wrestool -x --raw -t 24 -n 1 "$exe" 2>/dev/null)
check "requires administrator" has 'level="requireAdministrator"' "$manifest"
check "per-monitor DPI aware (V2, else V1), for systems before and after Windows 10 1607" eval \
    'grep -q "<dpiAwareness[^>]*>PerMonitorV2, *PerMonitor<" <<<"$manifest" &&
     grep -q "<dpiAware[^>]*>true/pm" <<<"$manifest"'
supports() { for id; do grep -q "supportedOS Id=\"{$id}\"" <<<"$manifest" || return 1; done; }
check "declares Windows 10 and 11 among its supported systems" \
    supports 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a
check "declares Windows 7 to 8.1 as well" supports 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
    4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78
# The system refuses to start a program whose own identity names another processor.
own_identity=$(tr '\n' ' ' <<<"$manifest" | grep -o '<assemblyIdentity[^>]*UpdateTutorialPath[^>]*>')
check "names no processor of its own, so it fits either build" eval \
    '[ -n "$own_identity" ] && ! grep -q processorArchitecture <<<"$own_identity"'

# The version record: VS_FIXEDFILEINFO (1.0.0.0, Windows NT, an application),
# US English in Unicode, and its strings, each key followed by its value.
wrestool -x --raw -t 16 -n 1 "$exe" >"$work/version" 2>/dev/null
version_hex=$(od -An -tx1 -v "$work/version" | tr -d ' \n')
strings=$(strings -el "$work/version")
check "file and product version 1.0.0.0, an application" \
    grep -qE 'bd04effe00000100(0000010000000000){2}.{16}0400040001000000' <<<"$version_hex"
check "one string block, in US English (1033) and Unicode (1200)" eval \
    'has 0904b004 "$version_hex" && test "$(grep -cE "^[0-9A-F]{8}$" <<<"$strings")" = 1 &&
     grep -qx 040904B0 <<<"$strings"'
value() { grep -A1 -x "$1" <<<"$strings" | sed -n 2p; }
for pair in FileVersion=1.00 ProductVersion=1.00 InternalName=ZV_CheckFiles \
    OriginalFilename=ZV_CheckFiles.exe ProductName=UpdateZorvel; do
    check "$pair" test "$(value "${pair%%=*}")" = "${pair#*=}"
done

# Local\ would let a second session run a copy over the same folder.
check "one copy per machine: its mutex is Global\\" \
    grep -qx 'Global\\UpdateTutorialPath.ZV_CheckFiles' <(strings -el "$exe")
exit $((failures > 0))
