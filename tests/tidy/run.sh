#!/usr/bin/env bash
# Runs clang-tidy, with the checks of the checked-in .clang-tidy, over the project's own sources,
# each once, as the trees compile them: the linux-asan tree (the portable layers, the headless
# back end and the unit tests, the GTK and POSIX layers, the Linux entry and their tests), the
# Windows tree built with clang (windows-clang: the Win32 back end, the entry, the Wine tests)
# and the fuzz tree (the fuzz target). A tree is configured when it is not yet; nothing is built.
# Prints every finding once and exits non-zero when there is any.
# Usage: tests/tidy/run.sh [-jN]   (default -j2)
# Environment: CLANG_TIDY (default clang-tidy).
set -euo pipefail

jobs=2
presets=(linux-asan windows-clang fuzz)
for arg in "$@"; do
  case "$arg" in
    -j[1-9]*) jobs="${arg#-j}" ;;
    *)
      echo "usage: $0 [-jN]" >&2
      exit 2
      ;;
  esac
done
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
tidy="${CLANG_TIDY:-clang-tidy}"
cd "$root"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# shellcheck source=../../scripts/lib/common.sh
source "$root/scripts/lib/common.sh"
# One line per translation unit: the build folder, then the source file.
for preset in "${presets[@]}"; do
  vorlix_configure "$preset" >"$work/configure-$preset.log" 2>&1 || {
    cat "$work/configure-$preset.log" >&2
    exit 1
  }
  python3 - "$root" "$root/build/$preset" >>"$work/all-units" <<'PY'
import json, os, sys
root, build = sys.argv[1], sys.argv[2]
for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    # The e2e helpers (the responder, the window inspector) are tools of the rig, not checked.
    if path.startswith(("src/", "tests/")) and not path.startswith(("tests/e2e/", "tests/network/")):
        print(build, path)
PY
done
# The portable layers compile alike in every tree (they know no platform): each source is checked
# in the first tree that compiles it.
awk '!seen[$2]++' "$work/all-units" >"$work/units"

check_unit() {
  local build="$1" file="$2" log
  log="$work/$(echo "$build/$file" | tr '/' '_').log"
  "$tidy" -p "$build" --quiet "$file" >"$log" 2>&1 || echo "exit $? $build $file" >>"$log"
}
export -f check_unit
export work tidy

count=$(wc -l <"$work/units")
echo "clang-tidy over $count translation units, $jobs at a time"
start=$SECONDS
xargs -P "$jobs" -L 1 bash -c 'check_unit "$0" "$1"' <"$work/units"

# A header's finding shows once for every unit that includes it: each is listed once.
cat "$work"/*.log | grep -vE '^[0-9]+ (warning|error)s? (generated|treated as errors)\.$' |
  grep -E '(warning|error): |^exit ' | sed "s|^$root/||" | sort -u >"$work/findings" || true
echo "took $((SECONDS - start)) s"
if [[ -s "$work/findings" ]]; then
  cat "$work/findings"
  echo "clang-tidy: $(grep -cv '^exit ' "$work/findings") findings"
  exit 1
fi
echo "clang-tidy: no findings"
