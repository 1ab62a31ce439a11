#!/usr/bin/env bash
# Runs one of this folder's client scripts against the module inside the simulated game under
# wine64 (the 64-bit test build), then stops the game. Needs an X display and the win64 build.
#
# Usage: run-with-simgame.sh SCRIPT.mjs   (ends with the script's "N passed, N failed")
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../tools/wine-env.sh"
: "${DISPLAY:?run-with-simgame.sh needs an X display}"
script=$1
bin="$TEMBRA_ROOT/build/win64/bin"

if [ ! -d "$here/node_modules/puppeteer-core" ]; then
  (cd "$here" && npm ci --no-audit --no-fund >/dev/null) || { echo "run-with-simgame: npm ci failed in $here" >&2; exit 1; }
fi
tembra_wine_ready || exit 1

# A folder of its own, so the game's log is this run's alone.
game=$(mktemp -d)
cp "$bin/simgame.exe" "$bin/TembraUI.dll" "$game/" || exit 1
"$WINE64" "$game/simgame.exe" >"$game/simgame.out" 2>&1 </dev/null &
game_pid=$!
trap 'kill "$game_pid" 2>/dev/null; wait "$game_pid" 2>/dev/null; rm -rf "$game"' EXIT

TEMBRA_BRIDGE_LOG="$game/TembraUI.log" node "$here/$script"
status=$?
if [ "$status" -ne 0 ] && [ -f "$game/TembraUI.log" ]; then
  echo "--- module log"
  tail -n 40 "$game/TembraUI.log"
fi
exit "$status"
