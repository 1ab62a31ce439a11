# Wine settings shared by every script that runs our Windows programs on this host (sourced).
TEMBRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$TEMBRA_ROOT/build/wineprefix}"
export WINEDEBUG=-all
# No network here: keep Wine from offering to download Mono and Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE64=/usr/lib/wine/wine64
# Debian's wine64 keeps wineserver beside wine64, off the PATH; without this every "wineserver -p"
# and "wineserver -k" in these scripts silently did nothing.
export PATH="/usr/lib/wine:$PATH"

# Creates the prefix once and keeps a wineserver running, so each program starts in ~0.1 s.
# Wine's background services inherit stdout, so their output goes to /dev/null here.
tembra_wine_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$WINE64" wineboot -u >/dev/null 2>&1 </dev/null 9>&- || { echo "wine-env: the prefix could not be created" >&2; exit 1; }
    fi
    # The server lives on after us; it must not inherit the lock's descriptor.
    wineserver -p >/dev/null 2>&1 </dev/null 9>&- || true
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}
