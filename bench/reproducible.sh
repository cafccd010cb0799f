#!/usr/bin/env bash
# Builds one commit twice, in two fresh clones in folders of different names and depths, one
# after the other, and prints the SHA-256 of what each build gives side by side: the Linux
# program (as built, and as the Debian package installs it), both Windows programs, the Debian
# package, both zips and both Windows Installer packages. Ends with 0 when every pair is the
# same, 1 otherwise.
#
#   bench/reproducible.sh [COMMIT]      (the checkout's HEAD by default; about 10 minutes)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/.." && pwd)"
commit="$(git -C "$repo" rev-parse --verify "${1:-HEAD}^{commit}")"

work="$(mktemp -d /tmp/vorlix-reproducible.XXXXXX)"
trap 'rm -rf "$work"' EXIT
clones=("$work/a/vorlix" "$work/second-build/deeper/folder/checkout")
presets=(linux windows windows-i686)

for clone in "${clones[@]}"; do
  echo "building $commit in $clone"
  git clone -q --no-checkout "$repo" "$clone"
  git -C "$clone" checkout -q --detach "$commit"
  for preset in "${presets[@]}"; do
    if ! (cd "$clone" && cmake --preset "$preset" && cmake --build --preset "$preset" -j2 \
      --target vorlix && cpack --preset "$preset") >"$clone.$preset.log" 2>&1; then
      tail -20 "$clone.$preset.log"
      echo "the $preset build failed in $clone" >&2
      exit 1
    fi
  done
  # The program as the package installs it (stripped).
  deb=("$clone"/build/linux/vorlix_*.deb)
  mkdir -p "$clone/build/unpacked"
  dpkg-deb -x "${deb[0]}" "$clone/build/unpacked"
done

outputs=(build/linux/vorlix build/unpacked/usr/bin/vorlix build/windows/vorlix.exe
  build/windows-i686/vorlix.exe)
for preset in "${presets[@]}"; do
  while read -r _ name; do
    outputs+=("build/$preset/$name")
  done <"${clones[0]}/build/$preset/SHA256SUMS"
done

hash_of() { if [[ -f "$1" ]]; then sha256sum "$1" | cut -d' ' -f1; else echo missing; fi; }
differ=0
printf '%s\n\n%-44s %-64s  %s\n' "commit $commit" "file" "first build" "second build"
for output in "${outputs[@]}"; do
  first="$(hash_of "${clones[0]}/$output")"
  second="$(hash_of "${clones[1]}/$output")"
  mark=""
  if [[ "$first" != "$second" || "$first" == missing ]]; then
    mark="  DIFFERENT"
    differ=1
  fi
  printf '%-44s %-64s  %s%s\n' "$output" "$first" "$second" "$mark"
done
if ((differ)); then
  echo "the two builds differ"
  exit 1
fi
echo "the two builds are the same, byte for byte"
