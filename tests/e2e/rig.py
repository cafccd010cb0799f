"""The end-to-end rig: the X display, the test network, waiting, screenshots and X input. It
knows no platform; a driver (driver.py) does, and pytest runs the tests (conftest.py).

Every process that may reach the program runs inside vx-app-ID, whose only interfaces are lo and
a veth to vx-hosts-ID (198.18.0.0/24, where the responder answers for the test hosts): see
netns.sh. After each test nothing may be left in vx-app-ID but the driver's resident processes.
"""

import collections
import ipaddress
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time


HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.join(REPO, "build", "e2e")
SHOTS = os.path.join(BUILD, "shots")
NETWORK = os.path.join(os.path.dirname(HERE), "network")
NETNS_SH = os.path.join(NETWORK, "netns.sh")
sys.path.insert(0, NETWORK)
from hosts import HOSTS, rules as host_rules  # noqa: E402,F401  (HOSTS: for the checks)
sys.path.insert(0, os.path.join(REPO, "scripts", "lib"))
import xvfb  # noqa: E402  (scripts/lib: the display that scripts/run and scripts/test use too)
from processes import ended, group_ended, kill, read_line  # noqa: E402,F401  (for the drivers too)
from xvfb import SCREEN  # noqa: E402

TEST_NET = ipaddress.ip_network("198.18.0.0/24")
# In vx-app-ID, 198.18.0.128/25 is an "unreachable" route: sending there fails at once.
UNREACHABLE = "198.18.0.200"

# Nothing a test starts gets a session or system bus (scripts/lib/no-bus.env) unless a driver
# gives it one: a driver that needs a bus (AT-SPI) starts its own inside the namespace and puts
# its address here instead.
from wine_prefix import NO_BUS  # noqa: E402
# What the programs of a test inherit from the runner's environment; everything else is set.
PASSED_ON = ("PATH", "HOME", "LANG", "LC_ALL", "LC_CTYPE")


class Failure(Exception):
    """A test's expectation was not met."""


class Skip(Exception):
    """The test cannot run here; the message says why."""


class OutOfTime(BaseException):
    """The run's time budget, or one test's limit, is used up (a BaseException, so no test
    handler swallows it)."""


TEST_LIMIT_S = 180  # one test, its clean-up not included


def check(cond, message):
    if not cond:
        raise Failure(message)


def exit_text(rc):
    """An exit status as the tests report it."""
    if rc is None:
        return "still running"
    if rc < 0:
        return f"killed by signal {-rc} (not an exit of its own)"
    return f"exit code {rc}"


def run(cmd, timeout=30, check_rc=True, **kw):
    """Runs a command with a time limit; returns a CompletedProcess with text stdout/stderr.

    Output goes through files, not pipes: a first Wine process starts the wineserver and system
    processes, which inherit its stdout and would keep a pipe open long after it ended. Each
    command gets a session of its own, so that a signal to the runner's process group (a stopped
    run) leaves the wineserver to the clean-up instead of killing it under its programs.
    """
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        popen = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                 start_new_session=True, **kw)
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
        raise Failure(f"{' '.join(map(str, cmd[-3:]))} exited {p.returncode}: {said}")
    return p


# ---------------------------------------------------------------------------------------------
# Waiting: every wait polls the condition it is for, up to a deadline.


def poll(read, good, timeout, interval=0.1):
    """Calls read() until good(value) or `timeout` seconds pass; returns (value, met)."""
    deadline = time.monotonic() + timeout
    while True:
        value = read()
        if good(value):
            return value, True
        if time.monotonic() >= deadline:
            return value, False
        time.sleep(interval)


def wait_until(what, read, good, timeout, interval=0.1):
    """Like poll(), but a condition not met is a Failure naming `what` and the last value."""
    value, met = poll(read, good, timeout, interval)
    check(met, f"{what}: not within {timeout:g} s (last seen: {value!r})")
    return value


def holds(read, good, seconds, interval=0.1):
    """Checks that good(read()) stays true for `seconds`; returns (True, last value) or
    (False, the first value that broke it)."""
    deadline = time.monotonic() + seconds
    while True:
        value = read()
        if not good(value):
            return False, value
        if time.monotonic() >= deadline:
            return True, value
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# Screenshots


class Shot:
    """Pixels of a screen area (the whole screen unless cropped), in screen coordinates."""

    def __init__(self, path, width, height, rgb, origin=(0, 0)):
        self.path, self.width, self.height, self.rgb = path, width, height, rgb
        self.origin = origin

    def colours_in(self, rect):
        """Counter of the RGB colours inside a screen rectangle [left, top, right, bottom)."""
        ox, oy = self.origin
        left, top = max(rect[0] - ox, 0), max(rect[1] - oy, 0)
        right, bottom = min(rect[2] - ox, self.width), min(rect[3] - oy, self.height)
        counts = collections.Counter()
        for y in range(top, bottom):
            row = self.rgb[(y * self.width) * 3:((y + 1) * self.width) * 3]
            for x in range(left, right):
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


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


# ---------------------------------------------------------------------------------------------
# The rig


class Rig:
    def __init__(self, keep):
        self.keep = keep
        self.ns_id = os.getpid()
        self.app_ns = f"vx-app-{self.ns_id}"
        self.run_dir = os.path.join(BUILD, f"run-{self.ns_id}")
        self.xvfb = None
        self.display = None
        self.netns_up = False

    # -- set-up / clean-up --------------------------------------------------------------------

    def setup(self):
        os.makedirs(SHOTS, exist_ok=True)
        os.makedirs(self.run_dir, exist_ok=True)
        self._start_xvfb()
        self.netns_up = True  # from here on, clean-up tries to remove the namespaces
        run(["bash", NETNS_SH, "up", str(self.ns_id), *host_rules()], timeout=30,
            env=self._netns_env())

    def _netns_env(self):
        return dict(os.environ, VX_NETNS_STATE=os.path.join(self.run_dir, "netns"))

    def _start_xvfb(self):
        try:
            self.display, self.xvfb = xvfb.start(os.path.join(self.run_dir, "xvfb.log"),
                                                    noreset=True)
        except xvfb.NoDisplay as e:
            raise Failure(str(e))
        self.display_socket = os.stat(self._socket_path()).st_ino

    def _socket_path(self):
        return f"/tmp/.X11-unix/X{self.display[1:]}"

    def display_problem(self):
        """What went wrong with the display, if anything: processes in the test namespace
        reach it only through its socket file (the abstract socket is the root namespace's)."""
        if self.xvfb is None or self.xvfb.poll() is not None:
            try:
                with open(os.path.join(self.run_dir, "xvfb.log"), errors="replace") as log:
                    said = log.read()[-400:]
            except OSError:
                said = ""
            return (f"Xvfb {self.display} has ended ({exit_text(self.xvfb and self.xvfb.poll())})"
                    f"; its log: {said!r}")
        try:
            if os.stat(self._socket_path()).st_ino != self.display_socket:
                return f"{self._socket_path()} was replaced by another X server's"
        except FileNotFoundError:
            return f"{self._socket_path()} was removed while Xvfb {self.display} runs"
        return None

    def teardown(self):
        """Removes the namespaces (ending anything left in them) and stops the display."""
        if self.netns_up:
            subprocess.run(["bash", NETNS_SH, "down", str(self.ns_id)], timeout=30,
                           env=self._netns_env(), capture_output=True)
        if self.xvfb:
            xvfb.stop(self.xvfb)
        if not self.keep:
            shutil.rmtree(self.run_dir, ignore_errors=True)

    # -- processes in the test namespace ------------------------------------------------------

    def base_env(self):
        """The environment of every process that a test starts in the namespace."""
        env = {k: os.environ[k] for k in PASSED_ON if k in os.environ}
        env.setdefault("PATH", "/usr/local/bin:/usr/bin:/bin")
        env["DISPLAY"] = self.display
        env.update(NO_BUS)
        return env

    def in_app_ns(self, argv, env):
        """The command line that runs argv in vx-app-ID with exactly the environment `env`."""
        return ["ip", "netns", "exec", self.app_ns, "env", "-i",
                *[f"{k}={v}" for k, v in env.items()], *map(str, argv)]

    def app_ns_pids(self):
        p = subprocess.run(["ip", "netns", "pids", self.app_ns], capture_output=True, text=True)
        return {int(x) for x in p.stdout.split()}

    def confined(self, pids):
        """The pids among `pids` that live outside vx-app-ID (the network safety rule)."""
        want = os.stat(f"/run/netns/{self.app_ns}").st_ino
        outside = []
        for pid in pids:
            try:
                if os.stat(f"/proc/{pid}/ns/net").st_ino != want:
                    outside.append(pid)
            except OSError:
                pass
        return outside

    def end_test(self, driver):
        """After each test: the driver ends what the test left running; then nothing may be left
        in the namespace but the driver's resident processes. Returns the problems found."""
        problems = []
        try:
            driver.end_test()
        except Exception as e:  # the check below still runs
            problems.append(f"clean-up: {e}")
        resident = driver.resident_pids()
        left = sorted(pid for pid in self.app_ns_pids() - resident if not ended(pid))
        if left:
            problems.append("still running after the test: " + ", ".join(
                f"{pid} ({' '.join(cmdline(pid))[:70] or '?'})" for pid in left))
            for pid in left:
                kill(pid, signal.SIGKILL)
            poll(lambda: self.app_ns_pids() - resident, lambda s: not s, 5)
        return problems

    def responder_echoes(self, addr):
        """How many echo requests to `addr` the responder has seen so far."""
        return len(self.responder_echo_times(addr))

    def responder_echo_requests(self, addr):
        """Each echo request to `addr` as the responder saw it: its fields by name (t_us, src,
        id, seq, bytes, ttl, action, ...), as texts."""
        with open(os.path.join(self.run_dir, "netns", "responder.log")) as f:
            return [dict(re.findall(r"(\w+)=(\S+)", line)) for line in f
                    if line.startswith("echo ") and f" dst={addr} " in line]

    def responder_echo_times(self, addr):
        """When the responder saw each echo request to `addr`, in ms on its own clock."""
        return [int(r["t_us"]) / 1000 for r in self.responder_echo_requests(addr)]

    def responder_echo_monotonic(self, addr):
        """When the responder saw each echo request to `addr`, in s of time.monotonic()."""
        with open(os.path.join(self.run_dir, "netns", "responder.log")) as f:
            start_us = next(int(re.search(r" start_us=(\d+)", line).group(1)) for line in f
                            if line.startswith("ready "))
        return [(start_us + ms * 1000) / 1e6 for ms in self.responder_echo_times(addr)]

    # -- screen and input ---------------------------------------------------------------------

    def _x(self, argv, timeout=30):
        return run([str(a) for a in argv], timeout=timeout,
                   env=dict(os.environ, DISPLAY=self.display))

    def screenshot(self, name):
        """The whole screen, saved as build/e2e/shots/NAME.png."""
        path = os.path.join(SHOTS, f"{name}.png")
        self._x(["import", "-window", "root", path])
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True,
                              timeout=30, check=True).stdout
        return Shot(path, *read_ppm(data))

    def grab(self, rect):
        """The pixels of one screen rectangle, not saved: for polling a colour."""
        w, h = size(rect)
        data = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{rect[0]}+{rect[1]}",
                               "-depth", "8", "ppm:-"], capture_output=True, timeout=30,
                              check=True, env=dict(os.environ, DISPLAY=self.display)).stdout
        return Shot(None, *read_ppm(data), origin=(rect[0], rect[1]))

    def pointer(self):
        out = self._x(["xdotool", "getmouselocation", "--shell"]).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"])

    def point(self, x, y):
        """Moves the pointer and returns once the X server has it there. Without a window
        manager, X sends the keys to the window under the pointer. (xdotool's own --sync waits
        for a motion, which never comes when the pointer is there already.)"""
        self._x(["xdotool", "mousemove", x, y])
        wait_until(f"the pointer at {x},{y}", self.pointer, lambda p: p == (x, y), 5,
                   interval=0.02)

    def click(self, x, y):
        self.point(x, y)
        self._x(["xdotool", "click", 1])

    def key(self, *keys):
        self._x(["xdotool", "key", *keys])

    def double_click(self, x, y):
        self.clicks(x, y, 2, 80)

    def clicks(self, x, y, count, gap_ms):
        """`count` clicks at x, y, one every `gap_ms`."""
        self.point(x, y)
        self._x(["xdotool", "click", "--repeat", count, "--delay", gap_ms, 1], timeout=60)

    def click_each(self, *points):
        """A click at each point in turn, in one go: the X server takes them back to back."""
        argv = ["xdotool"]
        for x, y in points:
            argv += ["mousemove", x, y, "click", 1]
        self._x(argv)

    def drag(self, x1, y1, x2, y2):
        """Presses the left button at x1, y1 and releases it at x2, y2."""
        self.point(x1, y1)
        self._x(["xdotool", "mousedown", 1])
        self.point(x2, y2)
        self._x(["xdotool", "mouseup", 1])

    def hold_key(self, key, seconds):
        """Holds a key down for `seconds` (the X server repeats it meanwhile), then lets go."""
        self._x(["xdotool", "keydown", key])
        try:
            time.sleep(seconds)
        finally:
            self._x(["xdotool", "keyup", key])

    def type_text(self, text, delay_ms=40):
        self._x(["xdotool", "type", "--delay", delay_ms, "--", text])


def stop_group(popen):
    """Ends the process group that popen leads: TERM, then KILL if it has not ended in 10 s."""
    if popen.poll() is not None:
        return
    os.killpg(popen.pid, signal.SIGTERM)
    try:
        popen.wait(timeout=10)
    except subprocess.TimeoutExpired:
        os.killpg(popen.pid, signal.SIGKILL)
        popen.wait()


def background(argv, out_path, stderr=subprocess.STDOUT, **kw):
    """Starts argv in a session of its own, with no input and its output going to the file
    `out_path`; returns its Popen."""
    with open(out_path, "w") as out:
        return subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=stderr,
                                start_new_session=True, **kw)


def cmdline(pid):
    """The process's arguments ([] when it has gone)."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().decode("utf-8", "replace").split("\0")[:-1]
    except OSError:
        return []


# ---------------------------------------------------------------------------------------------
# Tests


# A scenario or a check of the rig: `fn` takes the driver; `platforms` limits it to those
# drivers (None: every driver).
Test = collections.namedtuple("Test", "name fn platforms", defaults=(None,))
