#!/usr/bin/env bash
# Builds the settings layer's fuzz target (the fuzz preset: clang++, build/fuzz) and runs it for
# a while.
# Usage: tests/fuzz/run.sh [seconds]   (default 180)
set -euo pipefail

seconds="${1:-180}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/fuzz"

(cd "$root" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 >/dev/null)

# The fuzzer adds what it finds to a working copy, so the committed seeds stay few and small.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" "$work/artifacts"
cp "$root/tests/fuzz/corpus/"* "$work/corpus/"

status=0
"$build/vorlix_settings_fuzz" -max_len=64 -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?

grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec|Done [0-9]+ runs' \
  "$work/log" || true
echo "corpus entries at the end: $(ls "$work/corpus" | wc -l)"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
  echo "FINDING (exit $status):"
  grep -E 'ERROR|invariant broken|SUMMARY' "$work/log" || tail -n 40 "$work/log"
  mkdir -p "$build/artifacts"
  cp "$work/artifacts/"* "$build/artifacts/" 2>/dev/null || true
  echo "inputs kept in $build/artifacts"
  exit 1
fi
echo "no findings in ${seconds}s"
