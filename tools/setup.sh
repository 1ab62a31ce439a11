# Installs what the project needs on a Debian machine and provides an X display (sourced).
TEMBRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

TEMBRA_PACKAGES=(
  cmake ninja-build g++ googletest nlohmann-json3-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  wine64 xvfb xdotool x11-utils
  clang libclang-rt-dev
  curl chromium zip unzip jq
)

# Idempotent and non-interactive: installs only what is missing.
tembra_install_packages() {
  local missing=()
  for package in "${TEMBRA_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  # The browser tests' npm project; a machine whose node brings its own npm keeps that one.
  command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null || { echo "setup: apt-get update failed" >&2; return 1; }
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    { echo "setup: apt-get install ${missing[*]} failed" >&2; return 1; }
}

# Starts Xvfb on a free display unless one is set; it ends with the calling script.
tembra_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local display
  for display in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    TEMBRA_XVFB_PID=$!
    export DISPLAY=":$display"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    echo "setup: Xvfb did not come up on $DISPLAY" >&2
    return 1
  done
  echo "setup: no free X display" >&2
  return 1
}

tembra_stop_display() {
  [ -n "${TEMBRA_XVFB_PID:-}" ] && kill "$TEMBRA_XVFB_PID" 2>/dev/null
  return 0
}

# Configures and builds one CMake preset quietly (only the targets named after it, when any);
# the log is kept for a failure.
tembra_build() {
  local preset=$1 log="$TEMBRA_ROOT/build/$1-build.log"
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  mkdir -p "$TEMBRA_ROOT/build"
  if ! { cmake --preset "$preset" -Wno-dev && cmake --build --preset "$preset" "${targets[@]}"; } >"$log" 2>&1; then
    echo "setup: the build of preset $preset failed; last lines of $log:" >&2
    tail -n 30 "$log" >&2
    return 1
  fi
}

# The npm project of the browser tests and the sandbox (tests/browser), installed again only
# when its lock file changes. Chromium is Debian's: npm is told not to fetch a browser.
tembra_browser_project() {
  local project="$TEMBRA_ROOT/tests/browser"
  tembra_install_packages || return 1
  cmp -s "$project/package-lock.json" "$project/node_modules/.tembra-installed-lock" && return 0
  (cd "$project" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null) ||
    { echo "setup: npm ci in tests/browser failed" >&2; return 1; }
  cp "$project/package-lock.json" "$project/node_modules/.tembra-installed-lock"
}
