#!/usr/bin/env bash
# Builds everything and runs every test: natively, under wine64 with Xvfb, the benchmark's smoke
# run, the checks on the shipped 32-bit DLL, and that DLL under 32-bit Wine in an emulated
# machine; ends with the line "N passed, N failed".
source "$(dirname "${BASH_SOURCE[0]}")/prelude.sh"

tembra_install_packages || exit 1
tembra_start_display || exit 1
trap 'tembra_stop_display; wineserver -k >/dev/null 2>&1' EXIT

# Every lane leaves one record in $lanes, named after the lane: "PASSED FAILED", nothing else; the
# lanes' own reports (CTest's JUnit files, the browser lane's TAP) go to $reports.
lanes=build/results/lanes
reports=build/results/reports
rm -rf build/results
mkdir -p "$lanes" "$reports"
record_lane() { echo "$2 $3" >"$lanes/$1"; }

# One CTest lane: build the preset, run its tests, record passed and failed counts. A build
# that fails counts as a failed test, never as an empty pass.
run_ctest_lane() {
  local preset=$1
  echo "== $preset"
  if ! tembra_build "$preset"; then
    record_lane "$preset" 0 1
    return
  fi
  ctest --preset "$preset" --output-junit "$TEMBRA_ROOT/$reports/$preset.xml" 2>&1 | tail -n 25
  local tests failures
  # The first counts in CTest's JUnit file are the test suite's totals.
  tests=$(grep -o -m1 '\btests="[0-9]*"' "$reports/$preset.xml" | grep -o '[0-9]*')
  failures=$(grep -o -m1 '\bfailures="[0-9]*"' "$reports/$preset.xml" | grep -o '[0-9]*')
  if [ -z "$tests" ] || [ "$tests" -eq 0 ]; then
    echo "run-tests: $preset: no tests ran" >&2
    record_lane "$preset" 0 1
    return
  fi
  record_lane "$preset" $((tests - failures)) "$failures"
}

run_ctest_lane native
tembra_wine_ready || { echo "run-tests: the Wine prefix is not ready" >&2; }
run_ctest_lane win64
echo "== stress (short; the full run is tools/stress.sh --long)"
bash tools/stress.sh --result "$lanes/stress"
echo "== bench (tools/bench.sh in its smoke mode: every measurement still runs)"
# One count per measurement: a measurement that could not be taken fails; a goal missed does not,
# since the smoke run is too short to judge goals.
bash tools/bench.sh --smoke --out build/bench/smoke-table.md --counts "$lanes/bench"
[ -s "$lanes/bench" ] || record_lane bench 0 1
run_ctest_lane win32
echo "== browser (the pages, their client, the release archive and the sandbox in headless Chromium)"
run_browser_lane() {
  if ! tembra_browser_project || ! tembra_build win32 || ! tembra_build win64; then
    record_lane browser 0 1
    return
  fi
  (cd tests/browser && WINE64="$WINE64" node --test --test-concurrency=1 --test-reporter=tap ./*.test.mjs) \
    >"$reports/browser.tap" 2>&1
  grep -E '^not ok|^# (pass|fail)' "$reports/browser.tap"
  local passed failed
  passed=$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$reports/browser.tap")
  failed=$(sed -n 's/^# fail \([0-9]*\)$/\1/p' "$reports/browser.tap")
  if [ -z "$passed" ] || [ $((passed + ${failed:-0})) -eq 0 ]; then
    echo "run-tests: browser: no tests ran; see $reports/browser.tap" >&2
    record_lane browser 0 1
    return
  fi
  record_lane browser "$passed" "${failed:-0}"
}
run_browser_lane
echo "== product (32-bit DLL under 32-bit Wine in the emulated machine)"
# Outside the build tree, so a later clone on the same machine reuses the machine (~3 GB).
TEMBRA_VM_CACHE=${TEMBRA_VM_CACHE:-/var/tmp/tembra-vm} bash tools/run-product-lane.sh "$lanes/product"

passed=0
failed=0
for lane in "$lanes"/*; do
  read -r p f <"$lane"
  echo "lane $(basename "$lane"): $p passed, $f failed"
  passed=$((passed + p))
  failed=$((failed + f))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
