# Shared steps of scripts/run and scripts/test: packages, builds, the display and Wine prefixes.
# Sourced, not run.

VORLIX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Everything the builds and tests need, as Debian packages.
VORLIX_PACKAGES=(cmake g++ make libgtest-dev googletest mingw-w64 wine wine64 fonts-wine
  xvfb xdotool imagemagick x11-utils fonts-ipafont-gothic iproute2 iputils-ping procps python3
  pkg-config libgtk-3-dev)

vorlix_ensure_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
      "${missing[@]}" >/dev/null
}

vorlix_build() {
  local preset="$1" target="${2:-}"
  (cd "$VORLIX_ROOT" && cmake --preset "$preset" >/dev/null &&
    cmake --build --preset "$preset" -j"$(nproc)" ${target:+--target "$target"})
}

# Starts Xvfb on a free display; sets DISPLAY and VORLIX_XVFB_PID.
vorlix_start_xvfb() {
  local n
  for n in $(seq 90 120); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    VORLIX_XVFB_PID=$!
    local tries
    for tries in $(seq 50); do
      [[ -e /tmp/.X11-unix/X$n ]] && break
      sleep 0.1
    done
    export DISPLAY=":$n"
    return 0
  done
  echo "no free X display" >&2
  return 1
}

vorlix_stop_xvfb() {
  [[ -n "${VORLIX_XVFB_PID:-}" ]] && kill "$VORLIX_XVFB_PID" 2>/dev/null
  VORLIX_XVFB_PID=
}

# Makes a Wine prefix if it is not there yet. Any further arguments are a command prefix that
# the Wine start-up runs under (a network namespace, for instance), so that the prefix's
# services start where the program will run.
vorlix_make_prefix() {
  local prefix="$1"
  shift
  [[ -f "$prefix/system.reg" ]] && return 0
  mkdir -p "$prefix"
  "$@" env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    wineboot -i >/dev/null 2>&1
  # Marlett draws the buttons of the caption bars that Wine draws itself.
  if [[ -f /usr/share/wine/fonts/marlett.ttf ]]; then
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
  fi
  "$@" env WINEPREFIX="$prefix" wineserver -w
}

# Sets a prefix up for a display without a window manager (Xvfb), or back for a desktop:
#   vorlix_prefix_display PREFIX bare|desktop [command prefix...]
# Bare: Wine draws the frames itself, and its windows are unmanaged, since with no window
# manager to answer Wine would wait 2 s whenever it hides a shown window.
vorlix_prefix_display() {
  local prefix="$1" kind="$2" key='HKCU\Software\Wine\X11 Driver' name
  shift 2
  for name in Decorated Managed; do
    if [[ $kind == bare ]]; then
      "$@" env WINEPREFIX="$prefix" WINEDEBUG=-all wine reg add "$key" /v "$name" /d N /f
    else
      "$@" env WINEPREFIX="$prefix" WINEDEBUG=-all wine reg delete "$key" /v "$name" /f
    fi
  done >/dev/null 2>&1
  "$@" env WINEPREFIX="$prefix" wineserver -w
}
