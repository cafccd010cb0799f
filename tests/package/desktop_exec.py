#!/usr/bin/python3
"""Prints, as a JSON list, the command that a desktop entry's Exec line starts, read as GLib
reads it for GNOME's and other GLib-based launchers: the key file's escapes undone, then the
line split as a shell would. Fails when the entry does not load (its TryExec program is not on
the PATH, for one; an entry looked up by its id also when its Exec program is missing) or its
line holds a field code, which this entry has no use for.

Usage: desktop_exec.py DESKTOP_FILE|DESKTOP_ID   (the system's python, which has GLib's
introspection). An id (org.example.App.desktop) is looked up as the desktop's menus look it up,
in the applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS.
"""

import json
import re
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402  (after the version is required)


def main(path):
    if "/" in path:
        # A file, which may be unpacked elsewhere than its Exec program: read as GLib reads
        # it, without the check that the program is there.
        entry = GLib.KeyFile()
        try:
            entry.load_from_file(path, GLib.KeyFileFlags.NONE)
            line = entry.get_string("Desktop Entry", "Exec")
            try_exec = entry.get_string("Desktop Entry", "TryExec")
        except GLib.Error as e:
            sys.exit(f"{path}: {e.message}")
        if not GLib.find_program_in_path(try_exec):
            sys.exit(f"{path}: its TryExec program {try_exec} is not on the PATH")
    else:
        try:
            info = Gio.DesktopAppInfo.new(path)
        except TypeError:  # the constructor gives no object
            info = None
        if info is None:
            sys.exit(f"{path} is not found or does not load as an application (is its TryExec "
                     f"or its Exec program missing?)")
        line = info.get_commandline()
    if re.search(r"%[a-zA-Z]", line):
        sys.exit(f"{path}: its Exec line holds a field code: {line}")
    _, argv = GLib.shell_parse_argv(line)
    print(json.dumps(argv))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
