"""Xvfb on a free display, for scripts/run, scripts/test, the end-to-end tests and the
benchmarks.

    python3 scripts/lib/xvfb.py start [--log FILE] [--noreset]   prints ":N PID"
    python3 scripts/lib/xvfb.py stop PID

From the command line Xvfb keeps running after the script ends (in a session of its own), and
`stop` ends it.
"""

import argparse
import os
import random
import subprocess
import sys

from processes import read_line, stop_pid

SCREEN = (1024, 768)


class NoDisplay(Exception):
    pass


def start(log_path=os.devnull, noreset=False):
    """Starts Xvfb on a free display and waits until it says, through -displayfd, that it
    takes connections; returns (":N", popen). The display is picked at random above 200, away
    from the numbers that tools use by default, and another is tried when one is taken. Raises
    NoDisplay, with the end of Xvfb's log, when none comes up."""
    screen = f"{SCREEN[0]}x{SCREEN[1]}x24"
    said = ""
    for n in random.sample(range(200, 1000), 20):
        if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            continue
        read_end, write_end = os.pipe()
        with open(log_path, "w") as log:
            popen = subprocess.Popen(
                ["Xvfb", f":{n}", "-displayfd", str(write_end), "-screen", "0", screen,
                 "-nolisten", "tcp", *(["-noreset"] if noreset else [])],
                stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                pass_fds=(write_end,), start_new_session=True)
        os.close(write_end)
        try:
            number = read_line(read_end, 15)
        finally:
            os.close(read_end)
        if number == str(n):
            return f":{n}", popen
        ended = popen.poll()
        stop(popen)
        if log_path != os.devnull:
            with open(log_path, errors="replace") as log:
                said = log.read()[-300:]
        if ended is None:  # it neither came up nor gave up: something else is wrong
            break
    raise NoDisplay(f"Xvfb gave no display: {said!r}")


def stop(popen):
    if popen.poll() is None:
        popen.terminate()
        try:
            popen.wait(timeout=5)
        except subprocess.TimeoutExpired:
            popen.kill()
            popen.wait()


def main(argv):
    parser = argparse.ArgumentParser(prog="xvfb.py")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("start")
    p.add_argument("--log", default=os.devnull)
    p.add_argument("--noreset", action="store_true")
    sub.add_parser("stop").add_argument("pid", type=int)
    args = parser.parse_args(argv)
    if args.command == "stop":
        stop_pid(args.pid)
        return 0
    try:
        display, popen = start(args.log, args.noreset)
    except NoDisplay as e:
        print(e, file=sys.stderr)
        return 1
    print(display, popen.pid)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
