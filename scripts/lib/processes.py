"""Processes of the scripts and the rig: whether one has ended, ending one, and reading the
first line a process writes to a pipe.

    python3 scripts/lib/processes.py stop PID [--group] [--grace SECONDS]

`stop` sends SIGTERM (to the process group PID leads, with --group), waits up to the grace time
(5 s) for the process to end, then sends SIGKILL and waits 5 s more.
"""

import argparse
import os
import select
import signal
import sys
import time


def ended(pid):
    """True when the process has ended: gone, or a zombie that its parent has not yet
    collected (one whose parent is init waits for init to get round to it)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except (OSError, IndexError):
        return True


def group_ended(pgid):
    """True when every process of the group has ended (zombies have)."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if int(fields[2]) == pgid and fields[0] != "Z":
            return False
    return True


def kill(pid, sig, group=False):
    """Sends the signal to the process, or with group to the process group it leads; False,
    and nothing sent, when it has gone already."""
    try:
        (os.killpg if group else os.kill)(pid, sig)
    except ProcessLookupError:
        return False
    return True


def stop_pid(pid, group=False, grace=5):
    """Ends a process that need not be our child, or with group the whole process group it
    leads: SIGTERM, then SIGKILL after the grace time; returns once it has ended (or after 5 s
    more)."""
    gone = group_ended if group else ended
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5)):
        if not kill(pid, sig, group):
            return
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline:
            if gone(pid):
                return
            time.sleep(0.05)


def read_line(fd, timeout):
    """The first line written to a pipe, without its newline; "" if none comes in time.

    Xvfb writes its display number and the newline separately and ends with a fatal error
    when the second write fails, so the pipe stays open until the whole line is read.
    """
    deadline, data = time.monotonic() + timeout, b""
    while b"\n" not in data:
        ready, _, _ = select.select([fd], [], [], max(deadline - time.monotonic(), 0))
        chunk = os.read(fd, 64) if ready else b""
        if not chunk:
            return ""
        data += chunk
    return data.split(b"\n", 1)[0].decode()


def main(argv):
    parser = argparse.ArgumentParser(prog="processes.py")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("stop")
    p.add_argument("pid", type=int)
    p.add_argument("--group", action="store_true")
    p.add_argument("--grace", type=float, default=5)
    args = parser.parse_args(argv)
    stop_pid(args.pid, args.group, args.grace)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
