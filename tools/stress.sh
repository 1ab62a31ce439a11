#!/usr/bin/env bash
# The stress command: the module under load, faults and hostile input, against the 64-bit test
# build under wine64 with the simulated game, on the loopback address only. Every scenario is
# bounded in count and time and stops by itself; each prints what was done, what held and what
# failed. The last line is "N passed, N failed, N skipped"; the exit status is non-zero on any
# failure.
#
# Usage: bash tools/stress.sh [--long] [--only NAMES] [--result FILE]
#   --long     the full run: 10 million fuzz inputs, 100,000 hostile requests in a row, a minute
#              of faults, 1000 start/stop cycles and a 30-minute soak (TEMBRA_SOAK_MINUTES
#              changes its length); about an hour. Without it, a few minutes in all.
#   --only     runs only the scenarios named, comma-separated: fuzz, hostile, flood, faults, quit,
#              cycles, soak.
#   --result   also writes "PASSED FAILED" to FILE (the test command's lane record).
#   TEMBRA_STRESS_SEED repeats a run's random choices.
source "$(dirname "${BASH_SOURCE[0]}")/prelude.sh"

long=0
only=
result_file=
while [ $# -gt 0 ]; do
  case $1 in
    --long) long=1 ;;
    --only) only=,$2, ; shift ;;
    --result) result_file=$2; shift ;;
    *) echo "usage: bash tools/stress.sh [--long] [--only NAMES] [--result FILE]" >&2; exit 2 ;;
  esac
  shift
done
seed=${TEMBRA_STRESS_SEED:-$(date +%s)}
export TEMBRA_STRESS_LONG=$long TEMBRA_STRESS_SEED=$seed
work=$TEMBRA_ROOT/build/stress
bin=$TEMBRA_ROOT/build/win64/bin
passed=0
failed=0
skipped=0
record() { [ -n "$result_file" ] && echo "$passed $failed" >"$result_file"; return 0; }
[ -n "$result_file" ] && echo "0 1" >"$result_file"  # until the scenarios have really run

tembra_install_packages || exit 1
tembra_start_display || exit 1
trap 'tembra_stop_display' EXIT
# The fuzzer's corpus stays from run to run; every other output is the last run's.
mkdir -p "$work"
# Only what the scenarios run: the fuzzer of the native build, the module and its host programs
# of the win64 build.
if ! tembra_build native bridge_request_fuzz || ! tembra_build win64 TembraUI simgame integration_tests stress_tests; then
  record
  echo "stress: 0 passed, 1 failed, 0 skipped"
  exit 1
fi
tembra_wine_ready || exit 1

# Runs one scenario: prints its title and its output, then one verdict line.
scenario() {
  local name=$1 title=$2
  shift 2
  [ -n "$only" ] && [[ "$only" != *,$name,* ]] && return 0
  echo "== $name: $title"
  local started=$SECONDS
  "$@" >"$work/$name.out" 2>&1
  local status=$?
  tr -d '\r' <"$work/$name.out" | sed 's/^/  /'
  if [ "$status" -eq 77 ]; then
    echo "-- $name: skipped"
    skipped=$((skipped + 1))
  elif [ "$status" -eq 0 ]; then
    echo "-- $name: held ($((SECONDS - started)) s)"
    passed=$((passed + 1))
  else
    echo "-- $name: FAILED (status $status, $((SECONDS - started)) s)"
    failed=$((failed + 1))
  fi
}

# One gtest case of a 64-bit test program under wine64, within a time limit; 77 when it skipped.
gtest_case() {
  local program=$1 filter=$2 limit_s=$3 output status=0
  output=$(mktemp)
  # Never a pipe on a wine program's output: the wineserver's services would hold it open.
  timeout -k 10 "$limit_s" "$WINE64" "$bin/$program.exe" --gtest_filter="$filter" >"$output" 2>&1 </dev/null || status=$?
  tr -d '\r' <"$output" | grep -v '^\[==========\]\|^\[----------\]\|^Note: Google Test filter\|^Running main'
  [ "$status" -eq 124 ] && echo "did not finish within $limit_s s"
  if [ "$status" -eq 0 ] && grep -q 'SKIPPED \] 1 test' "$output"; then status=77; fi
  if [ "$status" -eq 0 ] && ! grep -q 'PASSED  \] 1 test' "$output"; then echo "no test case ran"; status=1; fi
  rm -f "$output"
  return "$status"
}

fuzz_parser() {
  local fuzzer=$TEMBRA_ROOT/build/native/bin/bridge_request_fuzz runs limit_s
  [ -x "$fuzzer" ] || { echo "the bridge's fuzz target is not built"; return 1; }
  if [ "$long" -eq 1 ]; then runs=10000000 limit_s=5400; else runs=200000 limit_s=240; fi
  mkdir -p "$work/fuzz/corpus"
  echo "libFuzzer with ASan, UBSan and leak checks: $runs inputs from the seeds in tests/fuzz/bridge_corpus"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1 timeout -k 10 "$limit_s" "$fuzzer" \
    -runs="$runs" -max_total_time="$limit_s" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -seed="$seed" \
    -artifact_prefix="$work/fuzz/" "$work/fuzz/corpus" "$TEMBRA_ROOT/tests/fuzz/bridge_corpus" >"$work/fuzz/log" 2>&1
  local status=$?
  local executed
  executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/fuzz/log" | grep -o '[0-9]*$')
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^Done|ERROR|SUMMARY' "$work/fuzz/log"
  [ "$status" -eq 0 ] || { echo "the fuzzer stopped with status $status (input kept in $work/fuzz/)"; tail -n 30 "$work/fuzz/log"; return 1; }
  [ "${executed:-0}" -ge "$runs" ] || { echo "only ${executed:-0} of $runs inputs ran within $limit_s s"; return 1; }
}

hostile_traffic() {
  local requests game pid status
  if [ "$long" -eq 1 ]; then requests=100000; else requests=3000; fi
  # A game folder of its own, so the log is this scenario's alone.
  game=$(mktemp -d)
  cp "$bin/simgame.exe" "$bin/TembraUI.dll" "$game/" || return 1
  "$WINE64" "$game/simgame.exe" >"$game/simgame.out" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 100); do
    grep -q 'Listening on http://127.0.0.1:47651' "$game/TembraUI.log" 2>/dev/null && break
    sleep 0.1
  done
  echo "simulated game with the module; $requests well-formed and malformed requests in a row"
  timeout -k 10 $((requests / 10 + 600)) python3 tools/stress/hostile_traffic.py "$game/TembraUI.log" "$requests" "$seed"
  status=$?
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "FAILED: the game process ended during the traffic"
    status=1
  fi
  if grep -a 'EXCEPTION' "$game/TembraUI.log" | head -n 5 | grep .; then
    echo "FAILED: the module caught exceptions above"
    status=1
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  cp "$game/TembraUI.log" "$work/hostile_traffic.log" 2>/dev/null
  rm -rf "$game"
  return "$status"
}

echo "stress: $([ "$long" -eq 1 ] && echo long || echo short) run, seed $seed"
scenario fuzz "parser fuzzing" fuzz_parser
scenario hostile "hostile traffic" hostile_traffic
scenario flood "flood while the game thread stalls" gtest_case stress_tests 'StressFlood.*' 180
scenario faults "game faults during traffic" gtest_case integration_tests 'StressGameFaults.*' $((long ? 400 : 120))
scenario quit "quit under load, then unload and load again" gtest_case integration_tests 'StressQuitUnderLoad.*' 120
scenario cycles "initialise/quit cycles with traffic" gtest_case stress_tests 'StressCycles.*' $((long ? 3600 : 600))
soak_limit_s=$(( ${TEMBRA_SOAK_MINUTES:-30} * 60 + 600 ))
scenario soak "soak (--long only)" gtest_case stress_tests 'StressSoak.*' "$soak_limit_s"

record
echo "stress: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
