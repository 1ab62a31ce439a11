#!/usr/bin/env bash
# Runs 32-bit Windows programs under Wine in the cached emulated machine (one boot) and reports each one's output and exit code.
#
# Usage:
#   tools/vm/run-programs.sh [options] PROGRAM.exe [ARGS...]     one program
#   tools/vm/run-programs.sh [options] --manifest FILE             one program per line of FILE
# Options:
#   --dir DIR          copy DIR's contents (recursively, symlinks followed) into the working folder; repeatable
#   --file FILE        copy FILE into the working folder; repeatable
#   --manifest FILE    lines: [--timeout=SEC] PROGRAM ARGS...; quotes '..' "..", and \ work as in xargs, no
#                      variable expansion; empty lines and lines starting with # are skipped; a leading
#                      --timeout=SEC is that program's own time limit
#   --timeout SEC      time limit per program (default 120)
#   --total-timeout SEC  limit for the whole boot (default 120 + the sum of (time limit + 10) over the programs)
#   --env NAME=VALUE   extra environment variable for the programs; repeatable (WINEDEBUG=-all is the default)
#   --out DIR          keep the results in DIR (otherwise they are only printed)
#   --cache DIR        machine cache (default build/vm under the repo; built with build-machine.sh if missing)
#   --quiet            print only the per-program result lines, not the programs' output
#
# Every program runs as its own process, one after the other, in C:\work (the working folder: the given
# files and directories), with stdin empty and stdout+stderr combined. A program word that is not a file
# in the working folder but names a host file is copied there and run by its base name. VM_ARTIFACTS
# (Z:\io\artifacts) is a folder the programs may write to; it comes back as OUT/artifacts.
# DISPLAY points at an Xvfb, so programs may open windows. One Wine session serves all programs of a
# boot: processes a program leaves behind are killed before the next, but its registry and file changes
# stay for the rest of the boot; every boot starts again from the cached, pristine disk.
#
# Results in --out DIR: NNNN.out (output, raw bytes: text-mode Windows programs write CR LF),
# NNNN.status ("exit N", "timeout", "not found" or "not run"),
# results.tsv (NNNN <tab> status <tab> seconds <tab> command), serial.log (the guest console).
# Printed: each output framed by "==== [N/M] command" and "==== [N/M] exit CODE|TIMEOUT|NOT FOUND|NOT RUN".
# Exit code of this script: 0 every program ran to its end (whatever its own exit code); 3 a program
# timed out or was not found; 2 the machine did not come up or stopped before running every program; 1 usage or host error.
# Exit codes are Linux's view of the Windows one: the low 8 bits (ExitProcess(0x103) shows as 3).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
usage() { sed -n '3,/^set /{/^set /!p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 1; }
die() { echo "run-programs: $*" >&2; exit 1; }
# set -e ends the run at a host step that fails without its own message; this says which.
trap 'echo "run-programs: failed: $BASH_COMMAND" >&2' ERR

cache=$repo/build/vm limit=120 total="" outdir="" manifest="" quiet=""
dirs=() files=() envs=()
while (($#)); do
  case $1 in
    --dir) dirs+=("${2:?}"); shift 2 ;;
    --file) files+=("${2:?}"); shift 2 ;;
    --manifest) manifest=${2:?}; shift 2 ;;
    --timeout) limit=${2:?}; shift 2 ;;
    --total-timeout) total=${2:?}; shift 2 ;;
    --env) envs+=("${2:?}"); shift 2 ;;
    --out) outdir=${2:?}; shift 2 ;;
    --cache) cache=${2:?}; shift 2 ;;
    --quiet) quiet=1; shift ;;
    -h | --help) usage ;;
    --) shift; break ;;
    -*) die "unknown option $1" ;;
    *) break ;;
  esac
done
[[ $limit =~ ^[0-9]+$ ]] || die "--timeout needs whole seconds"
[ -n "$manifest" ] || (($#)) || usage
[ -z "$manifest" ] || ! (($#)) || die "give either --manifest or a program, not both"

machine=$cache/current
if [ ! -f "$machine/READY" ]; then
  echo "run-programs: no machine in $cache yet, building it" >&2
  "$here/build-machine.sh" "$cache" >/dev/null || die "building the machine failed"
fi
# Shared hold on the build lock: build-machine.sh replaces (and deletes) machines only while no run
# uses one, and a run started during a rebuild waits for it.
exec 8>"$cache/build.lock"
if ! flock -s -n 8; then
  echo "run-programs: the machine is being built or replaced; waiting" >&2
  flock -s 8
fi
[ -f "$machine/READY" ] || die "no ready machine in $cache"
machine=$(cd "$machine" && pwd -P)

mkdir -p "$cache/runs"
run=$(mktemp -d "$cache/runs/run.XXXXXX")
trap 'rm -rf "$run"' EXIT
share=$run/share
mkdir -p "$share/work" "$share/jobs" "$share/out"
cp "$here/guest/common.sh" "$share/common.sh"
cp "$here/guest/run.sh" "$share/guest.sh"
echo "$limit" >"$share/timeout"

for d in ${dirs[@]+"${dirs[@]}"}; do
  [ -d "$d" ] || die "--dir $d is not a directory"
  cp -rL "$d/." "$share/work/"
done
for f in ${files[@]+"${files[@]}"}; do
  [ -f "$f" ] || die "--file $f is not a file"
  cp -L "$f" "$share/work/"
done
: >"$share/env.sh"
for e in ${envs[@]+"${envs[@]}"}; do
  [[ $e =~ ^[A-Za-z_][A-Za-z0-9_]*= ]] || die "--env needs NAME=VALUE, got $e"
  printf 'export %s=%q\n' "${e%%=*}" "${e#*=}" >>"$share/env.sh"
done

# Each job becomes a NUL-separated argv file, so arguments reach the guest byte for byte.
n=0 limits_s=0
commands=() job_limits=()
add_job() {
  local job_limit=$limit
  if [[ $1 =~ ^--timeout=([0-9]+)$ ]]; then
    job_limit=${BASH_REMATCH[1]}
    shift
  fi
  (($#)) || die "a manifest line has a time limit but no program"
  local prog=$1
  if [ ! -f "$share/work/$prog" ] && [ -f "$prog" ]; then
    cp -L "$prog" "$share/work/"
    prog=$(basename "$prog")
  fi
  n=$((n + 1))
  local id
  id=$(printf '%04d' "$n")
  shift
  printf '%s\0' "$prog" "$@" >"$share/jobs/$id.argv"
  [ "$job_limit" = "$limit" ] || echo "$job_limit" >"$share/jobs/$id.timeout"
  commands+=("$prog${*:+ $*}")
  job_limits+=("$job_limit")
  limits_s=$((limits_s + job_limit + 10))
}
if [ -n "$manifest" ]; then
  [ -f "$manifest" ] || die "manifest $manifest not found"
  while IFS= read -r line || [ -n "$line" ]; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    # Through a file: a quoting error in xargs must stop the run, not drop the line.
    printf '%s\n' "$line" | xargs printf '%s\0' >"$run/words" || die "cannot parse manifest line: $line"
    mapfile -d '' words <"$run/words"
    ((${#words[@]})) || continue
    add_job "${words[@]}"
  done <"$manifest"
else
  add_job "$@"
fi
((n)) || die "no programs to run"
[ -n "$total" ] || total=$((120 + limits_s))

qrc=0
"$here/boot.sh" "$machine" "$share" "$total" "$run/serial.log" || qrc=$?
# From the emulator's own start, so a wait for another machine is not counted.
secs=$(($(date +%s) - $(cat "$run/serial.log.started" 2>/dev/null || date +%s)))

# Judge from the marker files only: a result exists only if the guest wrote it.
rc=0 exited=0 timedout=0 missing=0 notrun=0
: >"$share/out/results.tsv"
for ((i = 1; i <= n; i++)); do
  id=$(printf '%04d' "$i")
  st=$(cat "$share/out/$id.status" 2>/dev/null || echo "not run")
  case $st in
    "exit "*) exited=$((exited + 1)); shown=$st ;;
    timeout) timedout=$((timedout + 1)); shown="TIMEOUT after ${job_limits[i - 1]} s" ;;
    "not found") missing=$((missing + 1)); shown="NOT FOUND" ;;
    *) st="not run"; notrun=$((notrun + 1)); shown="NOT RUN" ;;
  esac
  echo "$st" >"$share/out/$id.status"
  # Seconds from the program's start to its end, by the guest's clock.
  dur=$(awk '{printf "%.1f", $2 - $1}' "$share/out/$id.times" 2>/dev/null || true)
  [ -n "$dur" ] && shown="$shown ($dur s)"
  printf '%s\t%s\t%s\t%s\n' "$id" "$st" "${dur:--}" "${commands[i - 1]}" >>"$share/out/results.tsv"
  if [ -z "$quiet" ]; then
    echo "==== [$i/$n] ${commands[i - 1]}"
    cat "$share/out/$id.out" 2>/dev/null || true
  fi
  echo "==== [$i/$n] $shown"
done
((timedout + missing)) && rc=3
if [ ! -f "$share/out/booted" ]; then
  echo "run-programs: the machine did not come up (qemu exit $qrc after $secs s); end of its console:" >&2
  tail -n 20 "$run/serial.log" >&2 || true
  rc=2
elif [ ! -f "$share/out/done" ]; then
  why="it stopped"
  [ "$qrc" = 124 ] && why="the total time limit of $total s ran out"
  echo "run-programs: the machine came up but $why before finishing; end of its console:" >&2
  cat "$share/out/setup-error" 2>/dev/null >&2 || true
  tail -n 20 "$run/serial.log" >&2 || true
  rc=2
fi
[ -f "$share/out/xvfb-failed" ] && echo "run-programs: warning: $(cat "$share/out/xvfb-failed")" >&2
ready=""
[ -f "$share/out/warm" ] && ready=" (Wine ready $(cat "$share/out/warm") s after boot)"
echo "run-programs: $n programs: $exited exited, $timedout timed out, $missing not found, $notrun not run; boot and run took $secs s$ready" >&2

if [ -n "$outdir" ]; then
  mkdir -p "$outdir"
  cp -r "$share/out/." "$outdir/"
  cp "$run/serial.log" "$outdir/serial.log" 2>/dev/null || true
  [ -d "$share/artifacts" ] && cp -r "$share/artifacts" "$outdir/"
fi
exit "$rc"
