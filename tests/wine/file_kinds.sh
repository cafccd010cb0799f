#!/usr/bin/env bash
# Makes, for the file tests under Wine, one folder per kind of file that a user (or an attacker)
# may put at the settings file's name: links, a hard link, a read-only file, a pipe, a device,
# names planted beside it, a leftover of another user's, a folder that takes no new file (for a
# user who is not root) and a name too long for a temporary one beside it. Wine's own calls cannot make Unix links or pipes, so the tests find
# them here: tests/wine/file_kinds.sh DIR
set -euo pipefail
dir="$1"
[[ -d "$dir" ]] && chmod -R u+w "$dir"
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
old=$'MainFormPosX=10\r\nIP=198.18.0.35\r\n'

kind() { mkdir -p "$1/dotfiles" && cd "$1"; }

(kind absolute-link && printf '%s' "$old" >dotfiles/target.ini &&
  ln -s "$dir/absolute-link/dotfiles/target.ini" Vorlix.ini)
(kind relative-link && printf '%s' "$old" >dotfiles/target.ini &&
  ln -s dotfiles/target.ini Vorlix.ini)
(kind hard-link && printf '%s' "$old" >dotfiles/other.ini && ln dotfiles/other.ini Vorlix.ini)
(kind read-only && printf '%s' "$old" >Vorlix.ini && chmod 0444 Vorlix.ini)
(kind pipe && mkfifo Vorlix.ini)
(kind device && ln -s /dev/zero Vorlix.ini)
(kind planted && printf '%s' "$old" >Vorlix.ini && printf 'the victim\n' >victim &&
  ln -s victim Vorlix.ini.new && mkfifo Vorlix.ini.tmp)
(kind others-leftover && printf '%s' "$old" >Vorlix.ini && printf '%s' "$old" >.Vorlix.ini.Ab3dE6gH9j &&
  chown 12345:12345 .Vorlix.ini.Ab3dE6gH9j)
(kind locked-folder && printf '%s' "$old" >Vorlix.ini && chmod 0666 Vorlix.ini && chmod 0555 .)
(kind long-name && printf '%s' "$old" >"dotfiles/$(printf 'l%.0s' {1..250})" &&
  ln -s "dotfiles/$(printf 'l%.0s' {1..250})" Vorlix.ini)
