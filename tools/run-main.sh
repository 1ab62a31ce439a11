#!/usr/bin/env bash
# The main job, the page author's player: runs the module in the simulated game (or, with --mock
# or where Wine cannot run, a mock of it in Node), serves pages/ as the host's local page origin
# and prints the address of the player page for your own browser: the game's screen with the
# module's pages over it, the state document, the event feed, the module's log and the pages'
# console. This terminal is the game's keyboard too.
#   bash tools/run-main.sh                   the player, 1920 x 1080
#   bash tools/run-main.sh --size 1280x720
#   bash tools/run-main.sh --mock            no Wine: Node alone (any system with Node and npm)
#   bash tools/run-main.sh --headless        also a picture of the screen after every change,
#                                            build/sandbox/screen.png
#   bash tools/run-main.sh --pictures        retake the pictures in docs/ and stop
source "$(dirname "${BASH_SOURCE[0]}")/prelude.sh"
args=("$@")
mock=0
for arg in "$@"; do [ "$arg" = "--mock" ] && mock=1; done

if [ "$mock" = 1 ]; then
  # Node alone: the browser project's packages, and Chromium only for --headless.
  (cd tests/browser && { [ -d node_modules/puppeteer-core ] || npm ci --no-audit --no-fund >/dev/null; }) || exit 1
  exec node tools/sandbox/run.mjs "${args[@]}"
fi

tembra_install_packages || exit 1
tembra_browser_project || exit 1

wine_runs() {
  tembra_build win32 && echo "built the product: build/win32/bin/TembraUI.dll" &&
    tembra_build win64 && tembra_start_display && tembra_wine_ready
}
if ! wine_runs; then
  [ "${1:-}" = "--pictures" ] && { echo "run-main: the pictures need the module under Wine" >&2; exit 1; }
  echo "run-main: Wine cannot run the simulated game here: the player runs with the mock in Node instead (--mock)" >&2
  exec node tools/sandbox/run.mjs --mock "${args[@]}"
fi

cleanup() {
  "$(dirname "$WINE64")/wineserver" -k >/dev/null 2>&1
  tembra_stop_display
}
trap cleanup EXIT
if [ "${1:-}" = "--pictures" ]; then
  WINE64="$WINE64" node tools/sandbox/docs-pictures.mjs
else
  WINE64="$WINE64" node tools/sandbox/run.mjs "${args[@]}"
fi
