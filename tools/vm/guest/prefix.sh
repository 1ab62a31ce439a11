#!/bin/bash
# Runs inside the machine once, with the disk writable: creates the 32-bit Wine prefix that every later boot starts from.
set -euo pipefail
. /io/common.sh
echo "prefix: start $(date +%s)" >/io/prefix.log

# wineboot itself does not need X, but with a display the prefix is set up the way windowed programs later see it.
start_xvfb /io/xvfb.log || echo "prefix: Xvfb did not start, continuing without a display" >>/io/prefix.log

# No network and no mono/gecko packages in the image: without these overrides wineboot would offer
# to download them (a dialog that waits forever under Xvfb).
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -u >>/io/prefix.log 2>&1
# wineboot returns before wineserver has flushed the registry to disk.
wineserver -w
echo "prefix: done $(date +%s)" >>/io/prefix.log

# Proof the prefix is a usable win32 one, checked by the host before it caches the image.
test -f "$WINEPREFIX/system.reg"
grep -q '#arch=win32' "$WINEPREFIX/system.reg"
test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
mkdir -p "$WINEPREFIX/drive_c/work"
sync
echo ok >/io/prefix-ok
