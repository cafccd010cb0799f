#!/usr/bin/env bash
# Builds the Linux platform tests and the GTK back-end tests when needed and runs both (as root)
# inside a fresh test network (the namespaces of tests/network/netns.sh with the responder's test
# hosts), removed again at the end. Each test program writes a JUnit XML report; the script
# prints where, and ends with a line "N passed, N failed, N skipped".
#
#   tests/linux/run.sh [--tree linux|linux-asan] [--xml-dir DIR] [GTEST_ARGS...]
# The tree defaults to linux-asan, so the tests run under ASan and UBSan; the reports go to
# build/<tree>/test-results unless --xml-dir says otherwise.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
tree=linux-asan
xml=""
while (($#)); do
  case "$1" in
    --tree) tree="$2"; shift 2 ;;
    --xml-dir) xml="$2"; shift 2 ;;
    *) break ;;
  esac
done
[[ "$tree" == linux || "$tree" == linux-asan ]] || { echo "run.sh: no tree '$tree'" >&2; exit 2; }
xml="${xml:-$repo/build/$tree/test-results}"

if [[ "$(id -u)" != 0 ]]; then
  echo "tests/linux/run.sh: needs root (network namespaces)" >&2
  exit 1
fi

# The tests of the tree, and the test network's responder from the Linux tree.
# shellcheck source=../../scripts/lib/common.sh
source "$repo/scripts/lib/common.sh"
vorlix_build "$tree" vorlix_linux_tests vorlix_gtk_tests >/dev/null
vorlix_build linux vorlix_responder >/dev/null
mkdir -p "$xml"
rm -f "$xml"/{linux,gtk,linux-user,gtk-user}.xml

id=$$
export VX_NETNS_STATE="$repo/build/$tree/netns-$id"
# shellcheck source=../network/netns.sh
source "$repo/tests/network/netns.sh"

# Both test programs, each with a time limit, as root and then as a user who is not root, as
# users run the program: a fault that root's rights hide (a folder root may write anyway) fails
# the second run. That user's copy of the programs and its reports live in a folder it owns.
user=vorlix-test
id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
own="$(mktemp -d)"
# netns.sh is written for shells without errexit.
trap 'set +e; vx_netns_down "$id"; rm -rf "$VX_NETNS_STATE" "$own"' EXIT
vx_netns_up "$id" >/dev/null
cp "$repo/build/$tree/vorlix_linux_tests" "$repo/build/$tree/vorlix_gtk_tests" "$own/"
chown -R "$user:" "$own"
chmod 0755 "$own"
as_user=(setpriv --reuid="$user" --regid="$user" --init-groups env HOME="$own" TMPDIR="$own")

status=0
run() { # WHO (root|user) REPORT PROGRAM [ARGS...]
  local who="$1" report="$2" program="$3" bin="$repo/build/$tree" out="$xml"
  shift 3
  local -a prefix=()
  if [[ "$who" == user ]]; then
    prefix=("${as_user[@]}")
    bin="$own" out="$own"
  fi
  # The back end's tests need a display of their own, and no accessibility bus.
  if [[ "$program" == vorlix_gtk_tests ]]; then
    prefix+=(env -u DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE=1 xvfb-run -a)
  fi
  vx_netns_exec "$id" timeout -k 10 300 "${prefix[@]}" "$bin/$program" \
    --gtest_output="xml:$out/$report" "$@" || status=1
  [[ "$who" == root ]] || cp "$own/$report" "$xml/" 2>/dev/null
}
run root linux.xml vorlix_linux_tests "$@"
run root gtk.xml vorlix_gtk_tests "$@"
run user linux-user.xml vorlix_linux_tests "$@"
run user gtk-user.xml vorlix_gtk_tests "$@"

for report in "$xml"/{linux,gtk,linux-user,gtk-user}.xml; do
  echo "junit: $report"
  [[ -f "$report" ]] || { echo "no report: $report"; status=1; }
done
# Counted as scripts/test counts them: scripts/lib/tally.py reads the reports as its layer
# "linux" (from a folder of its own that holds only a link to them).
counted="$(mktemp -d)"
ln -s "$xml" "$counted/linux-gtest"
counts=0
python3 "$repo/scripts/lib/tally.py" "$counted" || counts=1
rm -rf "$counted"
((status == 0 && counts == 0))
