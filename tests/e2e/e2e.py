#!/usr/bin/env python3
"""End-to-end tests of vorlix.exe under Wine on Xvfb, inside network namespaces made for the run.

Usage: e2e.py [--exe PATH] [-k SUBSTRING] [--keep] [--list]
  (as root; the exe may also come from $VORLIX_EXE; build the helpers first, see run.sh)

Every Wine process of the run (wineboot, the program, wininspect, wineserver) is started inside
vx-app-PID, whose only interfaces are lo and a veth to vx-hosts-PID (198.18.0.0/24, the responder).
Each program start gets a fresh working folder with a Vorlix.ini aimed at a test host (SETTINGS).
Prints "PASS name" / "FAIL name: reason" per test and "N passed, N failed" at the end.
To add a test: write a function taking the rig, decorate it with @test("name"), use the Rig
helpers (start_program, wait_window, find_window, children, panel_text, screenshot, click, ...).
"""

import argparse
import collections
import ipaddress
import json
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.join(REPO, "build", "e2e")
SHOTS = os.path.join(BUILD, "shots")
NETNS_SH = os.path.join(HERE, "netns.sh")
WININSPECT = os.path.join(BUILD, "wininspect.exe")
DEFAULT_EXE = os.path.join(REPO, "build", "windows", "vorlix.exe")

TEST_NET = ipaddress.ip_network("198.18.0.0/24")
# Test hosts served by the responder (address -> delay in ms, None = never answers).
HOSTS = {"198.18.0.20": 20, "198.18.0.35": 350, "198.18.0.65": 650, "198.18.0.95": 950,
         "198.18.0.99": None}

# In vx-app-N, 198.18.0.128/25 is an "unreachable" route: sending there fails at once.
UNREACHABLE = "198.18.0.200"
# Vorlix.ini written into each working folder (unless a test asks for none): a test host as the
# target, no periodic checks, the windows on the screen. Keys and order as the program writes them.
SETTINGS = {"MainFormPosX": 100, "MainFormPosY": 100, "ConfigFormPosX": 201,
            "ConfigFormPosY": 107, "IP": "198.18.0.20", "TimeOut": 2000, "AutoPing": 0,
            "PingTime": 1, "StayOnTop": 0}

MAIN_CLASS = "TForm_Main"
SCREEN = (1024, 768)
BASE_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
RUN_BUDGET_S = 540  # the whole run, set-up and clean-up included, stays below 10 minutes

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
CYAN, LIME, YELLOW = (0, 255, 255), (0, 255, 0), (255, 255, 0)
RED, MAGENTA = (255, 0, 0), (255, 0, 255)
# Upper bound (exclusive) of each band in ms and its panel colour.
BANDS = [(300, CYAN), (600, LIME), (900, YELLOW), (float("inf"), RED)]
RESULT_RE = re.compile(r"^(-?\d+)ms$|^TimeOut$")
MSGBOX_CAPTION = "アプリケーション エラー"
MSGBOX_LINE1_RE = re.compile(
    r"^EICMPErrorがモジュール vorlix\.exe の [0-9A-F]{8} で発生しました。$")
MSGBOX_LINE2 = "必要なファイル ICMP.DLL が見つかりません。."

WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x40000, 0x20000, 0x10000
WS_EX_TOOLWINDOW = 0x80


class Failure(Exception):
    """A test's expectation was not met."""


def exit_text(rc):
    """An exit status as the tests report it."""
    if rc is None:
        return "still running"
    if rc < 0:
        return f"killed by signal {-rc} (not an exit of its own)"
    return f"exit code {rc}"


def check(cond, message):
    if not cond:
        raise Failure(message)


def band_colour(text):
    """The panel colour that goes with a result text ("23ms", "TimeOut")."""
    if text == "TimeOut":
        return MAGENTA
    ms = int(RESULT_RE.match(text).group(1))
    return next(colour for limit, colour in BANDS if ms < limit)


def run(cmd, timeout=30, check_rc=True, **kw):
    """Runs a command with a time limit; returns a CompletedProcess with text stdout/stderr.

    Output goes through files, not pipes: the first Wine process of a prefix starts the
    wineserver and system processes, which inherit its stdout and keep a pipe open long after.
    """
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        popen = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, **kw)
        try:
            rc = popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            popen.kill()
            popen.wait()
            raise
        out.seek(0)
        err.seek(0)
        p = subprocess.CompletedProcess(cmd, rc, out.read().decode("utf-8", "replace"),
                                        err.read().decode("utf-8", "replace"))
    if check_rc and p.returncode != 0:
        said = (p.stderr or p.stdout).strip()[-400:]
        raise Failure(f"{' '.join(cmd[-3:])} exited {p.returncode}: {said}")
    return p


# ---------------------------------------------------------------------------------------------
# Screenshots


class Shot:
    """A screenshot of the whole Xvfb screen, saved as PNG, with its pixels."""

    def __init__(self, path, width, height, rgb):
        self.path, self.width, self.height, self.rgb = path, width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def colours_in(self, rect):
        """Counter of the colours inside a screen rectangle [left, top, right, bottom)."""
        left, top, right, bottom = rect
        counts = collections.Counter()
        for y in range(max(top, 0), min(bottom, self.height)):
            row = self.rgb[(y * self.width) * 3:((y + 1) * self.width) * 3]
            for x in range(max(left, 0), min(right, self.width)):
                counts[tuple(row[x * 3:x * 3 + 3])] += 1
        return counts


def read_ppm(data):
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    if not m or int(m.group(3)) != 255:
        raise Failure("screenshot: unexpected PPM data")
    w, h = int(m.group(1)), int(m.group(2))
    rgb = data[m.end():m.end() + w * h * 3]
    check(len(rgb) == w * h * 3, "screenshot: PPM data cut short")
    return w, h, rgb


def describe_colours(counts, limit=6):
    return ", ".join(f"{c}x{n}" for c, n in counts.most_common(limit))


# ---------------------------------------------------------------------------------------------
# Raw ICMP probe used to check the responder (runs inside vx-app-N via "e2e.py --ping ...").


def icmp_checksum(data):
    if len(data) % 2:
        data += b"\0"
    s = sum(struct.unpack(f"!{len(data) // 2}H", data))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return ~s & 0xFFFF


def ping_probe(addrs, wait_s):
    """Sends one echo to each address at once and prints one JSON line per address."""
    for a in addrs:
        if ipaddress.ip_address(a) not in TEST_NET:  # never anything but the test hosts
            sys.exit(f"refusing to send to {a}")
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    ident = os.getpid() & 0xFFFF
    sent = {}
    for seq, addr in enumerate(addrs, start=1):
        payload = bytes((seq * 7 + i) & 0xFF for i in range(37))  # odd length on purpose
        head = struct.pack("!BBHHH", 8, 0, 0, ident, seq)
        packet = struct.pack("!BBHHH", 8, 0, icmp_checksum(head + payload), ident, seq) + payload
        sent[seq] = (addr, payload, time.monotonic())
        sock.sendto(packet, (addr, 0))
    results = {}
    deadline = time.monotonic() + wait_s
    while len(results) < len(sent) and time.monotonic() < deadline:
        ready, _, _ = select.select([sock], [], [], max(deadline - time.monotonic(), 0))
        if not ready:
            break
        data, (src, _) = sock.recvfrom(65536)
        now = time.monotonic()
        ihl = (data[0] & 0x0F) * 4
        icmp = data[ihl:]
        if len(icmp) < 8 or icmp[0] != 0:
            continue
        _, _, _, rid, rseq = struct.unpack("!BBHHH", icmp[:8])
        if rid != ident or rseq not in sent or rseq in results:
            continue
        addr, payload, t0 = sent[rseq]
        results[rseq] = {"addr": addr, "from": src, "ms": (now - t0) * 1000,
                         "data_ok": icmp[8:] == payload, "sum_ok": icmp_checksum(icmp) == 0}
    for seq, (addr, _, _) in sent.items():
        print(json.dumps(results.get(seq, {"addr": addr, "ms": None})))


# ---------------------------------------------------------------------------------------------
# The rig: Xvfb, namespaces + responder, a fresh WINEPREFIX; and the helpers the tests use.


class Program:
    """A running vorlix.exe (the `ip netns exec ... wine` process)."""

    def __init__(self, popen, workdir, log_path):
        self.popen, self.workdir, self.log_path = popen, workdir, log_path

    def wait(self, timeout):
        """The exit code, or None if still running after `timeout` seconds."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.popen.poll() is None

    def log_tail(self, n=600):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()[-n:]
        except OSError:
            return ""


class Monitor:
    """A `wininspect monitor` process writing window events (JSON lines) to a file."""

    def __init__(self, cmd, path):
        self.path = path
        with open(path, "w") as out:
            self.popen = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out,
                                          stderr=subprocess.DEVNULL)

    def events(self):
        with open(self.path, encoding="utf-8", errors="replace") as f:
            return [json.loads(line) for line in f if line.startswith("{") and line.endswith("}\n")]

    def stop(self):
        """Ends the monitor; returns every event it saw."""
        if self.popen.poll() is None:
            self.popen.terminate()
            try:
                self.popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()
        return self.events()


class Rig:
    def __init__(self, exe, keep):
        self.exe, self.keep = exe, keep
        self.ns_id = os.getpid()
        self.app_ns = f"vx-app-{self.ns_id}"
        self.run_dir = os.path.join(BUILD, f"run-{self.ns_id}")
        self.prefix = os.path.join(self.run_dir, "prefix")
        self.xvfb = None
        self.display = None
        self.netns_up = False
        self.programs = []
        self.helpers = []

    # -- set-up / clean-up --------------------------------------------------------------------

    def setup(self):
        os.makedirs(SHOTS, exist_ok=True)
        os.makedirs(self.run_dir, exist_ok=True)
        self._start_xvfb()
        self.netns_up = True  # from here on, clean-up tries to remove the namespaces
        env = dict(os.environ, VX_NETNS_STATE=os.path.join(self.run_dir, "netns"))
        rules = [f"{a}={'never' if d is None else d}" for a, d in HOSTS.items()]
        run(["bash", NETNS_SH, "up", str(self.ns_id), *rules], timeout=30, env=env)
        self._make_prefix()

    def _start_xvfb(self):
        for n in range(97, 130):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            screen = f"{SCREEN[0]}x{SCREEN[1]}x24"
            with open(os.path.join(self.run_dir, "xvfb.log"), "w") as log:
                self.xvfb = subprocess.Popen(
                    ["Xvfb", f":{n}", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"],
                    stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.xvfb.poll() is None:
                probe = subprocess.run(["xdpyinfo", "-display", f":{n}"], capture_output=True)
                if probe.returncode == 0:
                    self.display = f":{n}"
                    return
                time.sleep(0.1)
            self.xvfb.kill()
            self.xvfb.wait()
        raise Failure("could not start Xvfb on any display :97..:129")

    def _make_prefix(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.wine(["wineboot", "-i"], timeout=120)
        # Cosmetic, for readable screenshots: Wine draws every frame itself (there is no window
        # manager), has Marlett for the caption buttons (Debian's Wine does not find its own copy)
        # and shows Japanese text through IPAGothic.
        marlett = "/usr/share/wine/fonts/marlett.ttf"
        if os.path.isfile(marlett):
            shutil.copy(marlett, os.path.join(self.prefix, "drive_c", "windows", "Fonts"))
        self.wine(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated",
                   "/d", "N", "/f"])
        # Unmanaged windows: with no window manager to answer, Wine would otherwise wait 2 s
        # for each shown window it hides or destroys.
        self.wine(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                   "/d", "N", "/f"])
        self.wine(["wine", "reg", "add",
                   r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
                   "/v", "Tahoma", "/t", "REG_MULTI_SZ", "/d", "ipag.ttf,IPAGothic", "/f"])
        self.wait_wine_gone(30)

    def teardown(self):
        for p in self.helpers + [p.popen for p in self.programs]:
            if p.poll() is None:
                p.kill()
                p.wait(timeout=10)
        if self.display and os.path.isdir(self.prefix):
            try:
                self.wine(["wineserver", "-k"], timeout=15, check_rc=False)
            except Exception:
                pass
        for pid in self.wine_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if self.netns_up:
            env = dict(os.environ, VX_NETNS_STATE=os.path.join(self.run_dir, "netns"))
            subprocess.run(["bash", NETNS_SH, "down", str(self.ns_id)], timeout=30, env=env,
                           capture_output=True)
        if self.xvfb and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
        if not self.keep:
            shutil.rmtree(self.run_dir, ignore_errors=True)

    # -- Wine ---------------------------------------------------------------------------------

    def wine_env(self, env_extra=None):
        env = {"DISPLAY": self.display, "WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
               "WINEDLLOVERRIDES": BASE_OVERRIDES}
        for k, v in (env_extra or {}).items():
            env[k] = f"{BASE_OVERRIDES};{v}" if k == "WINEDLLOVERRIDES" else v
        return env

    def in_app_ns(self, argv, env_extra=None):
        env = [f"{k}={v}" for k, v in self.wine_env(env_extra).items()]
        return ["ip", "netns", "exec", self.app_ns, "env", *env, *argv]

    def wine(self, argv, timeout=30, check_rc=True, env_extra=None):
        return run(self.in_app_ns(argv, env_extra), timeout=timeout, check_rc=check_rc)

    def wine_pids(self):
        """Pids of live processes (not zombies) that run with this run's WINEPREFIX."""
        needle = b"\0WINEPREFIX=" + self.prefix.encode() + b"\0"
        pids = []
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                with open(f"/proc/{name}/environ", "rb") as f:
                    if needle in b"\0" + f.read() + b"\0":
                        pids.append(int(name))
            except OSError:
                pass
        return pids

    def assert_confined(self):
        """Network safety: every Wine process of this run lives in vx-app-N."""
        want = os.stat(f"/run/netns/{self.app_ns}").st_ino
        for pid in self.wine_pids():
            try:
                ino = os.stat(f"/proc/{pid}/ns/net").st_ino
            except OSError:
                continue
            if ino != want:
                os.kill(pid, signal.SIGKILL)
                raise Failure(f"wine process {pid} is outside {self.app_ns}; killed it")

    def wait_wine_gone(self, timeout):
        """Waits for the wineserver (and so every process of the prefix) to end."""
        try:
            self.wine(["wineserver", "-w"], timeout=timeout, check_rc=False)
        except subprocess.TimeoutExpired:
            pass
        deadline = time.monotonic() + 5
        while self.wine_pids() and time.monotonic() < deadline:
            time.sleep(0.1)
        return self.wine_pids()

    # -- the program --------------------------------------------------------------------------

    def start_program(self, workdir=None, env_extra=None, settings=None, no_settings=False):
        """Starts vorlix.exe in its namespace with `workdir` (default: a fresh folder) as cwd.

        Unless `no_settings`, the folder gets a Vorlix.ini of SETTINGS updated with `settings`.
        """
        check(os.path.isfile(self.exe), f"vorlix.exe not built: {self.exe}")
        workdir = workdir or tempfile.mkdtemp(prefix="work-", dir=self.run_dir)
        if not no_settings:
            write_settings(workdir, settings)
        log_path = os.path.join(workdir + ".log")
        with open(log_path, "w") as log:
            popen = subprocess.Popen(self.in_app_ns(["wine", self.exe], env_extra), cwd=workdir,
                                     stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        prog = Program(popen, workdir, log_path)
        self.programs.append(prog)
        return prog

    def stop_programs(self):
        """Ends what a test left running and waits for the prefix to be idle again."""
        for prog in self.programs:
            if prog.running():
                self.inspect("close", MAIN_CLASS, check_rc=False)
                if prog.wait(5) is None:
                    prog.popen.kill()
                    prog.wait(5)
        if self.wine_pids():
            self.wine(["wineserver", "-k"], timeout=15, check_rc=False)
            self.wait_wine_gone(15)
        self.programs.clear()

    # -- reading windows ----------------------------------------------------------------------

    def inspect(self, *args, timeout=20, check_rc=True):
        return self.wine(["wine", WININSPECT, *args], timeout=timeout, check_rc=check_rc)

    def windows(self):
        return [json.loads(line) for line in self.inspect("list").stdout.splitlines() if line]

    def find_window(self, cls, visible=True):
        """The first top-level window of class `cls` (visible ones only by default), or None."""
        for w in self.windows():
            if w["parent"] == "0x0" and w["class"] == cls and (w["visible"] or not visible):
                return w
        return None

    def wait_window(self, cls, seconds, prog=None):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            w = self.find_window(cls)
            if w:
                self.assert_confined()
                return w
            if prog and not prog.running():
                raise Failure(f"program ended ({exit_text(prog.popen.returncode)}) before a {cls} "
                              f"appeared; log: {prog.log_tail()!r}")
            time.sleep(0.2)
        raise Failure(f"no visible {cls} window within {seconds} s")

    def on_screen(self, win, at=(100, 100)):
        """Moves a top-level window fully onto the screen if it is not; returns it re-read.

        The program may start where its settings (or its design) put it, which can be off-screen;
        tests that look at pixels or use the mouse need it visible.
        """
        left, top, right, bottom = win["rect"]
        if left >= 0 and top >= 0 and right <= SCREEN[0] and bottom <= SCREEN[1]:
            return win
        print(f"  note: {win['class']} was at {win['rect'][:2]}, not fully on the "
              f"{SCREEN[0]}x{SCREEN[1]} screen; moved it to {at}", flush=True)
        self.inspect("move", win["hwnd"], *map(str, at))
        time.sleep(0.3)  # let it repaint
        moved = next((w for w in self.windows() if w["hwnd"] == win["hwnd"]), None)
        check(moved and moved["rect"][:2] == list(at), f"could not move {win['hwnd']} to {at}")
        return moved

    def children(self, hwnd):
        return [w for w in self.windows() if w["parent"] == hwnd]

    def panel(self, main=None):
        """The result panel: the STATIC child of the status window."""
        main = main or self.find_window(MAIN_CLASS)
        check(main, "status window not found")
        statics = [c for c in self.children(main["hwnd"]) if c["class"].lower() == "static"]
        check(len(statics) == 1, f"expected one STATIC child, found {len(statics)}")
        return statics[0]

    def panel_text(self, main=None):
        return self.panel(main)["text"]

    def msgboxes(self):
        p = self.inspect("msgbox", check_rc=False)
        return [json.loads(line) for line in p.stdout.splitlines() if line]

    def monitor(self, interval_ms=25, seconds=30):
        """Starts `wininspect monitor` in the background; see Monitor."""
        m = Monitor(self.in_app_ns(["wine", WININSPECT, "monitor", str(interval_ms), str(seconds)]),
                    os.path.join(self.run_dir, f"monitor-{len(self.helpers)}.jsonl"))
        self.helpers.append(m.popen)
        return m

    # -- screen and input ---------------------------------------------------------------------

    def screenshot(self, name):
        path = os.path.join(SHOTS, f"{name}.png")
        env = dict(os.environ, DISPLAY=self.display)
        run(["import", "-window", "root", path], env=env)
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True,
                              timeout=30, check=True).stdout
        return Shot(path, *read_ppm(data))

    def pixel_colours_in(self, rect, shot=None, name="pixels"):
        return (shot or self.screenshot(name)).colours_in(rect)

    def xdotool(self, *args):
        run(["xdotool", *map(str, args)], env=dict(os.environ, DISPLAY=self.display))

    def click(self, x, y):
        self.xdotool("mousemove", x, y)
        time.sleep(0.1)
        self.xdotool("click", 1)

    def metrics(self):
        return json.loads(self.inspect("metrics").stdout)


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


def write_settings(workdir, overrides=None):
    """Writes Vorlix.ini (key=value lines, CRLF) into `workdir`; the target must be a test host."""
    values = dict(SETTINGS, **(overrides or {}))
    check(ipaddress.ip_address(values["IP"]) in TEST_NET, f"IP {values['IP']} is no test host")
    with open(os.path.join(workdir, "Vorlix.ini"), "wb") as f:
        f.write("".join(f"{k}={v}\r\n" for k, v in values.items()).encode("ascii"))


def responder_echoes(rig, addr):
    """How many echo requests to `addr` the responder has seen so far."""
    with open(os.path.join(rig.run_dir, "netns", "responder.log")) as f:
        return sum(1 for line in f if line.startswith("echo ") and f" dst={addr} " in line)


def press_check(rig, main, seconds=8):
    """Clicks the Check button with the mouse; returns the panel text once it shows a result."""
    buttons = [k for k in rig.children(main["hwnd"]) if k["class"].lower() == "button"]
    check(len(buttons) == 1, f"expected one button, found {len(buttons)}")
    rig.click(*centre(buttons[0]["rect"]))
    deadline, text = time.monotonic() + seconds, ""
    while time.monotonic() < deadline and not RESULT_RE.match(text):
        text = rig.panel_text(main)
        time.sleep(0.1)
    check(RESULT_RE.match(text), f"panel text {text!r} after {seconds} s, want NNms or TimeOut")
    return text


def settled_panel_problems(rig, main, text, shot_name):
    """After the blink: the text stays, the band colour is there and no white is left."""
    time.sleep(1.5)
    panel = rig.panel(main)
    if panel["text"] != text:
        return [f"panel text changed from {text!r} to {panel['text']!r}"]
    colours = rig.screenshot(shot_name).colours_in(panel["rect"])
    want, problems = band_colour(text), []
    if want not in colours:
        problems.append(f"no {want} pixels for {text!r}: {describe_colours(colours)}")
    if WHITE in colours:
        problems.append(f"{colours[WHITE]} white pixels left in the panel")
    return problems


# ---------------------------------------------------------------------------------------------
# Tests. Each takes the rig, raises Failure (or anything) to fail; they run in this order.

TESTS = []


def test(name, needs_exe=True):
    def register(fn):
        TESTS.append((name, fn, needs_exe))
        return fn
    return register


@test("rig_namespace_confined", needs_exe=False)
def t_namespace(rig):
    p = run(["bash", NETNS_SH, "check", str(rig.ns_id)], check_rc=False)
    check(p.returncode == 0, p.stderr.strip())
    rig.assert_confined()


@test("rig_responder_delays", needs_exe=False)
def t_responder(rig):
    addrs = list(HOSTS)
    p = run(["ip", "netns", "exec", rig.app_ns, sys.executable, os.path.abspath(__file__),
             "--ping", *addrs], timeout=20)
    got = {r["addr"]: r for r in map(json.loads, p.stdout.splitlines())}
    problems = []
    for addr, delay in HOSTS.items():
        r = got.get(addr, {})
        if delay is None:
            if r.get("ms") is not None:
                problems.append(f"{addr} answered after {r['ms']:.1f} ms but must not")
            continue
        if r.get("ms") is None:
            problems.append(f"{addr} did not answer")
        elif not delay <= r["ms"] <= delay + 5:
            problems.append(f"{addr} answered after {r['ms']:.1f} ms, want {delay}..{delay + 5}")
        elif not (r["data_ok"] and r["sum_ok"] and r["from"] == addr):
            problems.append(f"{addr}: bad reply {r}")
    check(not problems, "; ".join(problems))
    measured = [f"{a}={got[a]['ms']:.1f}ms" for a, d in HOSTS.items() if d is not None]
    silent = [a for a, d in HOSTS.items() if d is None]
    print(f"  delays: {', '.join(measured)}; silent: {', '.join(silent)}")


def close_and_check_exit(rig, prog, how):
    t0 = time.monotonic()
    rc = prog.wait(8)
    check(rc is not None, f"process still running 8 s after {how}")
    t_exit = time.monotonic() - t0
    check(rc == 0, f"{exit_text(rc)} after {how}, want 0; log: {prog.log_tail()!r}")
    left = rig.wait_wine_gone(20)
    check(not left, f"wine processes of the prefix still running: {left}")
    print(f"  exited 0 {t_exit:.1f} s after {how}; prefix idle after {time.monotonic() - t0:.1f} s")


@test("start_and_close_wm_close")
def t_close_message(rig):
    prog = rig.start_program()
    main = rig.wait_window(MAIN_CLASS, 20, prog)
    rig.inspect("close", main["hwnd"])
    close_and_check_exit(rig, prog, "WM_CLOSE")


@test("start_and_close_caption_button")
def t_close_button(rig):
    prog = rig.start_program()
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    p = rig.inspect("close-box", main["hwnd"], check_rc=False)
    check(p.returncode == 0, "no close button found in the caption bar (WM_NCHITTEST)")
    x, y = map(int, p.stdout.split())
    check(main["rect"][0] <= x < main["rect"][2] and main["rect"][1] <= y < main["client"][1],
          f"close button point {x},{y} is not in the caption bar {main['rect']}")
    rig.screenshot("close_button_before")
    rig.click(x, y)
    close_and_check_exit(rig, prog, f"a click on the close button at {x},{y}")


def wait_msgboxes(rig, seconds, prog=None):
    """The visible message boxes, once there is one (or none after `seconds`)."""
    deadline, boxes = time.monotonic() + seconds, []
    while time.monotonic() < deadline and not boxes and (prog is None or prog.running()):
        boxes = rig.msgboxes()
        time.sleep(0.2)
    return boxes


def press_return_on(rig, box):
    """Presses Return over a message box: without a window manager, X focus follows the pointer."""
    boxwin = next((w for w in rig.windows() if w["hwnd"] == box["hwnd"]), None)
    if boxwin:
        rig.xdotool("mousemove", *centre(boxwin["client"]))
        time.sleep(0.2)
    rig.xdotool("key", "Return")


@test("startup_failure_without_icmp")
def t_no_icmp(rig):
    mon = rig.monitor(interval_ms=20, seconds=40)
    time.sleep(1.0)  # the monitor is up before the program starts
    prog = rig.start_program(env_extra={"WINEDLLOVERRIDES": "icmp="})
    boxes = wait_msgboxes(rig, 20, prog)
    check(boxes, f"no message box appeared (program running: {prog.running()}, "
                 f"log: {prog.log_tail()!r})")
    rig.assert_confined()
    rig.screenshot("startup_failure_msgbox")
    box = boxes[0]
    lines = box["text"].split("\n")
    problems = []
    if box["caption"] != MSGBOX_CAPTION:
        problems.append(f"caption {box['caption']!r}, want {MSGBOX_CAPTION!r}")
    if len(lines) != 2:
        problems.append(f"text has {len(lines)} lines, want 2: {box['text']!r}")
    else:
        if not MSGBOX_LINE1_RE.match(lines[0]):
            problems.append(f"line 1 {lines[0]!r} does not match {MSGBOX_LINE1_RE.pattern}")
        if lines[1] != MSGBOX_LINE2:
            problems.append(f"line 2 {lines[1]!r}, want {MSGBOX_LINE2!r}")

    press_return_on(rig, box)
    rc = prog.wait(8)
    if rc is None:
        problems.append("Return did not dismiss the message box; posted IDOK instead")
        rig.inspect("command", box["hwnd"], "1", check_rc=False)
        rc = prog.wait(8)
    if rc != 1:
        problems.append(f"{exit_text(rc)}, want exit code 1")

    events = mon.stop()
    shown = [e for e in events if e.get("class") == MAIN_CLASS and e.get("visible")]
    if shown:
        problems.append(f"a {MAIN_CLASS} window was visible at t={shown[0]['t']} ms")
    if not any(e.get("class") == "#32770" for e in events):
        problems.append("the monitor never saw the message box (is it working?)")
    check(not problems, "; ".join(problems))


def layout_problems(main, kids, metrics):
    """Table of layout expectations for the status window; returns the failed ones."""
    style, ex = int(main["style"], 16), int(main["exstyle"], 16)
    frame = main["client"][0] - main["rect"][0]
    caption = main["client"][1] - main["rect"][1] - frame
    statics = [k for k in kids if k["class"].lower() == "static"]
    buttons = [k for k in kids if k["class"].lower() == "button"]
    panel = statics[0] if len(statics) == 1 else None
    button = buttons[0] if len(buttons) == 1 else None
    cases = [
        ("client area 129x25", size(main["client"]) == (129, 25), size(main["client"])),
        ("WS_EX_TOOLWINDOW", ex & WS_EX_TOOLWINDOW, main["exstyle"]),
        ("no WS_MINIMIZEBOX", not style & WS_MINIMIZEBOX, main["style"]),
        ("no WS_MAXIMIZEBOX", not style & WS_MAXIMIZEBOX, main["style"]),
        ("no WS_THICKFRAME", not style & WS_THICKFRAME, main["style"]),
        ("small caption bar (SM_CYSMCAPTION)", caption == metrics["smcaption"],
         f"{caption} px, small is {metrics['smcaption']}, normal {metrics['caption']}"),
        ("one STATIC and one BUTTON child", len(kids) == 2 and panel and button,
         [(k["class"], k["text"]) for k in kids]),
        ("panel at (0,0) 79x25", panel and panel["pos"] == [0, 0, 79, 25], panel and panel["pos"]),
        ("panel empty at first", panel and panel["text"] == "", panel and panel["text"]),
        ("panel visible", panel and panel["visible"], None),
        ("button at (80,0) 49x25", button and button["pos"] == [80, 0, 49, 25],
         button and button["pos"]),
        ("button says Check", button and button["text"] == "Check", button and button["text"]),
        ("button visible and enabled", button and button["visible"] and button["enabled"], None),
    ]
    return [f"{what} (got {got})" for what, ok, got in cases if not ok]


@test("layout")
def t_layout(rig):
    prog = rig.start_program()
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    time.sleep(0.5)  # let it paint
    kids = rig.children(main["hwnd"])
    metrics = rig.metrics()
    problems = layout_problems(main, kids, metrics)
    shot = rig.screenshot("layout")
    cx, cy = main["client"][0], main["client"][1]
    panel_colours = shot.colours_in([cx, cy, cx + 79, cy + 25])
    if set(panel_colours) != {BLACK}:
        problems.append(f"panel not all black before a check: {describe_colours(panel_colours)}")
    btnface = tuple(metrics["btnface"])
    gap = shot.colours_in([cx + 79, cy, cx + 80, cy + 25])
    if set(gap) != {btnface}:
        problems.append(f"column x=79 is not button face {btnface}: {describe_colours(gap)}")
    check(not problems, "; ".join(problems))


@test("check_pressed")
def t_check(rig):
    prog = rig.start_program()
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    text = press_check(rig, main)
    problems = settled_panel_problems(rig, main, text, "check_pressed")
    check(not problems, f"result {text!r}: " + "; ".join(problems))
    print(f"  result {text!r}")


# Each test host (and one address whose route is unreachable), the figure expected from it and
# its band. The program's figure includes Wine's own time, so it may run a little over the delay.
BAND_CASES = [
    ("198.18.0.20", 20, CYAN),
    ("198.18.0.35", 350, LIME),
    ("198.18.0.65", 650, YELLOW),
    ("198.18.0.95", 950, RED),
    ("198.18.0.99", None, MAGENTA),  # never answers: TimeOut after the 2000 ms time-out
    # The echo fails at once: a failure that comes back before the time-out shows its time.
    (UNREACHABLE, 0, CYAN),
]
SLACK_MS = 150


@test("check_each_band")
def t_bands(rig):
    problems, seen = [], []
    for addr, delay, colour in BAND_CASES:
        before = responder_echoes(rig, addr)
        prog = rig.start_program(settings={"IP": addr})
        try:
            main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
            text = press_check(rig, main)
            seen.append(f"{addr}={text}")
            m = RESULT_RE.match(text)
            if delay is None and text != "TimeOut":
                problems.append(f"{addr}: {text!r}, want TimeOut")
            elif delay is not None and not (m.group(1) and
                                            delay <= int(m.group(1)) <= delay + SLACK_MS):
                problems.append(f"{addr}: {text!r}, want {delay}..{delay + SLACK_MS}ms")
            elif band_colour(text) != colour:
                problems.append(f"{addr}: {text!r} is not in the {colour} band")
            problems += [f"{addr}: {p}" for p in
                         settled_panel_problems(rig, main, text, f"band_{addr}")]
            sent = responder_echoes(rig, addr) - before
            if sent != (0 if addr == UNREACHABLE else 1):
                problems.append(f"{addr}: the test host saw {sent} echo requests for one check")
        except Failure as e:
            problems.append(f"{addr}: {e}")
        finally:
            rig.stop_programs()
    check(not problems, "; ".join(problems))
    print("  results: " + ", ".join(seen))


CONFIG_CLASS = "TForm_Config"
WS_EX_TOPMOST = 0x8
# The settings window's controls by their position in its client area.
FIELDS = {"ip0": [8, 16], "ip1": [48, 16], "ip2": [88, 16], "ip3": [128, 16],
          "timeout": [184, 16], "minutes": [16, 70]}
BOXES = {"periodic": [16, 48], "on_top": [112, 52], "ok": [104, 76]}
FIRST_RUN_FILE = (b"MainFormPosX=-255\r\nMainFormPosY=-255\r\nConfigFormPosX=201\r\n"
                  b"ConfigFormPosY=107\r\nIP=1.1.1.1\r\nTimeOut=5000\r\nAutoPing=1\r\n"
                  b"PingTime=1\r\nStayOnTop=1\r\n")


def read_settings(prog):
    with open(os.path.join(prog.workdir, "Vorlix.ini"), "rb") as f:
        return f.read()


def control_at(rig, form, pos):
    found = [c for c in rig.children(form["hwnd"]) if c.get("pos", [])[:2] == pos]
    check(found, f"no control at {pos} in {form['class']}")
    return found[0]


def open_settings(rig, main):
    """Clicks the result panel; returns the settings window once it shows."""
    rig.click(*centre(rig.panel(main)["rect"]))
    config = rig.wait_window(CONFIG_CLASS, 10)
    # The platform places it where it likes (here over the status window): move it aside.
    rig.inspect("move", config["hwnd"], "300", "100")
    time.sleep(0.3)
    return rig.wait_window(CONFIG_CLASS, 5)


def start_with_settings_shown(rig):
    """Starts the program and opens its settings window; returns the program and both windows."""
    prog = rig.start_program()
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    return prog, main, open_settings(rig, main)


def type_into(rig, config, field, text):
    """Clicks into a field, clears it and types, as a user does (keys go under the pointer)."""
    rig.click(*centre(control_at(rig, config, FIELDS[field])["rect"]))
    rig.xdotool("key", "End", *["BackSpace"] * 6)
    if text:
        rig.xdotool("type", "--delay", 40, text)
    time.sleep(0.2)


def texts(rig, config):
    return {name: control_at(rig, config, pos)["text"] for name, pos in FIELDS.items()}


@test("first_start_in_an_empty_folder")
def t_first_start(rig):
    # The only start without a settings file: the program then watches its built-in public
    # default, which inside the app namespace has no route, so nothing can leave.
    prog = rig.start_program(no_settings=True)
    main = rig.wait_window(MAIN_CLASS, 20, prog)
    problems = []
    if main["rect"][:2] != [0, 0]:
        problems.append(f"status window at {main['rect'][:2]}, want 0,0")
    if main["text"] != "IP: 1.1.1.1":
        problems.append(f"caption {main['text']!r}")
    written = read_settings(prog)
    if written != FIRST_RUN_FILE:
        problems.append(f"Vorlix.ini is {written!r}")
    check(not problems, "; ".join(problems))


@test("settings_fields_are_checked_when_left")
def t_fields(rig):
    prog, main, config = start_with_settings_shown(rig)
    cases = [("ip0", "198", "198"), ("ip1", "018", "18"), ("ip2", "", "0"),
             ("ip3", "300", "255"), ("timeout", "123456", "1234"), ("minutes", "0", "1")]
    problems = []
    for field, typed, want in cases:
        type_into(rig, config, field, typed)
        rig.xdotool("key", "Tab")
        time.sleep(0.3)
        got = texts(rig, config)[field]
        if got != want:
            problems.append(f"{field}: typed {typed!r}, shows {got!r} after Tab, want {want!r}")
    rig.screenshot("settings_fields")
    # Enter in a field presses nothing; a close request hides the window and saves.
    type_into(rig, config, "ip2", "00")
    rig.xdotool("key", "Return")
    time.sleep(0.3)
    if not rig.find_window(CONFIG_CLASS):
        problems.append("Enter in a field hid the settings window")
    rig.inspect("close", config["hwnd"])
    time.sleep(0.5)
    if rig.find_window(CONFIG_CLASS):
        problems.append("a close request did not hide the settings window")
    written = read_settings(prog)
    if b"IP=198.18.00.255\r\nTimeOut=1234\r\n" not in written or b"PingTime=1\r\n" not in written:
        problems.append(f"after the close request Vorlix.ini is {written!r}")
    check(not problems, "; ".join(problems))


@test("settings_ok_applies_and_saves")
def t_ok(rig):
    prog, main, config = start_with_settings_shown(rig)
    type_into(rig, config, "ip3", "35")
    type_into(rig, config, "timeout", "1500")
    rig.click(*centre(control_at(rig, config, BOXES["ok"])["rect"]))
    time.sleep(0.5)
    problems = []
    if rig.find_window(CONFIG_CLASS):
        problems.append("the settings window is still shown after OK")
    main = rig.find_window(MAIN_CLASS)
    if main["text"] != "IP: 198.18.0.35":
        problems.append(f"caption {main['text']!r}")
    written = read_settings(prog)
    for line in (b"IP=198.18.0.35\r\n", b"TimeOut=1500\r\n"):
        if line not in written:
            problems.append(f"{line!r} not in {written!r}")
    lines = written.count(b"\r\n")
    if lines != 9:
        problems.append(f"Vorlix.ini has {lines} lines")
    text = press_check(rig, main)
    m = RESULT_RE.match(text)
    if not (m and m.group(1) and 350 <= int(m.group(1)) <= 350 + SLACK_MS):
        problems.append(f"check after OK shows {text!r}, want about 350ms")
    check(not problems, "; ".join(problems))


@test("settings_hidden_with_abc_shows_the_error")
def t_abc(rig):
    prog = rig.start_program()
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    before = read_settings(prog)
    config = open_settings(rig, main)
    type_into(rig, config, "timeout", "abc")
    rig.click(*centre(rig.panel(main)["rect"]))  # hides it with the caret still in the field
    boxes = wait_msgboxes(rig, 10)
    check(boxes, "no message box appeared")
    rig.screenshot("settings_abc_error")
    box, problems = boxes[0], []
    if (box["caption"], box["text"]) != ("Vorlix", "'abc' は整数ではありません."):
        problems.append(f"box {box['caption']!r}: {box['text']!r}")
    if rig.find_window(MAIN_CLASS)["enabled"]:
        problems.append("the status window is not disabled while the box is up")
    if rig.find_window(CONFIG_CLASS):
        problems.append("the settings window is still shown")
    press_return_on(rig, box)
    time.sleep(0.5)
    if rig.msgboxes():
        rig.inspect("command", box["hwnd"], "1", check_rc=False)
    if read_settings(prog) != before:
        problems.append("Vorlix.ini changed")
    if not prog.running():
        problems.append("the program ended")
    elif not rig.find_window(MAIN_CLASS)["enabled"]:
        problems.append("the status window stays disabled after the box")
    else:
        text = press_check(rig, rig.find_window(MAIN_CLASS))
        if not text.endswith("ms"):
            problems.append(f"a check afterwards shows {text!r}")
    check(not problems, "; ".join(problems))


@test("settings_saved_when_closing_while_shown")
def t_close_shown(rig):
    prog, main, config = start_with_settings_shown(rig)
    type_into(rig, config, "minutes", "7")
    rig.inspect("close", main["hwnd"])
    rc = prog.wait(10)
    check(rc == 0, f"exit code {rc}, want 0")
    written = read_settings(prog)
    check(b"PingTime=7\r\n" in written, f"Vorlix.ini is {written!r}")


@test("stay_on_top_on_and_off")
def t_on_top(rig):
    prog = rig.start_program(settings={"StayOnTop": 1})
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    problems = []
    if not int(main["exstyle"], 16) & WS_EX_TOPMOST:
        problems.append(f"StayOnTop=1 but exstyle {main['exstyle']}")
    for want in (False, True):
        config = open_settings(rig, main)
        rig.click(*centre(control_at(rig, config, BOXES["on_top"])["rect"]))
        rig.click(*centre(control_at(rig, config, BOXES["ok"])["rect"]))
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            main = rig.wait_window(MAIN_CLASS, 10)
            statics = [c for c in rig.children(main["hwnd"]) if c["class"].lower() == "static"]
            if bool(int(main["exstyle"], 16) & WS_EX_TOPMOST) == want and statics:
                break
            time.sleep(0.2)
        if bool(int(main["exstyle"], 16) & WS_EX_TOPMOST) != want:
            problems.append(f"after switching to {want}: exstyle {main['exstyle']}")
        if main["text"] != "IP: 198.18.0.20" or rig.panel_text(main) != "":
            problems.append(f"the rebuilt window lost its state: {main['text']!r}")
    check(not problems, "; ".join(problems))


# ---------------------------------------------------------------------------------------------


class OutOfTime(BaseException):
    """The run's time budget is used up (a BaseException, so no test handler swallows it)."""


def run_tests(rig, selected, tally):
    """Runs the selected tests in order; counts into tally["passed"] / tally["failed"]."""
    try:
        rig.setup()
    except Exception as e:
        print(f"FAIL setup: {e}", flush=True)
        for name, _, _ in selected:
            print(f"FAIL {name}: not run, the set-up failed")
        tally["failed"] += len(selected) + 1
        return
    for i, (name, fn, needs_exe) in enumerate(selected):
        try:
            if needs_exe:
                check(os.path.isfile(rig.exe), f"vorlix.exe not built: {rig.exe}")
            fn(rig)
            print(f"PASS {name}", flush=True)
            tally["passed"] += 1
        except OutOfTime:
            print(f"FAIL {name}: the run took longer than {RUN_BUDGET_S} s", flush=True)
            for rest, _, _ in selected[i + 1:]:
                print(f"FAIL {rest}: not run, out of time")
            tally["failed"] += len(selected) - i
            return
        except (Failure, subprocess.TimeoutExpired, OSError, ValueError, KeyError) as e:
            print(f"FAIL {name}: {e}", flush=True)
            tally["failed"] += 1
        except Exception:
            print(f"FAIL {name}: {traceback.format_exc(limit=3).strip()}", flush=True)
            tally["failed"] += 1
        finally:
            try:
                rig.stop_programs()
            except Exception as e:
                print(f"  (clean-up after {name}: {e})", flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", default=os.environ.get("VORLIX_EXE", DEFAULT_EXE))
    ap.add_argument("-k", dest="pattern", default="",
                    help="run only the tests whose name contains this")
    ap.add_argument("--keep", action="store_true", help="keep the prefix and logs under build/e2e")
    ap.add_argument("--list", action="store_true", help="list the tests")
    ap.add_argument("--ping", nargs="+", help=argparse.SUPPRESS)
    args = ap.parse_args()
    if args.ping:
        return ping_probe(args.ping, 2.0)
    if args.list:
        for name, _, _ in TESTS:
            print(name)
        return 0
    if os.geteuid() != 0:
        sys.exit("e2e.py must run as root (network namespaces, raw sockets)")

    def on_signal(signum, _frame):
        raise KeyboardInterrupt(f"signal {signum}")

    def on_alarm(_signum, _frame):
        raise OutOfTime()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(RUN_BUDGET_S)

    selected = [t for t in TESTS if args.pattern in t[0]]
    rig = Rig(os.path.abspath(args.exe), args.keep)
    tally = {"passed": 0, "failed": 0}
    try:
        run_tests(rig, selected, tally)
    except (KeyboardInterrupt, OutOfTime) as e:
        print(f"FAIL interrupted: {e or 'out of time'}", flush=True)
        tally["failed"] += 1
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)  # clean up in peace
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        rig.teardown()
    print(f"{tally['passed']} passed, {tally['failed']} failed")
    return 1 if tally["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
