#!/usr/bin/env bash
# Makes the release archive dist/TembraUI-<version>.zip, laid out to be unpacked into the game
# folder: the stripped 32-bit DLL, the pages below cef/ where the pause page lookup finds them,
# the page client with them, and the player's and page author's docs. Prints the archive's path.
source "$(dirname "${BASH_SOURCE[0]}")/prelude.sh"
# Every step must succeed: a half-made archive is never printed as made.
set -e

version=$(sed -n 's/^project(TembraUI VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt's project()" >&2; exit 1; }
tembra_install_packages zip >&2
tembra_build win32 >&2

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/cef" "$stage/TembraUI-docs"
i686-w64-mingw32-strip --strip-all -o "$stage/TembraUI.dll" build/win32/bin/TembraUI.dll
cp -r pages/pause pages/hud pages/loading pages/common pages/sdk "$stage/cef/"
cp docs/install.md docs/bridge.md "$stage/TembraUI-docs/"

archive="$TEMBRA_ROOT/dist/TembraUI-$version.zip"
mkdir -p dist
rm -f "$archive"
# Fixed times and no extra attributes, so the same sources give the same archive.
find "$stage" -exec touch -d '2000-01-01 00:00:00 UTC' {} +
(cd "$stage" && zip -q -X -r "$archive" TembraUI.dll cef TembraUI-docs)
echo "dist/TembraUI-$version.zip"
