#!/usr/bin/env python3
"""Figures for the real program under Wine, inside the test network of the end-to-end tests.

  overhead  the panel's figure minus the responder's 350 ms, over 20 checks (min, median, max)
  idle      CPU time and resident memory of the running program over 30 s without a check
  size      the size of vorlix.exe
  startup   time from start to the status window shown, against a minimal Win32 window program

Usage (as root): bench/run.sh [overhead|idle|size|startup ...]
"""

import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import e2e  # noqa: E402  (the rig: namespaces, responder, Xvfb, the Wine prefix)

MINIMAL = os.path.join(REPO, "build", "bench", "minimal_window.exe")
RESPONDER_MS = 350


def seed(workdir, address):
    """A settings file aimed at a test host, with no periodic checks."""
    os.makedirs(workdir, exist_ok=True)
    e2e.write_settings(workdir, {"IP": address, "TimeOut": 5000})


def program_pid(rig):
    """The Linux pid of the vorlix.exe process of this run."""
    for pid in rig.wine_pids():
        try:
            with open(f"/proc/{pid}/comm") as f:
                if f.read().strip() == "vorlix.exe":
                    return pid
        except OSError:
            pass
    return None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def start_seeded(rig, name, address):
    workdir = os.path.join(rig.run_dir, name)
    os.makedirs(workdir, exist_ok=True)
    prog = rig.start_program(workdir, settings={"IP": address, "TimeOut": 5000})
    main = rig.wait_window(e2e.MAIN_CLASS, 30, prog)
    return prog, main


def bench_overhead(rig):
    prog, main = start_seeded(rig, "overhead", "198.18.0.35")
    button = next(k for k in rig.children(main["hwnd"]) if k["class"].lower() == "button")
    x, y = e2e.centre(button["rect"])
    figures = []
    for _ in range(20):
        rig.click(x, y)
        time.sleep((RESPONDER_MS + 1000 + 400) / 1000)  # the echo, the pause, and some room
        text = rig.panel_text(main)
        if not text.endswith("ms") or text == "TimeOut":
            raise SystemExit(f"unexpected panel text {text!r}")
        figures.append(int(text[:-2]) - RESPONDER_MS)
    rig.stop_programs()
    print(f"overhead over 20 checks against a {RESPONDER_MS} ms host: min {min(figures)} ms, "
          f"median {statistics.median(figures)} ms, max {max(figures)} ms  ({figures})")


def bench_idle(rig):
    prog, _ = start_seeded(rig, "idle", "198.18.0.20")
    time.sleep(2)
    pid = program_pid(rig)
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(30)
    used, elapsed = cpu_seconds(pid) - start_cpu, time.monotonic() - start
    print(f"idle: {used:.2f} s of CPU in {elapsed:.1f} s ({100 * used / elapsed:.2f} % of one "
          f"core); resident memory {rss_kib(pid) / 1024:.1f} MiB")
    rig.stop_programs()


def bench_size(rig):
    print(f"size: vorlix.exe is {os.path.getsize(rig.exe)} bytes")


def time_to_window(rig, argv, pattern, workdir):
    env = dict(os.environ, DISPLAY=rig.display)
    start = time.monotonic()
    popen = subprocess.Popen(rig.in_app_ns(["wine", *argv]), cwd=workdir,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while time.monotonic() - start < 30:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                               capture_output=True, env=env)
        if found.returncode == 0 and found.stdout.strip():
            shown = time.monotonic() - start
            break
        time.sleep(0.005)
    else:
        shown = float("nan")
    for window in found.stdout.split():
        subprocess.run(["xdotool", "windowclose", window], env=env, capture_output=True)
    popen.kill()
    popen.wait()
    rig.wait_wine_gone(20)
    return shown * 1000


def bench_startup(rig):
    workdir = os.path.join(rig.run_dir, "startup")
    seed(workdir, "198.18.0.20")
    program, minimal = [], []
    for _ in range(5):
        program.append(time_to_window(rig, [rig.exe], "^IP: ", workdir))
        minimal.append(time_to_window(rig, [MINIMAL], "^Minimal$", workdir))
    print(f"start-up to the window shown (ms, median of 5; each start a fresh Wine session): "
          f"vorlix {statistics.median(program):.0f} ({', '.join(f'{v:.0f}' for v in program)}), "
          f"minimal window {statistics.median(minimal):.0f} "
          f"({', '.join(f'{v:.0f}' for v in minimal)})")


BENCHES = {"overhead": bench_overhead, "idle": bench_idle, "size": bench_size,
           "startup": bench_startup}


def main():
    chosen = sys.argv[1:] or list(BENCHES)
    rig = e2e.Rig(e2e.DEFAULT_EXE, keep=False)
    try:
        rig.setup()
        for name in chosen:
            BENCHES[name](rig)
    finally:
        rig.stop_programs()
        rig.teardown()


if __name__ == "__main__":
    main()
