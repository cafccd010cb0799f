#!/usr/bin/env bash
# Builds the e2e helpers (responder, wininspect.exe) when needed and runs the e2e tests (as root).
#
#   tests/e2e/run.sh [--driver wine|linux] [--exe PATH] [-k NAME] [--results FILE] [--keep]
#                                                       (arguments go to e2e.py)
#   tests/e2e/run.sh --build-only                       (only build the helpers)
# The program under test defaults to build/windows/vorlix.exe (or $VORLIX_EXE) under Wine, and
# to build/linux/vorlix with --driver linux.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
out="$repo/build/e2e"
mkdir -p "$out"

# Runs the build command that follows "--" unless $1 is newer than $2; the command writes $1.tmp.
build() {
  local target="$1" source="$2"
  shift 3
  if [[ ! -x "$target" || "$source" -nt "$target" ]]; then
    echo "building $(basename "$target")"
    "$@"
    mv "$target.tmp" "$target"
  fi
}

r="$out/responder"
build "$r" "$here/responder.cpp" -- \
  g++ -std=c++20 -O2 -Wall -Wextra -Werror -o "$r.tmp" "$here/responder.cpp"
w="$out/wininspect.exe"
build "$w" "$here/wininspect.cpp" -- \
  x86_64-w64-mingw32-g++ -std=c++20 -static -O2 -Wall -Wextra -Werror -municode \
  -o "$w.tmp" "$here/wininspect.cpp" -luser32 -lgdi32

[[ "${1:-}" == "--build-only" ]] && exit 0
exec python3 "$here/e2e.py" "$@"
