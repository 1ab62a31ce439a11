#!/bin/bash
# Runs inside the machine once, with the disk writable: creates the 32-bit Wine prefix that every later boot starts from.
set -euo pipefail
. /io/common.sh
echo "prefix: start $(date +%s)" >/io/prefix.log
# set -e ends the script at the first failed step; the host shows this log when the prefix is not ready.
trap 'echo "prefix: failed: $BASH_COMMAND" >>/io/prefix.log' ERR

# wineboot itself does not need X, but with a display the prefix is set up the way windowed programs later see it.
start_xvfb /io/xvfb.log || echo "prefix: Xvfb did not start, continuing without a display" >>/io/prefix.log

# No network and no mono/gecko packages in the image: without these overrides wineboot would offer
# to download them (a dialog that waits forever under Xvfb).
# The first Wine process creates the prefix: it starts "wineboot --init", which installs everything,
# and waits for it, so a plain wineboot adds nothing ("-u" would run the whole installation again).
# That wait ends after 5 minutes, which a loaded host exceeds ("boot event wait timed out"): the waiting
# wineboot then fails on DLLs not yet copied (exit 53) while the creation goes on, so wait for every
# Wine process to end either way.
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot >>/io/prefix.log 2>&1 ||
  echo "prefix: wineboot exited $? before the prefix was ready; waiting for its creation" >>/io/prefix.log
wineserver -w
echo "prefix: created $(date +%s)" >>/io/prefix.log
# On an unhandled exception Wine starts winedbg, which opens a crash dialog that waits for a click until
# the time limit. Without the dialog winedbg prints a backtrace, but on a loaded host it was seen to end
# the crashed program with exit code 0, which would pass as a success. So no debugger at all: Wine fails
# to start one and ends the process with the exception code (exit 5 for 0xc0000005), after printing
# "wine: Unhandled page fault ... at address ...". The dialog stays off for anyone who puts winedbg back.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
  /d no-debugger-configured /f >>/io/prefix.log 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>/io/prefix.log 2>&1
# Wine 8 reports Windows 7 in a win32 prefix; current CEF builds need Windows 10.
winecfg -v win10 >>/io/prefix.log 2>&1
# wineboot and the others return before wineserver has flushed the registry to disk.
wineserver -w
echo "prefix: done $(date +%s)" >>/io/prefix.log

# Proof the prefix is a usable win32 one, checked by the host before it caches the image.
test -f "$WINEPREFIX/system.reg"
grep -q '#arch=win32' "$WINEPREFIX/system.reg"
test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
test -f "$WINEPREFIX/drive_c/windows/system32/user32.dll"
test -f "$WINEPREFIX/.update-timestamp"
grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg"
grep -q '"Debugger"="no-debugger-configured"' "$WINEPREFIX/system.reg"
[ "$(locale charmap)" = UTF-8 ]
mkdir -p "$WINEPREFIX/drive_c/work"
sync
echo ok >/io/prefix-ok
