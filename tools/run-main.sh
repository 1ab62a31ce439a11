#!/usr/bin/env bash
# The main job, the page author's sandbox: builds the shipped DLL and the test build, runs the
# module in the simulated game, serves pages/ as the host's local page origin and opens the
# module's browsers in headless Chromium as the host would; this terminal is the game's keyboard
# (Esc opens the pause menu once the player is in the world). A screenshot of what the player
# sees is written to build/sandbox/screen.png after every change.
#   bash tools/run-main.sh            headless Chromium, screenshots
#   bash tools/run-main.sh --urls     print the pages' URLs for your own browser instead
#   bash tools/run-main.sh --size 1280x720
#   bash tools/run-main.sh --pictures   retake the pages' pictures in docs/ and stop
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/setup.sh
source tools/wine-env.sh

tembra_install_packages || exit 1
tembra_browser_project || exit 1
tembra_build win32 || exit 1
echo "built the product: build/win32/bin/TembraUI.dll"
tembra_build win64 || exit 1
tembra_start_display || exit 1
tembra_wine_ready || exit 1

cleanup() {
  "$(dirname "$WINE64")/wineserver" -k >/dev/null 2>&1
  tembra_stop_display
}
trap cleanup EXIT
if [ "${1:-}" = "--pictures" ]; then
  WINE64="$WINE64" node tools/sandbox/docs-pictures.mjs
else
  WINE64="$WINE64" node tools/sandbox/run.mjs "$@"
fi
