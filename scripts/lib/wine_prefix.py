"""Wine prefixes for scripts/run, scripts/test and the end-to-end tests: making one, and setting
it up for a display without a window manager (Xvfb) or back for a desktop.

    python3 scripts/lib/wine_prefix.py make PREFIX [--display bare|desktop] [-- WRAP...]
    python3 scripts/lib/wine_prefix.py display PREFIX bare|desktop [-- WRAP...]
    python3 scripts/lib/wine_prefix.py remove-server-dir PREFIX

WRAP is a command prefix that the Wine processes run under (a network namespace, for instance),
so that the prefix's services start where the program will run.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

# No session or system bus for these Wine processes, nor for what the e2e rig starts
# (no-bus.env says why).
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "no-bus.env")) as _f:
    NO_BUS = dict(line.rstrip("\n").split("=", 1) for line in _f if not line.startswith("#"))
# No Mono or Gecko installer, and no menu entries written into the user's home.
QUIET_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
X11_KEY = r"HKCU\Software\Wine\X11 Driver"
MARLETT = "/usr/share/wine/fonts/marlett.ttf"
WINE32 = "/usr/lib/wine/wine"


def _wine(prefix, wrap, argv, timeout=300, **extra):
    """Runs argv for the prefix under wrap, quietly; its exit status."""
    env = {**NO_BUS, "WINEPREFIX": os.path.abspath(prefix), **extra}
    env = [f"{k}={v}" for k, v in env.items()]
    return subprocess.run([*wrap, "env", *env, *argv], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode


# Making a prefix (wineboot -i) takes half a minute; a prefix is a folder of files, so each is a
# copy of one made once per user, kept in the build folder.
TEMPLATES = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "build", "wine-template")


def is_made(prefix):
    """Whether the prefix is made, and made since Wine's 32-bit part was installed (a prefix made
    before starts nothing once it is)."""
    return os.path.isfile(os.path.join(prefix, "system.reg")) and not (
        os.access(WINE32, os.X_OK) and not os.path.isfile(
            os.path.join(prefix, "drive_c", "windows", "syswow64", "ntdll.dll")))


def make(prefix, wrap=(), display=None):
    """Makes the prefix if it is not there yet, as a copy of the user's template prefix (made
    first when needed), then sets it up for the display ("bare" or "desktop") when one is
    given."""
    if not is_made(prefix):
        template = os.path.join(TEMPLATES, str(os.getuid()))
        if not is_made(template):
            shutil.rmtree(template, ignore_errors=True)
            os.makedirs(template)
            _wine(template, wrap, ["wineboot", "-i"], WINEDEBUG="-all",
                  WINEDLLOVERRIDES=QUIET_OVERRIDES)
            # Marlett draws the buttons of the caption bars that Wine draws itself.
            if os.path.isfile(MARLETT):
                shutil.copy(MARLETT, os.path.join(template, "drive_c", "windows", "Fonts"))
            _wine(template, wrap, ["wineserver", "-w"])
        shutil.rmtree(prefix, ignore_errors=True)
        # The name of the template's wineserver folder is the template's own.
        shutil.copytree(template, prefix, symlinks=True,
                        ignore=lambda folder, _: ["wineserver"] if folder == template else [])
    if display:
        set_display(prefix, display, wrap)


def set_display(prefix, kind, wrap=()):
    """Bare: Wine draws the frames itself, and its windows are unmanaged, since with no window
    manager to answer Wine would wait 2 s whenever it hides a shown window. Desktop: the window
    manager's frames and management again."""
    if kind not in ("bare", "desktop"):
        raise ValueError(f"display must be bare or desktop, not {kind!r}")
    for name in ("Decorated", "Managed"):
        if kind == "bare":
            argv = ["wine", "reg", "add", X11_KEY, "/v", name, "/d", "N", "/f"]
        else:
            argv = ["wine", "reg", "delete", X11_KEY, "/v", name, "/f"]
        _wine(prefix, wrap, argv, WINEDEBUG="-all")
    _wine(prefix, wrap, ["wineserver", "-w"])


def remove_server_dir(prefix):
    """Removes the folder that Debian's Wine makes under /tmp for a prefix's wineserver (its
    name is kept in the prefix), once nothing of the prefix runs."""
    try:
        with open(os.path.join(prefix, "wineserver")) as f:
            name = f.read().strip()
    except OSError:
        return
    if re.fullmatch(r"wine-[A-Za-z0-9]{6}", name):
        shutil.rmtree(os.path.join("/tmp", name), ignore_errors=True)


def main(argv):
    wrap = []
    if "--" in argv:
        at = argv.index("--")
        argv, wrap = argv[:at], argv[at + 1:]
    parser = argparse.ArgumentParser(prog="wine_prefix.py")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("make")
    p.add_argument("prefix")
    p.add_argument("--display", choices=("bare", "desktop"))
    p = sub.add_parser("display")
    p.add_argument("prefix")
    p.add_argument("kind", choices=("bare", "desktop"))
    sub.add_parser("remove-server-dir").add_argument("prefix")
    args = parser.parse_args(argv)
    if args.command == "make":
        make(args.prefix, wrap, args.display)
    elif args.command == "display":
        set_display(args.prefix, args.kind, wrap)
    else:
        remove_server_dir(args.prefix)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
