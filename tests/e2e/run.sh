#!/usr/bin/env bash
# Builds the e2e helpers (responder, wininspect.exe, the unprotected program) when needed and
# runs the e2e tests (as root).
#
#   tests/e2e/run.sh [--driver wine|linux] [--exe PATH] [--wm openbox|xfwm4|mutter] [-k NAME]
#                    [--results FILE] [--keep]          (arguments go to e2e.py)
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
  -o "$w.tmp" "$here/wininspect.cpp" -luser32 -lgdi32 -lpsapi -lntdll -loleacc -lole32 -loleaut32

# The program as it was before it restricted its DLL search (it imported winmm and wsock32
# statically), for scenarios_dll.py to show that its planted DLLs are caught. Built once from
# that commit's files; the folder's name is the one scenarios_dll.py looks for.
unprotected_commit=095e577
u="$out/unprotected-$unprotected_commit"
if ! git -C "$repo" cat-file -e "$unprotected_commit^{commit}" 2>/dev/null; then
  # A shallow clone lacks the commit; the scenario that needs the program then says so and skips.
  echo "note: commit $unprotected_commit is not in this clone; the unprotected program is not built"
elif [[ ! -f "$u/build/vorlix.exe" ]]; then
  echo "building the unprotected program of commit $unprotected_commit (a minute or two)"
  rm -rf "$u"
  mkdir -p "$u/source"
  git -C "$repo" archive "$unprotected_commit" | tar -x -C "$u/source"
  if ! {
    cmake -S "$u/source" -B "$u/build" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$u/source/cmake/mingw-w64.cmake" -DVORLIX_TARGET=windows \
      -DVORLIX_ARCH=x86_64 -DVORLIX_WINE_TESTS=OFF &&
      cmake --build "$u/build" --target vorlix -j2
  } >"$u/build.log" 2>&1; then
    tail -20 "$u/build.log"
    echo "the unprotected program did not build; see $u/build.log" >&2
    exit 1
  fi
fi

[[ "${1:-}" == "--build-only" ]] && exit 0
exec python3 "$here/e2e.py" "$@"
