#!/usr/bin/env bash
# Builds the settings layer's fuzz target (the fuzz preset: clang++, ASan and UBSan, build/fuzz)
# and runs it over whole settings files, from the seed corpus and the dictionary of its tokens.
# Usage: tests/fuzz/run.sh [SECONDS]   (default 180 s; the test command's short run gives 60)
# Exits non-zero on a finding (a crash, a sanitizer report, a broken invariant, an input that
# takes more than 10 s) and keeps the inputs in build/fuzz/artifacts.
set -euo pipefail

case "${1:-}" in
  "") seconds=180 ;;
  *[!0-9]* | 0)
    echo "usage: $0 [SECONDS]" >&2
    exit 2
    ;;
  *) seconds="$1" ;;
esac
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/fuzz"

# shellcheck source=../../scripts/lib/common.sh
source "$root/scripts/lib/common.sh"
vorlix_build fuzz >/dev/null

# The fuzzer adds what it finds to a corpus kept in the tree (build/fuzz/corpus), so that each run
# starts where the last one ended and the committed seeds stay few and small.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/artifacts"
ln -s "$build/corpus" "$work/corpus"
mkdir -p "$build/corpus"
cp "$root/tests/fuzz/corpus/"* "$build/corpus/"

# A hand-edited file with junk lines runs to a few kilobytes.
status=0
"$build/vorlix_settings_fuzz" -max_len=4096 -timeout=10 -max_total_time="$seconds" \
  -dict="$root/tests/fuzz/settings.dict" -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?

grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec' "$work/log" ||
  true
echo "corpus entries at the end: $(find "$build/corpus" -type f | wc -l)"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
  echo "FINDING (exit $status):"
  grep -E 'ERROR|invariant broken|SUMMARY' "$work/log" || tail -n 40 "$work/log"
  mkdir -p "$build/artifacts"
  cp "$work/artifacts/"* "$build/artifacts/" 2>/dev/null || true
  echo "inputs kept in $build/artifacts"
  exit 1
fi
echo "no findings in ${seconds}s"
