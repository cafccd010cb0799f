"""A window manager on the display, for scripts/run: the same command line, and the same sign
that it manages the display, as the end-to-end tests' desktop session (linux_session.py).

    python3 scripts/lib/window_manager.py start [openbox|xfwm4|mutter|icewm]   prints its pid
    python3 scripts/lib/window_manager.py stop PID

Started from the command line, it keeps running after the script ends (in a session of its own),
and `stop` ends it. Only one that needs no services on the session bus starts here.
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tests", "e2e"))
from processes import stop_pid  # noqa: E402
from linux_session import WINDOW_MANAGERS, manages, wait_for  # noqa: E402
from rig import Failure  # noqa: E402


def start(wm="openbox"):
    """Starts the window manager on $DISPLAY and waits until it manages it; its Popen."""
    argv, name, _, services = WINDOW_MANAGERS[wm]
    if services:
        raise Failure(f"{wm} needs services on the session bus: use the desktop session")
    popen = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        wait_for(f"{wm} to manage the display", lambda: manages(subprocess.run(
            ["wmctrl", "-m"], capture_output=True, text=True).stdout, name), popen, 20)
    except Failure:
        stop_pid(popen.pid)
        raise
    return popen


def main(argv):
    if argv[:1] == ["stop"] and len(argv) == 2 and argv[1].isdigit():
        stop_pid(int(argv[1]))
        return 0
    if argv[:1] != ["start"] or len(argv) > 2 or argv[1:] and argv[1] not in WINDOW_MANAGERS:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    try:
        print(start(*argv[1:]).pid)
    except Failure as e:
        print(e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
