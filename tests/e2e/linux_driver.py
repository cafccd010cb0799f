"""The Linux driver: the native program under openbox on the rig's display, read through AT-SPI.

Inside the rig's test namespace it runs a session bus and the accessibility bus (abstract and
path sockets of a bus belong to the namespace that made them), openbox, and the program. The
buses run as an unprivileged user, so that both a start as root and the start without the
right to open ICMP sockets (as that user) reach them; root may connect to any user's bus.

Reading goes through atspi_reader.py under the system's python (which has pyatspi), one call per
read, as the user that the program runs as: a program answers the reader through a connection of
its own (AT-SPI's peer-to-peer socket) that it opens to its own user and root only, and a reader
as root reaches a program of another user through it only half-way. The X side (window ids, EWMH state, moving and closing) through wmctrl, xprop and xdotool.
Each window is found by its accessible id (TForm_Main, TForm_Config) among the programs of this
driver, each control by its role and its place in the window's client area (layout.py).

The socket kind: with "datagram" the namespace's net.ipv4.ping_group_range admits every group,
so the program echoes through a datagram ICMP socket; with "raw" it admits none, so the program
(root, with CAP_NET_RAW) falls back to a raw socket.
"""

import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import layout
from driver import Control, Driver, MessageBox, Program, Watch, Window, WindowEvent
from rig import HERE, Failure, check, exit_text, poll, run

READER = os.path.join(HERE, "atspi_reader.py")
SYSTEM_PYTHON = "/usr/bin/python3"  # the python that has pyatspi
AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
AT_SPI_REGISTRY = "/usr/libexec/at-spi2-registryd"
CLASSES = {layout.STATUS: "TForm_Main", layout.SETTINGS: "TForm_Config"}
# The accessible role that provides each kind of control of the layout.
ROLE_OF_KIND = {"panel": "label", "label": "label", "frame": "panel", "button": "push button",
                "check": "check box", "group": "grouping", "edit": "text"}
BOX_ROLES = ("alert", "dialog")
# The unprivileged user: the buses, and the start without the right to open ICMP sockets.
NOBODY = 65534
PING_GROUPS = {"datagram": "0 2147483647", "raw": "1 0"}
# What a sanitized program writes when it finds a fault (at once, or at its exit).
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")
# _MOTIF_WM_HINTS: the functions flag and the functions a window asks its frame to offer.
MWM_HINTS_FUNCTIONS = 0x1
MWM_ALL, MWM_RESIZE, MWM_MINIMIZE, MWM_MAXIMIZE = 0x1, 0x2, 0x8, 0x10


class LinuxDriver(Driver):
    name = "linux"
    program_file = "vorlix"
    echo_missing_message = ("ICMP ソケットを開けません。net.ipv4.ping_group_range の設定を"
                            "確認してください。")

    def __init__(self, rig, exe, socket_kind="datagram"):
        super().__init__(rig)
        check(socket_kind in PING_GROUPS, f"no socket kind {socket_kind!r}")
        self.exe, self.socket_kind = exe, socket_kind
        self.area = None  # a folder the unprivileged user reaches: buses, home, its programs
        self.session_bus = self.bus_launcher = self.registry = self.openbox = None
        self.programs = []
        self.watches = []
        self.ping_groups_changed = False
        self.face = None

    # -- the run ---------------------------------------------------------------------------------

    def setup(self):
        check(os.path.isfile(self.exe), f"not built: {self.exe}")
        check(os.path.isfile(SYSTEM_PYTHON) and os.path.isfile(AT_SPI_BUS_LAUNCHER),
              f"{SYSTEM_PYTHON} (with python3-pyatspi) and at-spi2-core are needed")
        # Under /tmp, since the repository may lie in a folder that only root may enter.
        self.area = tempfile.mkdtemp(prefix="vorlix-e2e-")
        os.chmod(self.area, 0o755)
        for sub, mode in (("runtime", 0o700), ("home", 0o755)):
            path = os.path.join(self.area, sub)
            os.mkdir(path, mode)
            os.chown(path, NOBODY, NOBODY)
        self.set_ping_groups(PING_GROUPS[self.socket_kind])

        bus_path = os.path.join(self.area, "runtime", "bus")
        self.bus_address = f"unix:path={bus_path}"
        self.session_bus = self._resident(
            "session-bus", ["dbus-daemon", "--session", "--nofork", "--nosyslog",
                            f"--address={self.bus_address}"], as_nobody=True)
        wait_for(f"the session bus at {bus_path}", lambda: os.path.exists(bus_path),
                 self.session_bus, 10)
        # The accessibility bus; the launcher puts its address on the display (AT_SPI_BUS),
        # where the program's accessibility bridge and the reader look first.
        self.bus_launcher = self._resident(
            "at-spi-bus", [AT_SPI_BUS_LAUNCHER, "--launch-immediately", "--a11y=1"],
            as_nobody=True)
        wait_for("the accessibility bus on the display", lambda: "unix:" in self._x(
            ["xprop", "-root", "AT_SPI_BUS"], check_rc=False).stdout, self.bus_launcher, 10)
        # Started here rather than by the bus on first use, so that it is one of the processes
        # that live for the whole run (a started service is no child of the bus).
        self.registry = self._resident("at-spi-registry", [AT_SPI_REGISTRY], as_nobody=True)
        wait_for("the accessibility registry", lambda: "running with well-known name" in
                 read_file(os.path.join(self.rig.run_dir, "at-spi-registry.log")),
                 self.registry, 10)
        self.openbox = self._resident("openbox", ["openbox", "--sm-disable"])
        wait_for("openbox to manage the display", lambda: self._x(
            ["wmctrl", "-m"], check_rc=False).returncode == 0, self.openbox, 10)
        # The reader goes where the unprivileged user reaches it too.
        self.reader_copy = os.path.join(self.area, "atspi_reader.py")
        shutil.copy(READER, self.reader_copy)
        os.chmod(self.reader_copy, 0o644)
        self.reader(0, "tree")  # the reader reaches the accessibility bus

    def teardown(self):
        if self.rig.display:
            try:
                self.end_test()
            except Exception:  # what is left is ended below
                pass
        pids = self.platform_pids()
        for sig in (signal.SIGTERM, signal.SIGKILL):
            for pid in [p for p in pids if alive(p)]:
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            poll(lambda: [p for p in pids if alive(p)], lambda left: not left, 3)
        for popen in self._residents():
            if popen:
                popen.wait()
        if self.area:
            shutil.rmtree(self.area, ignore_errors=True)

    def resident_pids(self):
        roots = [p.pid for p in self._residents() if p]
        return set(with_descendants(roots))

    def platform_pids(self):
        roots = [p.popen.pid for p in self.programs] + [p.pid for w in self.watches
                                                        for p in w.popens]
        return sorted(self.resident_pids() | set(with_descendants(roots)))

    def _residents(self):
        return self.session_bus, self.bus_launcher, self.registry, self.openbox

    def _env(self):
        env = self.rig.base_env()
        env.update({"HOME": os.path.join(self.area, "home"),
                    "XDG_RUNTIME_DIR": os.path.join(self.area, "runtime"),
                    "DBUS_SESSION_BUS_ADDRESS": self.bus_address})
        return env

    def _resident(self, name, argv, as_nobody=False):
        """Starts a process that lives for the whole run in the namespace; its output goes to
        a log in the rig's run folder."""
        if as_nobody:
            argv = as_user(NOBODY, argv)
        env = self._env() if name != "session-bus" else dict(
            self._env(), DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null/no-bus")
        with open(os.path.join(self.rig.run_dir, f"{name}.log"), "w") as log:
            return subprocess.Popen(self.rig.in_app_ns(argv, env), stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT, cwd=self.area,
                                    start_new_session=True)

    def set_ping_groups(self, groups):
        run(["ip", "netns", "exec", self.rig.app_ns, "sysctl", "-q", "-w",
             f"net.ipv4.ping_group_range={groups}"])

    # -- helpers ---------------------------------------------------------------------------------

    def reader_argv(self, uid, *args):
        return self.rig.in_app_ns(as_user(uid, [SYSTEM_PYTHON, self.reader_copy, *args]),
                                  self._env())

    def reader(self, uid, *args, check_rc=True):
        return run(self.reader_argv(uid, *args), timeout=20, check_rc=check_rc)

    def _x(self, argv, check_rc=True):
        """An X client (outside the namespace: it reaches the display through its socket file
        and nothing else)."""
        return run(argv, timeout=20, check_rc=check_rc,
                   env=dict(os.environ, DISPLAY=self.rig.display))

    def _running_pids(self):
        return [str(p.popen.pid) for p in self.programs if p.running()]

    def _tops(self):
        """(pid, window) of each top-level accessible of the running programs."""
        tops = []
        for uid in sorted({p.uid for p in self.programs if p.running()}):
            pids = [str(p.popen.pid) for p in self.programs if p.running() and p.uid == uid]
            apps = json.loads(self.reader(uid, "tree", *pids).stdout)["apps"]
            tops += [(app["pid"], w) for app in apps for w in app["windows"]]
        return tops

    def _top(self, role):
        for pid, w in self._tops():
            if w["role"] == "frame" and w["id"] == CLASSES[role] and "showing" in w["states"]:
                return pid, w
        return None, None

    def _xwindow(self, role):
        """The X window id and properties of the program's shown window of that role."""
        pids = set(self._running_pids())
        for line in self._x(["wmctrl", "-lp"], check_rc=False).stdout.splitlines():
            parts = line.split(None, 3)
            if len(parts) < 3 or parts[2] not in pids:
                continue
            props = xprops(self._x(["xprop", "-id", parts[0], "WM_WINDOW_ROLE", "_NET_WM_STATE",
                                    "_NET_WM_WINDOW_TYPE", "_NET_FRAME_EXTENTS",
                                    "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS",
                                    "_NET_WM_ALLOWED_ACTIONS"], check_rc=False).stdout)
            if props.get("WM_WINDOW_ROLE") == f'"{CLASSES[role]}"':
                return parts[0], props
        return None, {}

    # -- the program -----------------------------------------------------------------------------

    def start(self, workdir, echo_service=True):
        exe, log_path = self.exe, workdir + ".log"
        if not echo_service:
            # Neither socket kind: no group in ping_group_range, an unprivileged user without
            # capabilities. The program and its working folder go where that user reaches them.
            if self.socket_kind != "raw":
                self.set_ping_groups("1 0")
                self.ping_groups_changed = True
            reachable = tempfile.mkdtemp(dir=self.area)
            os.chmod(reachable, 0o755)
            exe = os.path.join(reachable, os.path.basename(self.exe))
            shutil.copy2(self.exe, exe)
            workdir = shutil.copytree(workdir, os.path.join(reachable, "work"))
            for path in [workdir] + [os.path.join(workdir, f) for f in os.listdir(workdir)]:
                os.chown(path, NOBODY, NOBODY)
        argv = [exe] if echo_service else as_user(NOBODY, [exe], "--inh-caps=-all")
        with open(log_path, "w") as log:
            popen = subprocess.Popen(self.rig.in_app_ns(argv, self._env()), cwd=workdir,
                                     stdin=subprocess.DEVNULL, stdout=log,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        prog = Program(popen, workdir, log_path)
        prog.uid = 0 if echo_service else NOBODY
        self.programs.append(prog)
        return prog

    def wait_gone(self, timeout):
        def left():
            roots = [p.popen.pid for p in self.programs]
            return [pid for pid in with_descendants(roots) if alive(pid)]
        remaining, _ = poll(left, lambda pids: not pids, timeout, interval=0.2)
        return remaining

    def end_test(self):
        for w in self.watches:
            w.stop()
        self.watches.clear()
        for prog in self.programs:
            if prog.running():
                xid, _ = self._xwindow(layout.STATUS)
                if xid:
                    self._x(["wmctrl", "-i", "-c", xid], check_rc=False)
                if prog.wait(5) is None:
                    os.killpg(prog.popen.pid, signal.SIGKILL)
                    prog.wait(5)
        reports = [f"{os.path.basename(p.log_path)}: {p.log_tail(400)!r}"
                   for p in self.programs if SANITIZER_REPORT.search(p.log_tail(100000))]
        self.programs.clear()
        if self.ping_groups_changed:
            self.set_ping_groups(PING_GROUPS[self.socket_kind])
            self.ping_groups_changed = False
        check(not reports, "the sanitizers reported: " + "; ".join(reports))

    def echo_socket(self, prog):
        """The kind of ICMP socket ("datagram" or "raw") that the program has open, or None."""
        pid = prog.popen.pid
        try:
            inodes = {os.readlink(f"/proc/{pid}/fd/{fd}")[8:-1]
                      for fd in os.listdir(f"/proc/{pid}/fd")}
        except OSError:
            return None
        for kind, table in (("datagram", "icmp"), ("raw", "raw")):
            try:
                with open(f"/proc/{pid}/net/{table}") as f:
                    if any(line.split()[9] in inodes for line in f.readlines()[1:]):
                        return kind
            except (OSError, IndexError):
                pass
        return None

    # -- reading ---------------------------------------------------------------------------------

    def window(self, role):
        _, w = self._top(role)
        if not w:
            return None
        xid, props = self._xwindow(role)
        return Window(role=role, title=w["name"], frame=rect(w["ext"]),
                      client=rect(client_of(w)["ext"]), enabled="sensitive" in w["states"],
                      topmost="_NET_WM_STATE_ABOVE" in props.get("_NET_WM_STATE", ""),
                      handle=xid or "")

    def controls(self, role):
        _, w = self._top(role)
        if not w:
            return {}
        client = client_of(w)
        cx, cy = client["ext"][:2]
        found = {}

        def visit(node):
            for child in node["children"]:
                if child["role"] == "panel" and child["ext"] == client["ext"]:
                    visit(child)  # the layer that holds the frames, under the other controls
                    continue
                x, y, width, height = child["ext"]
                x, y = x - cx, y - cy
                name = layout.control_named_at(role, x, y)
                spec = layout.CONTROLS[role].get(name)
                kind = spec.kind if spec and ROLE_OF_KIND[spec.kind] == child["role"] else \
                    child["role"]
                name = name or f"?{child['role']}@{x},{y}"
                states = child["states"]
                found[name] = Control(
                    name=name, kind=kind, text=child.get("text", child["name"]),
                    pos=(x, y, width, height), rect=rect(child["ext"]),
                    visible="showing" in states, enabled="sensitive" in states,
                    checked=("checked" in states) if child["role"] == "check box" else None,
                    focused="focused" in states)
        visit(client)
        return found

    def message_boxes(self):
        boxes = []
        for pid, w in self._tops():
            if w["role"] not in BOX_ROLES or "showing" not in w["states"]:
                continue
            nodes = list(walk(w))
            boxes.append(MessageBox(
                caption=w["name"],
                text="\n".join(n["name"] for n in nodes
                               if n["role"] == "label" and n["name"] and "showing" in n["states"]),
                buttons=[n["name"] for n in nodes if n["role"] == "push button"],
                frame=rect(w["ext"]), handle=f"{pid}\t{w['name']}"))
        return boxes

    def frame_facts(self, role):
        xid, props = self._xwindow(role)
        check(xid, f"no shown {CLASSES[role]}")
        hints = [int(v, 16) for v in props.get("_MOTIF_WM_HINTS", "").split(", ") if v]
        asked = MWM_ALL
        if hints and hints[0] & MWM_HINTS_FUNCTIONS:
            asked = hints[1]
        if asked & MWM_ALL:  # everything but the functions listed
            asked = ~asked
        allowed = props.get("_NET_WM_ALLOWED_ACTIONS", "")
        sizes = re.findall(r"(minimum|maximum) size: (\d+) by (\d+)",
                           props.get("WM_NORMAL_HINTS", ""))
        fixed = len(sizes) == 2 and sizes[0][1:] == sizes[1][1:]
        said = f"_MOTIF_WM_HINTS {props.get('_MOTIF_WM_HINTS', 'none')}"
        return {
            "tool_window": ("_NET_WM_WINDOW_TYPE_UTILITY" in props.get("_NET_WM_WINDOW_TYPE", ""),
                            props.get("_NET_WM_WINDOW_TYPE", "no type")),
            # What the window asks its frame for; openbox draws a minimize button on every
            # frame whatever a window asks.
            "minimize_box": (bool(asked & MWM_MINIMIZE), said),
            "maximize_box": (bool(asked & MWM_MAXIMIZE) or "MAXIMIZE" in allowed,
                             f"{said}; allowed: {allowed}"),
            "resizable": (not fixed or bool(asked & MWM_RESIZE) or "RESIZE" in allowed,
                          f"size hints {sizes}; allowed: {allowed}"),
        }

    def button_face(self):
        if self.face is None:
            env = dict(self._env(), NO_AT_BRIDGE="1")
            p = run(self.rig.in_app_ns([SYSTEM_PYTHON, self.reader_copy, "face"], env),
                    timeout=20)
            self.face = tuple(json.loads(p.stdout))
        return self.face

    def watch(self):
        w = _AtspiWatch(self, os.path.join(self.rig.run_dir,
                                           f"watch-{time.monotonic_ns()}.jsonl"))
        self.watches.append(w)
        return w

    # -- acting ----------------------------------------------------------------------------------

    def request_close(self, role):
        xid, _ = self._xwindow(role)
        check(xid, f"no shown {CLASSES[role]} to close")
        # _NET_CLOSE_WINDOW: openbox passes it on as WM_DELETE_WINDOW, as its close button does.
        self._x(["wmctrl", "-i", "-c", xid])

    def close_button(self, role):
        xid, props = self._xwindow(role)
        check(xid, f"no shown {CLASSES[role]}")
        if "_NET_WM_ACTION_CLOSE" not in props.get("_NET_WM_ALLOWED_ACTIONS", ""):
            return None
        win = self.window(role)
        left, right, top, bottom = map(int, props["_NET_FRAME_EXTENTS"].split(", "))
        # openbox's default theme: square buttons as high as the title bar inside its border,
        # the close button last on the right.
        return win.frame[2] - right - top // 2, win.frame[1] + top // 2

    def move(self, role, x, y):
        xid, _ = self._xwindow(role)
        check(xid, f"no shown {CLASSES[role]} to move")
        # The windows have north-west gravity: openbox puts the frame's corner at x, y.
        self._x(["xdotool", "windowmove", xid, str(x), str(y)])

    def answer_box(self, box):
        pid, name = box.handle.split("\t", 1)
        uid = next((p.uid for p in self.programs if str(p.popen.pid) == pid), 0)
        self.reader(uid, "press", pid, name, "OK", check_rc=False)


class _AtspiWatch(Watch):
    """atspi_reader.py watch in the background, writing window events to files: one as root and
    one as the unprivileged user, since each reads only the windows of programs of its user."""

    ROLES = {cls: role for role, cls in CLASSES.items()}

    def __init__(self, driver, path):
        self.paths = [f"{path}.{uid}" for uid in (0, NOBODY)]
        self.popens = []
        for uid, out_path in zip((0, NOBODY), self.paths):
            with open(out_path, "w") as out:
                self.popens.append(subprocess.Popen(
                    driver.reader_argv(uid, "watch"), stdin=subprocess.DEVNULL, stdout=out,
                    stderr=subprocess.DEVNULL, start_new_session=True))

    def _lines(self, path):
        with open(path, encoding="utf-8", errors="replace") as f:
            return [json.loads(line) for line in f if line.startswith("{") and line.endswith("}\n")]

    def wait_ready(self, timeout):
        def ready():
            return all(any(e.get("ready") for e in self._lines(path)) for path in self.paths)
        _, ok = poll(ready, bool, timeout)
        check(ok, f"the window watch did not start within {timeout} s "
                  f"({', '.join(exit_text(p.poll()) for p in self.popens)})")

    def stop(self):
        for popen in self.popens:
            if popen.poll() is None:
                os.killpg(popen.pid, signal.SIGTERM)
                try:
                    popen.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    os.killpg(popen.pid, signal.SIGKILL)
                    popen.wait()
        events = []
        for e in (e for path in self.paths for e in self._lines(path) if "t" in e):
            role = self.ROLES.get(e["id"], "message box" if e["role"] in BOX_ROLES else "other")
            events.append(WindowEvent(t_ms=e["t"], role=role, visible=e["visible"]))
        return sorted(events, key=lambda e: e.t_ms)


# -------------------------------------------------------------------------------------------------


def as_user(uid, argv, *options):
    """argv run as that user (with these further setpriv options), or as it is for root."""
    if uid == 0:
        return argv
    return ["setpriv", f"--reuid={uid}", f"--regid={uid}", "--clear-groups", *options, *argv]


def rect(ext):
    x, y, w, h = ext
    return [x, y, x + w, y + h]


def client_of(window):
    """A form's client area: the fixed layout that fills it, the window's one child."""
    check(window["children"], f"the window {window['name']!r} has no client area")
    return window["children"][0]


def walk(node):
    yield node
    for child in node["children"]:
        yield from walk(child)


def xprops(text):
    """xprop's output as {property: value}; a value that spans lines keeps them."""
    props, key = {}, None
    for line in text.splitlines():
        if line[:1] in ("\t", " ") and key:
            props[key] += "\n" + line.strip()
            continue
        m = re.match(r"([A-Z_0-9a-z]+)(\([^)]*\))?(:| =) ?(.*)$", line)
        if m:
            key = m.group(1)
            props[key] = m.group(4) if m.group(3) == " =" else ""
            if "not found" in m.group(4) or "no such atom" in m.group(4):
                del props[key]
                key = None
    return props


def alive(pid):
    """True while the process exists and has not ended (a zombie has ended)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def with_descendants(roots):
    """The live processes among `roots` and every process below them."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/stat") as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(ppid, []).append(int(name))
    found, todo = [], list(roots)
    while todo:
        pid = todo.pop()
        if alive(pid):
            found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def read_file(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def wait_for(what, ready, popen, timeout):
    """Waits until ready() while the process `popen` runs; raises a Failure otherwise."""
    def read():
        if popen.poll() is not None:
            raise Failure(f"{what}: the process ended ({exit_text(popen.poll())})")
        return ready()
    _, ok = poll(read, bool, timeout)
    check(ok, f"{what}: not within {timeout} s")
