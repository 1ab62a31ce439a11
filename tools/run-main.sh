#!/usr/bin/env bash
# The main job: builds the shipped DLL and the test build, then runs the module inside the
# simulated game and host, showing its log as it grows, until interrupted.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/setup.sh
source tools/wine-env.sh

tembra_install_packages || exit 1
tembra_build win32 || exit 1
echo "built the product: build/win32/bin/TembraUI.dll"
tembra_build win64 || exit 1
tembra_start_display || exit 1
tembra_wine_ready || exit 1

bin=build/win64/bin
rm -f "$bin/TembraUI.log"
"$WINE64" "$bin/simgame.exe" >build/simgame.out 2>&1 </dev/null &
game=$!
cleanup() {
  kill "$game" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  tembra_stop_display
}
trap cleanup EXIT
trap 'exit 0' INT TERM
for _ in $(seq 100); do [ -f "$bin/TembraUI.log" ] && break; sleep 0.1; done
echo "simulated game running (pid $game); log: $bin/TembraUI.log; Ctrl+C stops"
tail -n +1 -f "$bin/TembraUI.log" --pid="$game"
