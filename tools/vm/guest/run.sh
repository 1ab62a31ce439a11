#!/bin/bash
# Runs inside the machine on every test boot: runs the share's jobs one by one under 32-bit Wine, each with a time limit.
# Share layout (written by run-programs.sh): work/ (copied to C:\work, the working directory),
# jobs/NNNN.argv (NUL-separated command), jobs/NNNN.timeout (that program's own limit, optional),
# timeout (seconds per program otherwise), env.sh (extra variables).
# Results: out/booted, out/warm, out/NNNN.out (stdout+stderr), out/NNNN.status ("exit N", "timeout" or
# "not found"), out/NNNN.times, out/done (written last: its absence means the run did not finish).
# A program's failure is only recorded (|| below), it must not stop the ones after it.
# Under software emulation every process the script starts costs 0.1-0.3 s, so the loop over the jobs
# uses shell builtins only: the program itself is the one process each job starts.
set -euo pipefail
. /io/common.sh
out=/io/out
mkdir -p "$out" /io/artifacts
# set -e ends the run at a step that fails; the host shows this file when the run did not finish.
trap 'echo "guest run: failed: $BASH_COMMAND" >>"$out/setup-error"' ERR
# now VAR: the guest's uptime in seconds into VAR, without a subshell.
now() { read -r "$1" _ </proc/uptime; }
now booted
echo "$booted" >"$out/booted"

export WINEDEBUG=-all
# Windows path of a share folder the programs may write files to; it comes back to the host.
export VM_ARTIFACTS='Z:\io\artifacts'
[ -f /io/env.sh ] && . /io/env.sh
limit=$(cat /io/timeout)

work=$WINEPREFIX/drive_c/work
mkdir -p "$work"
start_xvfb "$out/xvfb.log" || echo "Xvfb did not start; windowed programs will fail" >"$out/xvfb-failed"

# Under software emulation a cold Wine start (wineserver, services.exe, explorer.exe, ...) costs about
# 10 s; start it once, keep the server alive, and later kill only what a program leaves behind.
# It runs while the work folder is copied (about 25 MB/s over 9p).
wineserver -p
wineboot >"$out/warmup.log" 2>&1 </dev/null &
warmup=$!
# Programs run from the guest's own disk, not from 9p: real file semantics (mmap, locking) like on Windows.
cp -a /io/work/. "$work/"
wait "$warmup" || echo "wineboot exited $?" >>"$out/warmup.log"
cd "$work"
baseline=" $(cd /proc && echo [0-9]*) "
now warm
echo "$warm" >"$out/warm"
# The 32-bit loader itself: Debian's "wine" is a shell script that only picks it.
loader=/usr/lib/wine/wine
# Nobody ever writes to this pipe: a read from it waits out its time limit without a sleep process.
mkfifo /tmp/never

# Kills every process that was not there after the warm-up and is not this script.
kill_leftovers() {
  local p
  for p in /proc/[0-9]*; do
    p=${p#/proc/}
    [[ $baseline == *" $p "* || $p == "$$" || $p == "$BASHPID" ]] && continue
    # Only processes of this guest session (everything is one chroot): skip kernel threads.
    [ -r "/proc/$p/exe" ] || continue
    kill -KILL "$p" 2>/dev/null || true
  done
  return 0
}

# A missing program would make Wine print an error and exit 1, which looks like a result. Plain names
# are looked up where Wine would find them (the working folder, then the Windows folders); paths are left to Wine.
program_exists() {
  local p=$1 d
  [[ $p == *[/\\:]* ]] && return 0
  [ -f "$work/$p" ] && return 0
  for d in "$work" "$WINEPREFIX/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows"; do
    [ -n "$(find "$d" -maxdepth 1 \( -iname "$p" -o -iname "$p.exe" \) -print -quit)" ] && return 0
  done
  return 1
}

for job in /io/jobs/*.argv; do
  [ -e "$job" ] || break
  id=${job##*/}
  id=${id%.argv}
  mapfile -d '' argv <"$job"
  job_limit=$limit
  [ -f "/io/jobs/$id.timeout" ] && read -r job_limit <"/io/jobs/$id.timeout"
  if ! program_exists "${argv[0]}"; then
    echo "${argv[0]} is not in C:\\work nor in the Windows folders" >"$out/$id.out"
    echo "not found" >"$out/$id.status"
    continue
  fi
  now t0
  "$loader" "${argv[@]}" </dev/null >"$out/$id.out" 2>&1 &
  pid=$!
  # Watchdog: the marker file, not the exit code, tells a timeout from a program that exits 137.
  # Ended early by a TERM, it dies inside its read and leaves no marker.
  (
    read -r -t "$job_limit" _ <>/tmp/never || true
    : >"/tmp/timedout.$id"
    kill -KILL "$pid" 2>/dev/null || true
  ) &
  dog=$!
  rc=0
  wait "$pid" || rc=$?
  kill "$dog" 2>/dev/null || true
  wait "$dog" 2>/dev/null || true
  if [ -f "/tmp/timedout.$id" ]; then
    echo timeout >"$out/$id.status"
  else
    echo "exit $rc" >"$out/$id.status"
  fi
  now t1
  # Each program starts with no Windows processes left over from the one before.
  kill_leftovers
  # Guest uptime at start, at the program's end and after the clean-up, for the host's report.
  now t2
  echo "$t0 $t1 $t2" >"$out/$id.times"
done
sync
echo "done" >"$out/done"
