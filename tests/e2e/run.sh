#!/usr/bin/env bash
# Builds the e2e helpers when needed (the responder in the Linux tree; wininspect.exe and the
# unprotected program in the Windows tree) and runs the e2e tests with pytest (as root).
#
#   tests/e2e/run.sh [--driver wine|linux] [--exe PATH] [--wm openbox|xfwm4|mutter|icewm]
#                    [-k NAME] [--junitxml FILE] [--keep]   (arguments go to pytest)
#   tests/e2e/run.sh --collect-only -q                       (list a lane's tests)
#   tests/e2e/run.sh --build-only                            (only build the helpers)
# The program under test defaults to build/windows/vorlix.exe (or $VORLIX_EXE) under Wine, and
# to build/linux/vorlix with --driver linux.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
source "$repo/scripts/lib/common.sh"
logs="$repo/build/e2e"
mkdir -p "$logs"

# Builds the targets of one preset, its output in build/e2e/build-PRESET.log.
helpers() {
  local preset="$1"
  shift
  vorlix_build "$preset" "$@" >"$logs/build-$preset.log" 2>&1 && return
  tail -20 "$logs/build-$preset.log" >&2
  echo "the e2e helpers of the $preset tree did not build; see $logs/build-$preset.log" >&2
  exit 1
}

# Runs side by side (scripts/test) build them once before, with VORLIX_E2E_HELPERS_BUILT=1 for
# each, so that no two builds run in one tree at once.
if [[ "${VORLIX_E2E_HELPERS_BUILT:-}" != 1 ]]; then
  helpers linux vorlix_responder
  # The Linux driver needs no Windows program.
  [[ " $* " == *" --driver linux "* ]] || helpers windows vorlix_wininspect vorlix_unprotected
fi

[[ "${1:-}" == "--build-only" ]] && exit 0
exec pytest-3 -v -s --tb=short "$here" "$@"
