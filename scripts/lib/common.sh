# Shared steps of scripts/run and scripts/test: packages, builds, the display and Wine prefixes.
# Sourced, not run.
# shellcheck shell=bash

VORLIX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# The Linux program's build, and its desktop session in the end-to-end tests: the window
# manager, the session and accessibility buses, the AT-SPI reader (the system's python with
# pyatspi and GTK's introspection data), wmctrl to close and list windows, and the screen
# reader that reads each result out (Orca, speaking through speech-dispatcher and espeak-ng).
VORLIX_LINUX_PACKAGES=(pkg-config libgtk-3-dev openbox dbus-daemon at-spi2-core python3-pyatspi
  python3-gi gir1.2-gtk-3.0 wmctrl xvfb xdotool imagemagick x11-utils fonts-ipafont-gothic
  orca speech-dispatcher speech-dispatcher-espeak-ng)

# Everything the builds and tests need, as Debian packages.
VORLIX_PACKAGES=(cmake g++ make ccache libgtest-dev googletest mingw-w64 wine wine64 fonts-wine
  xvfb xdotool imagemagick x11-utils fonts-ipafont-gothic iproute2 iputils-ping procps python3
  clang libclang-rt-dev clang-tidy lld python3-pytest "${VORLIX_LINUX_PACKAGES[@]}")

# What checks the packages (scripts/test, tests/package): lintian, the validators of
# desktop entries and AppStream metadata, dpkg-deb and dpkg-shlibdeps, and GLib's reading of a
# desktop entry's command line (the system's python with GLib's introspection data); wixl, which
# makes the Windows Installer package, and msitools, which sets what wixl cannot and reads it.
VORLIX_PACKAGE_TOOLS=(lintian desktop-file-utils appstream dpkg-dev file man-db python3-gi
  gir1.2-glib-2.0 wixl msitools)

# The desktops the Linux program is tried on besides openbox: XFCE's window manager (with its
# settings service), GNOME's in its X11 mode and icewm, a settings daemon that publishes Xft/DPI,
# and the Japanese families that distributions ship, each of which the GTK tests measure.
VORLIX_DESKTOP_PACKAGES=(xfwm4 xfconf mutter icewm xsettingsd fonts-noto-cjk fonts-droid-fallback
  fonts-vlgothic fonts-takao-gothic)
VORLIX_PACKAGES+=("${VORLIX_PACKAGE_TOOLS[@]}" "${VORLIX_DESKTOP_PACKAGES[@]}")

# No session or system bus for the Wine processes of the scripts (scripts/lib/no-bus.env says why).
# shellcheck disable=SC2034 # used by the scripts that source this
mapfile -t VORLIX_NO_BUS < <(grep -v '^#' "$VORLIX_ROOT/scripts/lib/no-bus.env")

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

# Wine's 32-bit part (wine32:i386, with the i386 architecture added to dpkg), which runs the
# 32-bit program. Only where the kernel runs 32-bit x86 programs: elsewhere it cannot start, and
# once installed it takes the `wine` command over from wine64, so that nothing would start under
# Wine. Fails, saying why, when Wine's 32-bit part cannot run here; the reason is kept in
# VORLIX_WINE32_MISSING, where the 32-bit program's tests read it for their skip.
VORLIX_WINE32_MISSING="$VORLIX_ROOT/build/wine32-not-installed.txt"
vorlix_ensure_wine32() {
  local why
  mkdir -p "$(dirname "$VORLIX_WINE32_MISSING")"
  if why="$(vorlix_install_wine32)"; then
    rm -f "$VORLIX_WINE32_MISSING"
    return 0
  fi
  printf '%s\n' "$why" >"$VORLIX_WINE32_MISSING"
  echo "$why" >&2
  return 1
}

# Installs wine32:i386 where it can run; prints why not and fails otherwise.
vorlix_install_wine32() {
  local sudo=() why
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  if ! why="$(python3 "$VORLIX_ROOT/scripts/lib/runs_i386.py")"; then
    if [[ -x /usr/lib/wine/wine ]]; then
      echo "$why; wine32:i386 is installed all the same, and starts nothing: remove it"
    else
      echo "$why: wine32:i386 is not installed"
    fi
    return 1
  fi
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "Installing: wine32:i386" >&2
    if ! dpkg --print-foreign-architectures | grep -qx i386 &&
      ! "${sudo[@]}" dpkg --add-architecture i386 >&2; then
      echo "the i386 architecture could not be added to dpkg: wine32:i386 is not installed"
      return 1
    fi
    # A mirror that is being synchronised serves an index of the wrong size now and then: a
    # second try, a little later and past any cache, usually gets it.
    local log first try=1
    log="$(mktemp)"
    until "${sudo[@]}" apt-get -o Acquire::http::No-Cache=true update -qq >"$log" 2>&1 &&
      DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 \
        install -y -qq wine32:i386 >>"$log" 2>&1; do
      if ((try == 2)); then
        first="$(grep -m1 -E '^(E|W):' "$log" | sed -E 's/ +\[IP: [^]]*\]//' | cut -c1-240)"
        rm -f "$log"
        echo "apt-get failed twice to download the i386 package index or to install" \
          "wine32:i386 ($first): it is not installed"
        return 1
      fi
      echo "The download failed; trying again in 30 s" >&2
      sleep 30
      try=2
    done
    rm -f "$log"
  fi
  if ! WINEDEBUG=-all /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "wine32:i386 is installed but its wine does not start"
    return 1
  fi
}

# Configures a preset's tree (build/PRESET) unless it is configured from the presets as they
# stand: a build runs CMake again by itself when a CMakeLists changes, so each tree is configured
# once per run instead of at every step that builds in it.
vorlix_configure() {
  local dir="$VORLIX_ROOT/build/$1" stamp
  stamp="$(sha1sum <"$VORLIX_ROOT/CMakePresets.json")"
  [[ -f "$dir/CMakeCache.txt" && "$(cat "$dir/.presets-stamp" 2>/dev/null)" == "$stamp" ]] &&
    return 0
  (cd "$VORLIX_ROOT" && cmake --preset "$1" >/dev/null) && echo "$stamp" >"$dir/.presets-stamp"
}

# ccache hashes paths below the checkout relative to it, so that two checkouts share hits.
export CCACHE_BASEDIR="$VORLIX_ROOT"

vorlix_build() {
  local preset="$1"
  shift
  vorlix_configure "$preset" &&
    (cd "$VORLIX_ROOT" && cmake --build --preset "$preset" -j"$(nproc)" ${1:+--target "$@"})
}

# Starts Xvfb on a free display (scripts/lib/xvfb.py) and sets DISPLAY and VORLIX_XVFB_PID.
# Fails when no display comes up.
vorlix_start_xvfb() {
  local said
  said="$(python3 "$VORLIX_ROOT/scripts/lib/xvfb.py" start)" || return 1
  export DISPLAY="${said% *}"
  VORLIX_XVFB_PID="${said#* }"
}

vorlix_stop_xvfb() {
  if [[ -n "${VORLIX_XVFB_PID:-}" ]]; then
    python3 "$VORLIX_ROOT/scripts/lib/xvfb.py" stop "$VORLIX_XVFB_PID"
  fi
  VORLIX_XVFB_PID=
}

# Wine prefixes (scripts/lib/wine_prefix.py). Any arguments after the prefix (and the kind) are
# a command prefix that the Wine processes run under (a network namespace, for instance), so
# that the prefix's services start where the program will run.
#   vorlix_make_prefix PREFIX [command prefix...]
#   vorlix_prefix_display PREFIX bare|desktop [command prefix...]
#   vorlix_remove_server_dir PREFIX
vorlix_make_prefix() {
  local prefix="$1"
  shift
  python3 "$VORLIX_ROOT/scripts/lib/wine_prefix.py" make "$prefix" -- "$@"
}

vorlix_prefix_display() {
  local prefix="$1" kind="$2"
  shift 2
  python3 "$VORLIX_ROOT/scripts/lib/wine_prefix.py" display "$prefix" "$kind" -- "$@"
}

vorlix_remove_server_dir() {
  python3 "$VORLIX_ROOT/scripts/lib/wine_prefix.py" remove-server-dir "$1"
}
