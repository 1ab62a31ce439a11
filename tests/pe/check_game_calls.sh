#!/usr/bin/env bash
# Checks the shipped DLL's machine code: every call of a game member routine loads the routine's
# object into ECX and leaves the arguments to the callee to remove (thiscall), and the fault
# guard links its own record on the thread's exception chain (fs:0) and unlinks it on both exits.
set -euo pipefail
dll="$1"
disassembly=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$dll")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# routine address, receiver address, argument count
member_routines=(
  "57c660 ba6748 0"  # SaveSettings
  "531f20 b70198 0"  # ReinitControls
  "531c90 b70198 3"  # DeleteMatchingActionInitiators
  "52fd70 b70198 2"  # ClearActionSlot
  "530490 b70198 3"  # SetKeyboardKeyForAction
  "52f590 b70198 2"  # SetMouseButtonForAction
  "573680 ba6748 1"  # SwitchMenuPage
  "506e10 b6bc90 1"  # SetEffectsMasterVolume
  "506de0 b6bc90 1"  # SetMusicMasterVolume
  "506f90 b6bc90 1"  # SetBassEnhanceOnOff
  "506f80 b6bc90 1"  # SetRadioAutoRetuneOnOff
)

# Within one function: the routine's address is loaded into a register that is then called or
# jumped to; the last write to ECX before that must be the receiver; a call with arguments must
# be followed by the caller re-reserving the bytes the callee removed, before anything else
# touches the stack pointer or control leaves the straight line (the compiler may schedule
# unrelated register loads in between).
check_member_call() {
  local routine=$1 receiver=$2 args=$3
  awk -v routine="\$0x$routine," -v receiver="\$0x$receiver,%ecx" -v pop="sub    \$0x$(printf '%x' $((args * 4))),%esp" -v args="$args" '
    function unreserved() { bad++; print "  arguments not re-reserved after: " called; expectPop = 0 }
    /^[0-9a-f]+ <.*>:$/ { if (expectPop) unreserved(); ecx = ""; target = ""; next }
    expectPop && index($0, pop) > 0 { found++; expectPop = 0; next }
    expectPop && ($0 ~ /%esp/ || $0 ~ /:\t(call|ret|j[a-z]+)/) { unreserved() }
    /,%ecx$/ { ecx = $0 }
    index($0, routine) { split($0, parts, ","); target = parts[length(parts)] }
    target != "" && ($0 ~ "call +\\*" target "$" || $0 ~ "jmp +\\*" target "$") {
      if (index(ecx, receiver) == 0) { bad++; print "  receiver not in ECX before: " $0 }
      else if ($0 ~ /jmp/ || args == 0) { found++ } else { expectPop = 1; called = $0 }
      target = ""
    }
    END { if (expectPop) unreserved(); if (bad > 0 || found == 0) exit 1 }
  ' <<<"$disassembly"
}

for entry in "${member_routines[@]}"; do
  read -r routine receiver args <<<"$entry"
  check_member_call "$routine" "$receiver" "$args" || fail "routine 0x$routine is not called as a member of 0x$receiver with $args arguments"
done

# The guard: guardedCall reads the chain head and writes it three times (link, normal exit,
# fault exit); runGuarded reads it for the C++ catch-all.
guard=$(awk '/^[0-9a-f]+ <.*guardedCall.*>:$/ { inside = 1; next } /^[0-9a-f]+ <.*>:$/ { inside = 0 } inside' <<<"$disassembly")
[ -n "$guard" ] || fail "no guardedCall in the image"
reads=$(grep -c 'mov    %fs:0x0,' <<<"$guard" || true)
writes=$(grep -c ',%fs:0x0$' <<<"$guard" || true)
[ "$reads" -ge 1 ] || fail "guardedCall never reads the exception chain"
[ "$writes" -ge 3 ] || fail "guardedCall writes the exception chain $writes times, expected link and both exits"
grep -q '<__Z10runGuardedPFvPvES_>:' <<<"$disassembly" || fail "no runGuarded in the image"

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "game calls ok: ${#member_routines[@]} member routines called with the receiver in ECX; fault guard on fs:0"
