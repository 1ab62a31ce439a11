#!/usr/bin/env bash
# Self-check of the emulated machine: builds tiny i686 programs, runs them in one boot and checks every output and exit code.
# Usage: tools/vm/selftest.sh [CACHE_DIR]     (default build/vm under the repo; the machine is built if needed)
# Ends with "N passed, N failed"; exits non-zero if any check failed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${1:-$repo/build/vm}
cc=i686-w64-mingw32-gcc-posix
cxx=i686-w64-mingw32-g++-posix

passed=0 failed=0
check() { # check NAME COMMAND...: one named check, pass when the command succeeds
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "selftest: ok   $name"
  else
    failed=$((failed + 1))
    echo "selftest: FAIL $name"
  fi
}
# has FILE LINE: FILE contains exactly this line. Text-mode Windows output ends lines with CR LF.
has() { tr -d '\r' <"$1" | grep -qxF -- "$2"; }

# set -e ends the self-test at a step that fails outside the checks; this says which.
trap 'echo "selftest: failed: $BASH_COMMAND" >&2' ERR
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bin=$tmp/bin
mkdir -p "$bin/data"
for p in hello exit3 seh window crash hang; do
  libs=()
  [ "$p" = window ] && libs=(-luser32)
  "$cc" -static -O2 -Wall -o "$bin/$p.exe" "$here/selftest/$p.c" ${libs[@]+"${libs[@]}"}
done
"$cxx" -static -O2 -Wall -shared -o "$bin/plugin.dll" "$here/selftest/plugin.cpp"
"$cxx" -static -O2 -Wall -o "$bin/loader.exe" "$here/selftest/loader.cpp"
echo "line from the host" >"$bin/data/input.txt"
check "programs are 32-bit PE files" bash -c "i686-w64-mingw32-objdump -f '$bin/seh.exe' | grep -q 'file format pei-i386'"

t0=$(date +%s)
"$here/build-machine.sh" "$cache" >/dev/null
t1=$(date +%s)
echo "selftest: machine ready after $((t1 - t0)) s"

cat >"$tmp/manifest" <<'EOF'
# one line per program; quotes group words as in xargs
hello.exe "arg one" two 'x"y'
exit3.exe
seh.exe
window.exe
crash.exe
loader.exe
EOF
out=$tmp/out
rc=0
"$here/run-programs.sh" --cache "$cache" --dir "$bin" --manifest "$tmp/manifest" --timeout 90 \
  --env VM_SELFTEST=marker --out "$out" || rc=$?
t2=$(date +%s)
echo "selftest: run-programs took $((t2 - t1)) s, exit $rc"

check "programs that all end make the run exit 0" test "$rc" = 0
check "hello.exe exit 0" has "$out/0001.status" "exit 0"
check "hello.exe is a 32-bit process" has "$out/0001.out" "hello from win32: pointer bits 32, wow64 0"
check "hello.exe runs in C:\\work" has "$out/0001.out" 'cwd C:\work'
check "argument with a space arrives intact" has "$out/0001.out" "arg1=[arg one]"
check "plain argument arrives intact" has "$out/0001.out" "arg2=[two]"
check "argument with a quote arrives intact" has "$out/0001.out" 'arg3=[x"y]'
check "WINEDEBUG defaults to -all" has "$out/0001.out" "WINEDEBUG=[-all]"
check "--env reaches the program" has "$out/0001.out" "VM_SELFTEST=[marker]"
check "subfolders of --dir come along" has "$out/0001.out" "data: line from the host"
check "artifacts come back" has "$out/artifacts/hello.txt" "written by hello.exe"
check "a file name outside ASCII is accepted" has "$out/0001.out" "non-ASCII file name: created"
check "and arrives as UTF-8" test -f "$out/artifacts/Grand Theft Auto Ä Игра.txt"
check "exit3.exe exit 3" has "$out/0002.status" "exit 3"
check "exit3.exe output" has "$out/0002.out" "exiting with 3"
check "seh.exe exit 0" has "$out/0003.status" "exit 0"
check "seh.exe recovered in its fs:0 handler" has "$out/0003.out" "recovered"
check "window.exe exit 0" has "$out/0004.status" "exit 0"
check "window.exe saw its window and keyboard hook" has "$out/0004.out" "window ok"
check "crash.exe ends with the access violation's code" has "$out/0005.status" "exit 5"
check "crash.exe output names the fault" grep -q "^wine: Unhandled page fault on write access to 00000000" "$out/0005.out"
check "loader.exe called the C++ DLL next to it" has "$out/0006.out" "plugin answered 42"
check "loader.exe exit 0" has "$out/0006.status" "exit 0"
check "results.tsv lists every program" test "$(cut -f2 "$out/results.tsv" | tr '\n' ,)" = "exit 0,exit 3,exit 0,exit 0,exit 5,exit 0,"

# Failures the harness itself must report: a missing program and a hung one (with its own time limit);
# the program after them still runs.
printf '%s\n' nosuch.exe '--timeout=5 hang.exe' exit3.exe >"$tmp/manifest2"
out2=$tmp/out2
rc2=0
"$here/run-programs.sh" --cache "$cache" --dir "$bin" --manifest "$tmp/manifest2" --timeout 60 --out "$out2" --quiet || rc2=$?
check "a timed-out or missing program makes the run exit 3" test "$rc2" = 3
check "a missing program is reported as not found" has "$out2/0001.status" "not found"
check "hang.exe reported as timeout" has "$out2/0002.status" "timeout"
check "hang.exe output kept" has "$out2/0002.out" "hanging"
check "hang.exe ended at its own limit of 5 s, not the run's 60 s" \
  awk -F'\t' '$1 == "0002" && $3 + 0 >= 5 && $3 + 0 < 30 {found = 1} END {exit !found}' "$out2/results.tsv"
check "the program after a timeout still runs" has "$out2/0003.status" "exit 3"

# A boot cut short by the total limit leaves the running program without a result: "not run", exit 2.
cutrc=0
"$here/run-programs.sh" --cache "$cache" --timeout 100 --total-timeout 30 "$bin/hang.exe" >"$tmp/cut.log" 2>&1 || cutrc=$?
check "a boot cut short exits 2" test "$cutrc" = 2
check "a boot cut short names the total limit" grep -q "total time limit of 30 s ran out" "$tmp/cut.log"
check "the program of a boot cut short is NOT RUN" grep -q "NOT RUN" "$tmp/cut.log"

# A machine that cannot boot must be reported as such, never as results.
bad=$tmp/badcache/machines/broken
mkdir -p "$bad"
head -c 4096 /dev/zero >"$bad/vmlinuz"
cp "$bad/vmlinuz" "$bad/initrd.img"
truncate -s 16M "$bad/disk.img"
touch "$bad/READY"
ln -s machines/broken "$tmp/badcache/current"
badrc=0
"$here/run-programs.sh" --cache "$tmp/badcache" --total-timeout 60 "$bin/exit3.exe" >"$tmp/bad.log" 2>&1 || badrc=$?
check "an unbootable machine exits 2" test "$badrc" = 2
check "an unbootable machine is named as such" grep -q "did not come up" "$tmp/bad.log"
check "and its program is NOT RUN" grep -q "NOT RUN" "$tmp/bad.log"

echo "selftest: $passed passed, $failed failed"
((failed == 0))
