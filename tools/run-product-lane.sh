#!/usr/bin/env bash
# The product lane: the shipped 32-bit TembraUI.dll and the 32-bit test programs, run under
# 32-bit Wine inside the emulated machine, each test case counted and reported on its own.
#
# Usage: run-product-lane.sh RESULT_FILE
#   Needs the win32 and win64 builds and jq. Writes "PASSED FAILED" (test cases) to RESULT_FILE and
#   prints each failure's output. Each case is judged by the JSON report gtest writes for its
#   process. The test names come from the 64-bit programs (same sources), so a case that the
#   32-bit program does not have fails instead of passing unseen.
#   Every case runs in a fresh process of its own, as under wine64, except the cases of the suites in
#   shared_process_suites below, which run together in one process per suite.
source "$(dirname "${BASH_SOURCE[0]}")/prelude.sh"

result_file=$1
cache=${TEMBRA_VM_CACHE:-build/vm}
work=build/product-lane
programs=(module_tests integration_tests)
per_case_timeout_s=90

# A Wine process start costs 1-2 s in the machine (5-10 s with the host loaded), far more than most
# cases, so suites that need no fresh process share one. A suite belongs here only if none of its cases
# relies on what the process did before it: no module loaded or started (integration_tests load
# TembraUI.dll once per process, so none of theirs qualify), no thread, hook or window left behind,
# no value of the shared record (gState) read that the case did not set itself, and every file and
# value the case checks set up by the case or its fixture.
shared_process_suites=(
  module_tests:FaultGuardChain     # only the thread's exception chain, which each guard restores
  module_tests:FaultGuard          # each case sets the routine behaviours and gState fields it relies on
  module_tests:GameTable           # constants only
  module_tests:LogFile             # SetUp deletes the log and sets the clock; TearDown removes a directory in its place
  module_tests:LogPath             # the program's own path
  module_tests:WideToUtf8          # a pure conversion
  module_tests:PausePage           # SetUp and TearDown remove the game folder below the temporary folder
  module_tests:PausePageOfTheGame  # nothing is placed next to the program
)

record() { echo "$1 $2" >"$result_file"; }
record 0 1  # until the lane has really run

command -v jq >/dev/null || { echo "run-product-lane: jq is missing (tools/setup.sh installs it)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
if ! bash tools/vm/build-machine.sh "$cache" >"$work/build-machine.log" 2>&1; then
  echo "run-product-lane: the emulated machine could not be built; see $work/build-machine.log" >&2
  tail -n 20 "$work/build-machine.log" >&2
  exit 1
fi

# gtest's listing: "Suite." lines, then "  Name" lines (parameterised ones carry a "# ..." note).
# Prints "program:Suite Suite.Name" per case.
list_tests() {
  local program=$1 listing="$work/$1.list"
  "$WINE64" "build/win64/bin/$program.exe" --gtest_list_tests >"$listing" 2>&1 </dev/null || return 1
  awk -v program="$program" '
    { sub(/\r$/, "") }
    /^[^ ].*\.$/ || /^[^ ].*\. +#/ { suite = $1; sub(/\.$/, "", suite); next }
    /^  [^ ]/ { print program ":" suite " " suite "." $1 }' "$listing"
}

tembra_wine_ready || exit 1
: >"$work/cases.txt"
for program in "${programs[@]}"; do
  if ! list_tests "$program" >>"$work/cases.txt"; then
    echo "run-product-lane: cannot list the tests of $program" >&2
    exit 1
  fi
done
for suite in "${shared_process_suites[@]}"; do
  grep -q "^$suite " "$work/cases.txt" || { echo "run-product-lane: shared-process suite not found: $suite" >&2; exit 1; }
done

# jobs.txt: one line per Wine process, "program case case ...", in the programs' own order; the
# manifest's line N runs jobs.txt's line N.
awk -v shared="${shared_process_suites[*]}" '
  BEGIN { n = split(shared, list, " "); for (i = 1; i <= n; i++) isShared[list[i]] = 1 }
  {
    split($1, key, ":")
    if (!($1 in isShared)) { order[++jobs] = key[1] " " $2; next }
    if (!($1 in jobOf)) { jobOf[$1] = ++jobs; order[jobs] = key[1] }
    order[jobOf[$1]] = order[jobOf[$1]] " " $2
  }
  END { for (j = 1; j <= jobs; j++) print order[j] }' "$work/cases.txt" >"$work/jobs.txt"
total_cases=$(wc -l <"$work/cases.txt")
jobs=$(wc -l <"$work/jobs.txt")
if ! cmp -s <(cut -d' ' -f2 "$work/cases.txt" | sort) <(cut -d' ' -f2- "$work/jobs.txt" | tr ' ' '\n' | sort); then
  echo "run-product-lane: the processes do not hold every case exactly once" >&2
  exit 1
fi
# Each process writes gtest's JSON report to the folder that comes back, named by its line number
# (quoted: the manifest's words are split as by xargs, where a bare backslash escapes).
index=0
while read -r program cases; do
  count=$(wc -w <<<"$cases")
  index=$((index + 1))
  report="'--gtest_output=json:Z:\\io\\artifacts\\$(printf '%04d' "$index").json'"
  echo "--timeout=$((per_case_timeout_s * count)) $program.exe --gtest_filter=${cases// /:} $report"
done <"$work/jobs.txt" >"$work/manifest.txt"
echo "run-product-lane: $total_cases test cases of ${programs[*]} in $jobs processes against the 32-bit TembraUI.dll"

bash tools/vm/run-programs.sh --cache "$cache" --dir build/win32/bin --manifest "$work/manifest.txt" \
  --timeout "$per_case_timeout_s" --out "$work/out" --quiet
vm_status=$?

# gtest's JSON report: "Suite.Name<TAB>verdict" per case it ran, verdict "passed", "skipped" or
# "failed" (a failure recorded, whatever its result says).
verdicts() {
  jq -r '.testsuites[] | .name as $suite | .testsuite[]
    | [$suite + "." + .name,
       if (.failures // []) != [] then "failed" elif .result == "SKIPPED" then "skipped"
       elif .status == "RUN" and .result == "COMPLETED" then "passed" else "failed" end] | @tsv' "$1"
}

# One process's cases. A case passes only if the process ended on its own, its JSON report exists
# and holds the case with no failure, and the exit code agrees with its cases; a crash, a time-out,
# a missing report or a machine failure fails every case of the process. The console lines are
# only shown: those of a failed case, or the end of a process that broke.
passed=0
failed=0
fail() { # fail CASE WHY OUTPUT-LINES...
  failed=$((failed + 1))
  echo "FAILED in the emulated machine ($2): $1"
  shift 2
  (($#)) && printf '    %s\n' "$@"
  return 0
}
declare -A verdict
index=0
while read -r program cases; do
  index=$((index + 1))
  id=$(printf '%04d' "$index")
  status=$(cat "$work/out/$id.status" 2>/dev/null || echo "not run")
  output=$(tr -d '\r' <"$work/out/$id.out" 2>/dev/null)
  report=$work/out/artifacts/$id.json
  read -ra names <<<"$cases"
  verdict=()
  broken=""
  case $status in
    "exit 0" | "exit 1")
      if [ ! -f "$report" ]; then
        broken="$status without gtest's JSON report"
      elif ! jq -e '.testsuites | arrays' "$report" >/dev/null 2>&1; then
        broken="$status with a report that is not gtest's JSON"
      else
        while IFS=$'\t' read -r name result; do verdict[$name]=$result; done < <(verdicts "$report")
      fi
      ;;
    *) broken=$status ;;
  esac
  if [ -z "$broken" ] && [ "$status" = "exit 1" ]; then
    all_passed=1
    for name in "${names[@]}"; do [ "${verdict[$name]:-}" = passed ] || all_passed=""; done
    [ -n "$all_passed" ] && broken="exit 1 although each of its cases passed"
  fi
  if [ -n "$broken" ]; then
    ((${#names[@]} > 1)) && broken="$broken, in one process with ${#names[@]} cases"
    for name in "${names[@]}"; do fail "$name" "$broken"; done
    [ -n "$output" ] && tail -n 25 <<<"$output" | sed 's/^/    /'
    continue
  fi
  for name in "${names[@]}"; do
    case ${verdict[$name]:-} in
      passed) passed=$((passed + 1)) ;;
      "") fail "$name" "not run by the 32-bit program; is it missing there?" ;;
      *)
        # Its own lines, from its start to its verdict.
        mapfile -t lines < <(awk -v name="$name" 'index($0, "[ RUN      ] " name) == 1 {on = 1} on {print} on && (index($0, "[  FAILED  ] " name " (") == 1 || index($0, "[  SKIPPED ] " name " (") == 1) {exit}' <<<"$output" | tail -n 40)
        why=$status
        [ "${verdict[$name]}" = skipped ] && why="skipped, $status"
        fail "$name" "$why" "${lines[@]}"
        ;;
    esac
  done
done <"$work/jobs.txt"

if [ "$vm_status" -eq 2 ] || [ "$vm_status" -eq 1 ]; then
  echo "run-product-lane: the emulated machine failed (run-programs exit $vm_status)" >&2
fi
echo "run-product-lane: $passed passed, $failed failed"
record "$passed" "$failed"
[ "$failed" -eq 0 ]
