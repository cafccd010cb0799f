#!/usr/bin/env bash
# Prints the figures of the settings file's saves (as root): see saves.py.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
id vxtest >/dev/null 2>&1 || useradd -m vxtest  # the user who is not root, for the cases
exec python3 "$here/saves.py" "$@"
