#!/usr/bin/env bash
# Runs one Windows program under wine64 for CTest: output via a file, exit code passed through.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
tembra_wine_ready || exit 1
: "${DISPLAY:?wine-run.sh needs an X display (tools/run-tests.sh starts Xvfb)}"
output=$(mktemp)
trap 'rm -f "$output"' EXIT
# Never pipe a wine program's stdout: a persistent wineserver's services would hold the pipe.
"$WINE64" "$@" >"$output" 2>&1 </dev/null
status=$?
# Every test program writes gtest's first line before anything else; a failure with no output
# at all is Wine not starting the process (seen once in a few thousand starts), so that one
# start is tried again. A second silent failure stands.
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine-run: the program ended with $status before writing anything; starting it again" >&2
  "$WINE64" "$@" >"$output" 2>&1 </dev/null
  status=$?
fi
cat "$output"
exit "$status"
