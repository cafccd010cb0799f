#!/usr/bin/env bash
# Builds what the benchmarks need and prints their figures (as root): see bench.py.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/.." && pwd)"
source "$repo/scripts/lib/common.sh"
vorlix_build windows vorlix >/dev/null
"$repo/tests/e2e/run.sh" --build-only
mkdir -p "$repo/build/bench"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -static -municode -mwindows \
  -o "$repo/build/bench/minimal_window.exe" "$here/minimal_window.cpp"
exec python3 "$here/bench.py" "$@"
