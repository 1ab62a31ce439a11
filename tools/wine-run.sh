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
cat "$output"
exit "$status"
