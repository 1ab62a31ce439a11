#!/usr/bin/env bash
# The benchmark: what the module costs the game per frame and the pages per request, each figure
# beside its floor measured in the same run, as one table printed and written to a file.
#
#   bash tools/bench.sh [--smoke] [--out FILE] [--counts FILE]
#
# --smoke runs every measurement briefly, only to show that it still runs (the test command
# does this); --out chooses the table's file (build/bench/table.md); --counts writes "N passed,
# N failed" as two numbers, one per measurement, a measurement that could not be taken failing.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/setup.sh
source tools/wine-env.sh

smoke=()
out=build/bench/table.md
counts=
while [ $# -gt 0 ]; do
  case $1 in
    --smoke) smoke=(--smoke) ;;
    --out) out=$2; shift ;;
    --counts) counts=$2; shift ;;
    *) echo "usage: bash tools/bench.sh [--smoke] [--out FILE] [--counts FILE]" >&2; exit 2 ;;
  esac
  shift
done

work=build/bench
mkdir -p "$work" "$(dirname "$out")"
rows=$work/rows.tsv
: >"$rows"

# A program that died is a failed measurement too, never a silently shorter table.
record_failure() {
  printf 'ROW\t%s\t%s\t—\t—\t—\tFAILED\n' "$1" "$2" >>"$rows"
}

write_counts() {
  [ -n "$counts" ] || return 0
  local failed passed
  failed=$(grep -c $'\tFAILED$' "$rows")
  passed=$(($(grep -c '^ROW' "$rows") - failed))
  echo "$passed $failed" >"$counts"
}

build_ok=true
tembra_install_packages || build_ok=false
$build_ok && { tembra_build win64 bench || build_ok=false; }
if ! $build_ok; then
  record_failure "building the benchmark" "see build/win64-build.log"
  write_counts
  exit 1
fi
tembra_start_display || exit 1
tembra_wine_ready || exit 1
trap 'tembra_stop_display' EXIT

bin=build/win64/bin
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# The measurements inside the game process.
"$WINE64" "$bin/bench.exe" game "${smoke[@]}" >"$work/game.out" 2>&1 </dev/null
status=$?
grep '^ROW' "$work/game.out" >>"$rows"
[ $status -eq 0 ] || record_failure "bench.exe game" "exited with $status; see $work/game.out"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
{
  echo "TembraUI benchmark, $([ ${#smoke[@]} -gt 0 ] && echo "smoke run" || echo "full run"), $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(nproc) cores," \
    "$(free -g | awk '/^Mem:/ {print $2}') GB; $("$WINE64" --version 2>/dev/null) (64-bit);" \
    "load average $load_before before, $load_after after"
  echo
  echo "Figures: median (interquartile range) over the repetitions named in each row; every ratio is"
  echo "module / floor for figures taken side by side in the same process."
  echo
  awk -F'\t' '
    BEGIN { print "| measurement | module | floor (same run) | ratio | goal | result |"; print "|---|---|---|---|---|---|" }
    $1 == "ROW" { printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }
  ' "$rows"
} >"$out"
cat "$out"
write_counts
! grep -q $'\tFAILED$' "$rows"
