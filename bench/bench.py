#!/usr/bin/env python3
"""Figures for the real program under Wine, inside the test network of the end-to-end tests.

  overhead  the panel's figure minus the responder's 350 ms, over 20 checks (min, median, max)
  idle      CPU time and resident memory of the running program over 30 s without a check
  size      the size of vorlix.exe
  startup   time from start to the status window shown, against a minimal Win32 window program
  large     start to the window shown and peak memory with settings files of 500 MB, and of
            10^6 short and 5 x 10^4 long UTF-8 keys, beside a normal one (the same files as the
            Linux benchmark's)

Usage (as root): bench/run.sh [--exe PATH] [overhead|idle|size|startup|large ...]
"""

import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import rig as e2e_rig  # noqa: E402  (the end-to-end rig: namespaces, responder, Xvfb)
import scenarios  # noqa: E402
from layout import STATUS  # noqa: E402
from wine_driver import WineDriver  # noqa: E402

MINIMAL = os.path.join(REPO, "build", "bench", "minimal_window.exe")
EXE = os.path.join(REPO, "build", "windows", "vorlix.exe")
RESPONDER_MS = 350


def seed(workdir, address):
    """A settings file aimed at a test host, with no periodic checks."""
    os.makedirs(workdir, exist_ok=True)
    scenarios.write_settings(workdir, {"IP": address, "TimeOut": 5000})


def program_pid(d):
    """The Linux pid of the vorlix.exe process of this run."""
    for pid in d.platform_pids():
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


def rss_kib(pid, field="VmRSS"):
    """A memory figure of the process from /proc/PID/status, in KiB (0 if it is not there)."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def start_seeded(d, name, address):
    workdir = os.path.join(d.rig.run_dir, name)
    seed(workdir, address)
    prog = d.start(workdir)
    return prog, scenarios.wait_window(d, STATUS, 30, prog)


def panel_figures(d, checks):
    """Presses "Check" of the program seeded for the 350 ms host CHECKS times, one check after
    another, and gives what the panel showed each time minus the host's delay, in ms."""
    start_seeded(d, "overhead", "198.18.0.35")
    x, y = e2e_rig.centre(scenarios.control(d, STATUS, "Button_Check").rect)
    panel = scenarios.control(d, STATUS, "Panel_Result").rect
    figures = []
    for _ in range(checks):
        d.rig.click(x, y)
        # A new result shows in white; the same figure may come twice, so the text cannot tell.
        e2e_rig.wait_until("a new result", lambda: d.rig.grab(panel).colours_in(panel),
                           lambda c: scenarios.WHITE in c, 5, interval=0.02)
        text = scenarios.panel_text(d)
        if not text.endswith("ms") or text == "TimeOut":
            raise SystemExit(f"unexpected panel text {text!r}")
        figures.append(int(text[:-2]) - RESPONDER_MS)
        # The run's pause ends with the blink; the next click must not start a nested run.
        problems = scenarios.rest_problems(d, text, scenarios.LIME, "bench_overhead")
        if problems:
            raise SystemExit("; ".join(problems))
    d.end_test()
    return figures


def bench_overhead(d):
    figures = panel_figures(d, 20)
    print(f"overhead over 20 checks against a {RESPONDER_MS} ms host: min {min(figures)} ms, "
          f"median {statistics.median(figures)} ms, max {max(figures)} ms  ({figures})")


def bench_idle(d):
    start_seeded(d, "idle", "198.18.0.20")
    time.sleep(2)  # past the start-up work, into the idle state being measured
    pid = program_pid(d)
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(30)
    used, elapsed = cpu_seconds(pid) - start_cpu, time.monotonic() - start
    print(f"idle: {used:.2f} s of CPU in {elapsed:.1f} s ({100 * used / elapsed:.2f} % of one "
          f"core); resident memory {rss_kib(pid) / 1024:.1f} MiB")
    d.end_test()


def bench_size(d):
    print(f"size: vorlix.exe is {os.path.getsize(d.exe)} bytes")


def time_to_window(d, argv, pattern, workdir):
    env = dict(os.environ, DISPLAY=d.rig.display)
    start = time.monotonic()
    popen = subprocess.Popen(d.rig.in_app_ns(["wine", *argv], d.env()), cwd=workdir,
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
    d.end_test()
    return shown * 1000


def bench_startup(d):
    workdir = os.path.join(d.rig.run_dir, "startup")
    seed(workdir, "198.18.0.20")
    program, minimal = [], []
    for _ in range(5):
        program.append(time_to_window(d, [d.exe], "^IP: ", workdir))
        minimal.append(time_to_window(d, [MINIMAL], "^Minimal$", workdir))
    print(f"start-up to the window shown (ms, median of 5; each start a fresh Wine session): "
          f"vorlix {statistics.median(program):.0f} ({', '.join(f'{v:.0f}' for v in program)}), "
          f"minimal window {statistics.median(minimal):.0f} "
          f"({', '.join(f'{v:.0f}' for v in minimal)})")


LARGE_MB = 500
# A start with a large settings file: the window within this, and at most this much more memory
# at the peak than a start with a normal file.
LARGE_WINDOW_MS = 2000
LARGE_PEAK_KIB = 16 * 1024


def write_large(path, head, line, tail, count=None):
    """A settings file of head, then line repeated (whole) count times or to about LARGE_MB,
    then tail."""
    with open(path, "wb") as f:
        f.write(head)
        if count is None:
            chunk = line * (4 * 1024 * 1024 // len(line))
            for _ in range(LARGE_MB // 4):
                f.write(chunk)
        else:
            for done in range(0, count, 10000):
                f.write(line * min(10000, count - done))
        f.write(tail)


# A key of 4,000 bytes of Japanese text (3 bytes a character) and one letter.
LONG_UTF8_KEY = "あ".encode() * 1333 + b"x"


def large_files(workdir):
    """(what, folder) of each start: a normal file, then files of LARGE_MB."""
    normal = scenarios.settings_bytes(dict(scenarios.SETTINGS_FILE, IP="198.18.0.20"))
    kinds = [
        ("normal file", None),
        ("500 MB of other keys, then the nine", (b"", b"Key12345=Value12345\r\n", normal)),
        ("500 MB on one line (a value of digits)", (b"MainFormPosX=", b"7" * 64, b"\r\n" + normal)),
        ("500 MB of blanks in a value, then the rest", (b"TimeOut=", b" " * 64,
                                                        b"5\r\n" + normal)),
        ("500 MB of lines without a key, then the nine", (b"", b"x" * 79 + b"\n", normal)),
        ("10^6 short UTF-8 keys, then the nine",
         (b"", "キー1234=値\r\n".encode(), normal, 1000000)),
        ("5 x 10^4 UTF-8 keys of 4,000 bytes (200 MB), then the nine",
         (b"", LONG_UTF8_KEY + "=値\r\n".encode(), normal, 50000)),
    ]
    for i, (what, parts) in enumerate(kinds):
        folder = os.path.join(workdir, f"large-{i}")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "Vorlix.ini")
        if parts is None:
            with open(path, "wb") as f:
                f.write(normal)
        else:
            write_large(path, *parts)
        yield what, folder


def bench_large(d):
    """The Windows program's start with each large settings file beside a normal one: the
    window (its class, whatever its caption) and the peak memory of the vorlix.exe process.
    Each start is a fresh Wine session, which alone takes seconds: the large files are judged
    by what they add to the normal file's start."""
    base = None
    for what, folder in large_files(os.path.join(d.rig.run_dir, "large")):
        subprocess.run(["cat", os.path.join(folder, "Vorlix.ini")], stdout=subprocess.DEVNULL,
                       check=True)
        start = time.monotonic()
        prog = d.start(folder)
        scenarios.wait_window(d, STATUS, 30, prog)
        took = (time.monotonic() - start) * 1000
        peak = rss_kib(program_pid(d), "VmHWM")
        d.end_test()
        os.remove(os.path.join(folder, "Vorlix.ini"))
        if base is None:
            base = (took, peak)
            print(f"{what}: window after {took:.0f} ms (seen by the driver), peak "
                  f"{peak / 1024:.1f} MiB", flush=True)
            continue
        added, more = took - base[0], peak - base[1]
        met = added <= LARGE_WINDOW_MS and more <= LARGE_PEAK_KIB
        print(f"{what}: window after {took:.0f} ms ({added:+.0f}), peak {peak / 1024:.1f} MiB "
              f"({more / 1024:+.1f}): {'met' if met else 'NOT met'}", flush=True)


BENCHES = {"overhead": bench_overhead, "idle": bench_idle, "size": bench_size,
           "startup": bench_startup, "large": bench_large}


def main():
    chosen = sys.argv[1:]
    exe = EXE
    if chosen[:1] == ["--exe"]:
        exe, chosen = os.path.abspath(chosen[1]), chosen[2:]
    chosen = chosen or list(BENCHES)
    the_rig = e2e_rig.Rig(keep=False)
    d = WineDriver(the_rig, exe)
    try:
        the_rig.setup()
        d.setup()
        for name in chosen:
            BENCHES[name](d)
    finally:
        d.teardown()
        the_rig.teardown()


if __name__ == "__main__":
    main()
