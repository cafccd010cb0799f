#!/usr/bin/env python3
"""Figures for the native Linux program beside bare yardsticks, in one run, inside the test
network of the end-to-end tests and the desktop session of their Linux driver (buses, openbox):

  overhead  the panel's figure for the 350 ms host over 20 checks, against a bare ICMP echo over
            a datagram socket timed around itself (bare_echo.py); goal: median at most 1 ms above
  idle      CPU time over 30 s with the window shown, and resident memory, against a bare GTK 3
            window with a 200 ms timer (bare_window.c), both running at once; goals: at most
            1.2x the CPU, at most 3 MiB more memory; and at most 2 MiB more than the bare window
            with a button and one Japanese label
  startup   start to the window shown (taken on by openbox), median of 7 starts, against the
            same bare window; goal: at most 1.2x
  large     start to the window shown, and the peak resident memory, with settings files of
            500 MB, and of 10^6 short and 5 x 10^4 long UTF-8 keys, beside a normal one; goals:
            within 2 s, at most 16 MiB more at the peak
The bare window with one label ("Check") is shown beside, for what any text costs.

Usage (as root): bench/linux.sh [--exe PATH] [overhead|idle|startup ...]
"""

import argparse
import os
import re
import select
import signal
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import rig as e2e_rig  # noqa: E402  (the end-to-end rig: namespaces, responder, Xvfb)
from bench import (LARGE_PEAK_KIB, LARGE_WINDOW_MS, RESPONDER_MS, large_files,  # noqa: E402
                   panel_figures, rss_kib, seed, start_seeded)
from linux_driver import LinuxDriver  # noqa: E402
from layout import STATUS  # noqa: E402
import scenarios  # noqa: E402

BARE_WINDOW = os.path.join(REPO, "build", "bench", "bare_window")
BARE_ECHO = os.path.join(HERE, "bare_echo.py")
CHECKS = 20
IDLE_S = 30
STARTS = 7


def cpu_seconds(pid):
    """CPU time of all the process's threads, from the scheduler's nanosecond counts (the
    clock ticks of /proc/PID/stat are too coarse for an idle program)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as f:
            total += int(f.read().split()[0])
    return total / 1e9


def private_kib(pid):
    """Resident memory of the process's own (anonymous) pages, shared libraries left out."""
    return rss_kib(pid, "RssAnon")


def warm_up(d):
    """One start of each program, not measured: the first start after a new home folder fills
    caches (Mesa's shader cache, which GTK's OpenGL probe at start-up uses) that every later
    start, as on a user's desktop, finds filled."""
    bare = start_bare(d)
    start_seeded(d, "warm-up", "198.18.0.20")
    e2e_rig.wait_until("the bare window to show", lambda: shown(d, "^Bare window$"), bool, 30)
    stop(bare)
    d.end_test()


def start_bare(d, *text):
    return subprocess.Popen(d.rig.in_app_ns([BARE_WINDOW, *text], d.session.env()),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)


def shown(d, pattern):
    """The ids of the visible windows whose title matches."""
    return d.session.x(["xdotool", "search", "--onlyvisible", "--name", pattern],
                       check_rc=False).stdout.split()


def stop(popen):
    popen.send_signal(signal.SIGTERM)  # both programs end cleanly on it
    try:
        popen.wait(10)
    except subprocess.TimeoutExpired:
        popen.kill()
        popen.wait()


def bench_overhead(d):
    figures = panel_figures(d, CHECKS)
    p = e2e_rig.run(d.rig.in_app_ns([sys.executable, BARE_ECHO, "198.18.0.35", str(CHECKS)],
                                    d.rig.base_env()), timeout=CHECKS * 8)
    bare = [float(line) - RESPONDER_MS for line in p.stdout.split()]
    above = statistics.median(figures) - statistics.median(bare)
    return [("overhead over the 350 ms host, median of 20 (ms)",
             f"{statistics.median(figures):.1f}", f"{statistics.median(bare):.2f}",
             "+1 ms at most", f"{above:+.2f} ms", above <= 1),
            ("  min / max (ms)", f"{min(figures)} / {max(figures)}",
             f"{min(bare):.2f} / {max(bare):.2f}", "", "", None)]


def bench_idle(d):
    prog, _ = start_seeded(d, "idle", "198.18.0.20")
    bare, labelled = start_bare(d), start_bare(d, "Check")
    with_button = start_bare(d, "タイムアウト", "Check")
    e2e_rig.wait_until("the bare windows to show", lambda: len(shown(d, "^Bare window$")) == 3,
                       bool, 30)
    time.sleep(2)  # past the start-up work, into the idle state being measured
    pids = (prog.popen.pid, bare.pid, labelled.pid, with_button.pid)
    before, start = [cpu_seconds(p) for p in pids], time.monotonic()
    time.sleep(IDLE_S)
    elapsed = time.monotonic() - start
    used = [cpu_seconds(p) - b for p, b in zip(pids, before)]
    rss = [rss_kib(p) / 1024 for p in pids]
    own = [private_kib(p) / 1024 for p in pids]
    stop(bare)
    stop(labelled)
    stop(with_button)
    d.end_test()
    ratio = used[0] / used[1] if used[1] else float("inf")
    return [(f"idle CPU over {elapsed:.0f} s, window shown (s)", f"{used[0]:.3f}",
             f"{used[1]:.3f}", "1.2x at most", f"{ratio:.2f}x", ratio <= 1.2),
            ("resident memory (MiB)", f"{rss[0]:.1f}", f"{rss[1]:.1f}", "+3 MiB at most",
             f"{rss[0] - rss[1]:+.1f} MiB", rss[0] - rss[1] <= 3),
            ("  of it the process's own, without shared files (MiB)", f"{own[0]:.1f}",
             f"{own[1]:.1f}", "", f"{own[0] - own[1]:+.1f} MiB", None),
            ("  the bare window with a label: CPU (s), memory (MiB)", "",
             f"{used[2]:.3f}, {rss[2]:.1f}", "", f"{rss[0] - rss[2]:+.1f} MiB", None),
            ("resident memory beside a button and a Japanese label (MiB)", f"{rss[0]:.1f}",
             f"{rss[3]:.1f}", "+2 MiB at most", f"{rss[0] - rss[3]:+.1f} MiB",
             rss[0] - rss[3] <= 2)]


class NewWindows:
    """The window manager's list of the windows it shows (_NET_CLIENT_LIST on the root window),
    followed through xprop -spy: a new window is seen as openbox takes it on and maps it, with
    no polling that would take the processor from the start being timed."""

    def __init__(self, d):
        self.popen = subprocess.Popen(
            ["stdbuf", "-oL", "xprop", "-root", "-spy", "_NET_CLIENT_LIST"], text=True,
            stdout=subprocess.PIPE, env=dict(os.environ, DISPLAY=d.rig.display))
        self.known = self._ids(self.popen.stdout.readline())

    @staticmethod
    def _ids(line):
        return set(re.findall(r"0x[0-9a-f]+", line))

    def wait(self, timeout):
        """The monotonic time at which a window not listed before was listed."""
        deadline = time.monotonic() + timeout
        while select.select([self.popen.stdout], [], [], max(deadline - time.monotonic(), 0))[0]:
            ids = self._ids(self.popen.stdout.readline())
            new, self.known = ids - self.known, ids
            if new:
                return time.monotonic()
        raise SystemExit(f"no new window within {timeout} s")

    def close(self):
        self.popen.kill()
        self.popen.wait()


def time_to_window(windows, start):
    """Milliseconds from the start to the window shown; the program is ended after."""
    t0 = time.monotonic()
    popen = start()
    took = (windows.wait(30) - t0) * 1000
    stop(popen)
    return took


def bench_startup(d):
    workdir = os.path.join(d.rig.run_dir, "startup")
    seed(workdir, "198.18.0.20")
    program, bare, labelled = [], [], []
    windows = NewWindows(d)
    try:
        for _ in range(STARTS):
            program.append(time_to_window(windows, lambda: d.start(workdir).popen))
            d.end_test()
            bare.append(time_to_window(windows, lambda: start_bare(d)))
            labelled.append(time_to_window(windows, lambda: start_bare(d, "Check")))
    finally:
        windows.close()
    ratio = statistics.median(program) / statistics.median(bare)
    with_text = statistics.median(program) / statistics.median(labelled)
    return [(f"start-up to the window shown, median of {STARTS} (ms)",
             f"{statistics.median(program):.0f}", f"{statistics.median(bare):.0f}",
             "1.2x at most", f"{ratio:.2f}x", ratio <= 1.2),
            ("  each (ms)", " ".join(f"{v:.0f}" for v in program),
             " ".join(f"{v:.0f}" for v in bare), "", "", None),
            ("  the bare window with a label (ms)", "", f"{statistics.median(labelled):.0f}", "",
             f"{with_text:.2f}x", None)]


def bench_large(d):
    rows, base = [], None
    windows = NewWindows(d)
    try:
        for what, folder in large_files(os.path.join(d.rig.run_dir, "large")):
            # Read once beforehand, as a file that was just written sits in the page cache.
            subprocess.run(["cat", os.path.join(folder, "Vorlix.ini")],
                           stdout=subprocess.DEVNULL, check=True)
            t0 = time.monotonic()
            prog = d.start(folder)
            took = (windows.wait(30) - t0) * 1000
            peak = rss_kib(prog.popen.pid, "VmHWM")
            after = rss_kib(prog.popen.pid)
            title = scenarios.wait_window(d, STATUS, 10, prog).title
            stop(prog.popen)
            d.end_test()
            os.remove(os.path.join(folder, "Vorlix.ini"))
            if base is None:
                base = peak
                rows.append((f"{what}: window (ms), peak / after (MiB), caption", f"{took:.0f}",
                             f"{peak / 1024:.1f} / {after / 1024:.1f}", title, "", None))
                continue
            met = took <= LARGE_WINDOW_MS and peak - base <= LARGE_PEAK_KIB
            rows.append((f"{what}: window (ms), peak / after (MiB), caption", f"{took:.0f}",
                         f"{peak / 1024:.1f} / {after / 1024:.1f}", title,
                         f"{(peak - base) / 1024:+.1f} MiB at the peak", met))
    finally:
        windows.close()
    return rows


BENCHES = {"overhead": bench_overhead, "idle": bench_idle, "startup": bench_startup,
           "large": bench_large}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", default=os.path.join(REPO, "build", "linux", "vorlix"))
    ap.add_argument("benches", nargs="*", help=" ".join(BENCHES) + " (all when none)")
    args = ap.parse_args()
    unknown = set(args.benches) - set(BENCHES)
    if unknown:
        ap.error(f"no bench {', '.join(sorted(unknown))}")
    the_rig = e2e_rig.Rig(keep=False)
    d = LinuxDriver(the_rig, os.path.abspath(args.exe), "datagram")
    rows = []
    try:
        the_rig.setup()
        d.setup()
        warm_up(d)
        for name in args.benches or list(BENCHES):
            rows += BENCHES[name](d)
    finally:
        d.teardown()
        the_rig.teardown()
    head = ("", "vorlix", "yardstick", "goal", "vorlix against it", "met")
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(5)]
    print(f"{args.exe}, in the test network, beside a bare ICMP echo and a bare GTK 3 window:")
    for r in [head] + rows:
        met = {True: "yes", False: "NO", None: ""}.get(r[5], r[5])
        print("  ".join(str(c).ljust(w) for c, w in zip(r[:5], widths)) + "  " + met)


if __name__ == "__main__":
    main()
