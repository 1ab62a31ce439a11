#!/usr/bin/env bash
# Checks the shipped DLL's PE: 32-bit x86, exactly the host's seven exports, and imports only
# from Windows' own DLLs (a MinGW runtime DLL would be missing on players' machines).
set -euo pipefail
dll="$1"
objdump=i686-w64-mingw32-objdump
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

format=$($objdump -f "$dll")
grep -q 'file format pei-i386' <<<"$format" || fail "not a PE32 image: $format"
grep -q 'architecture: i386' <<<"$format" || fail "machine is not i386"

headers=$($objdump -p "$dll")
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {table=1; next} table && /^[ \t]*\[/ {print $NF; next} table {table=0}' <<<"$headers" | sort | tr '\n' ' ')
expected="cef_browser_created cef_connect cef_disconnect cef_dxreset cef_initialize cef_quit cef_samp_mainloop "
[ "$exports" = "$expected" ] || fail "exports are '$exports', expected '$expected'"

allowed='^(KERNEL32|USER32|WS2_32|msvcrt|ADVAPI32|ntdll)\.dll$'
imports=$(awk '/DLL Name:/ {print $3}' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
while read -r name; do
  [ -z "$name" ] && continue
  grep -Eiq "$allowed" <<<"$name" || fail "imports $name, which is not part of Windows"
done <<<"$imports"

# The fault guard registers its own handler on the thread's exception chain; a SafeSEH
# table or the NO_SEH flag would make Windows refuse it.
grep -q 'NO_SEH' <<<"$headers" && fail "image carries IMAGE_DLLCHARACTERISTICS_NO_SEH"

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "PE ok: i386, exports: $exports imports: $(tr '\n' ' ' <<<"$imports")"
