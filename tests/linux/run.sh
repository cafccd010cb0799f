#!/usr/bin/env bash
# Builds the Linux platform tests when needed and runs them (as root) inside a fresh test network:
# the namespaces of tests/e2e/netns.sh with the responder's test hosts, removed again at the end.
#
#   tests/linux/run.sh [GTEST_ARGS...]     e.g. --gtest_filter='*Files*'
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
out="$repo/build/linux-tests"

if [[ "$(id -u)" != 0 ]]; then
  echo "tests/linux/run.sh: needs root (network namespaces)" >&2
  exit 1
fi

mkdir -p "$out"
responder="$out/responder"
if [[ ! -x "$responder" || "$repo/tests/e2e/responder.cpp" -nt "$responder" ]]; then
  echo "building responder"
  g++ -std=c++20 -O2 -Wall -Wextra -Werror -o "$responder.tmp" "$repo/tests/e2e/responder.cpp"
  mv "$responder.tmp" "$responder"
fi
if [[ ! -f "$out/CMakeCache.txt" ]]; then
  cmake -S "$here" -B "$out" -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$out" -j2 --target vorlix_linux_tests >/dev/null

id=$$
export VX_RESPONDER="$responder" VX_NETNS_STATE="$out/netns-$id"
# shellcheck source=../e2e/netns.sh
source "$repo/tests/e2e/netns.sh"
# netns.sh is written for shells without errexit.
trap 'set +e; vx_netns_down "$id"' EXIT
vx_netns_up "$id"
vx_netns_exec "$id" "$out/vorlix_linux_tests" "$@"
