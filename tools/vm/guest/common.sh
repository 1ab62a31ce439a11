# Sourced by the guest scripts: the Wine environment and an X server for programs that open windows.
# shellcheck shell=bash
# Every boot uses the same prefix path, so the prefix built once is the one the programs run in.
export HOME=/root
export WINEPREFIX=/root/.wine
export WINEARCH=win32
export PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin
# Wine encodes file names in the locale's character set: with UTF-8, names outside ASCII work as on
# Windows (the locale comes from libc-bin; with a missing locale glibc silently uses ASCII).
export LANG=C.UTF-8

# Starts Xvfb on :99 and exports DISPLAY; returns non-zero (and leaves DISPLAY unset) if it does not come up.
start_xvfb() {
  local log=$1 i
  rm -f /tmp/.X11-unix/X99 /tmp/.X99-lock
  Xvfb :99 -screen 0 1280x1024x24 -nolisten tcp >"$log" 2>&1 </dev/null &
  # Up to 60 s: on a loaded host everything in the emulator is several times slower.
  for ((i = 0; i < 600; i++)); do
    if [ -S /tmp/.X11-unix/X99 ]; then
      export DISPLAY=:99
      return 0
    fi
    sleep 0.1
  done
  return 1
}
