#!/usr/bin/env bash
# The executable's PE header asks for every mitigation the loader offers, it
# carries the stack protector, and it imports only DLLs that the system itself
# loads from its own folder (KnownDLLs), so none can be planted beside it.
#   pe_hardening_test.sh EXE
set -uo pipefail
exe=${1:?usage: pe_hardening_test.sh EXE}
headers=$(x86_64-w64-mingw32-objdump -p "$exe") || { echo "cannot read $exe"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

characteristics=$((16#$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")))
for flag in HIGH_ENTROPY_VA:0x20 DYNAMIC_BASE:0x40 NX_COMPAT:0x100 TERMINAL_SERVER_AWARE:0x8000; do
    name=${flag%%:*} bit=${flag##*:}
    if ((characteristics & bit)); then echo "ok: $name"; else fail "$name is not set"; fi
done

grep -q 'stack smashing detected' <(strings "$exe") && echo "ok: stack protector" ||
    fail "no stack protector in the executable"

known='^(advapi32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32|comdlg32|shlwapi|ws2_32|rpcrt4|sechost|combase|ntdll|imm32)\.dll$'
while read -r dll; do
    if grep -qiE "$known" <<<"$dll"; then echo "ok: imports $dll"; else fail "imports $dll, which is not a known system DLL"; fi
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")

exit $((failures > 0))
