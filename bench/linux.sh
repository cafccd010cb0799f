#!/usr/bin/env bash
# Builds what the Linux benchmark needs and prints its figures (as root): see linux_bench.py.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/.." && pwd)"
source "$repo/scripts/lib/common.sh"
vorlix_build linux vorlix >/dev/null
"$repo/tests/e2e/run.sh" --build-only
mkdir -p "$repo/build/bench"
# shellcheck disable=SC2046  # pkg-config's flags are words
gcc -std=c11 -O2 -Wall -Wextra -Werror -o "$repo/build/bench/bare_window" \
  "$here/bare_window.c" $(pkg-config --cflags --libs gtk+-3.0)
exec python3 "$here/linux_bench.py" "$@"
