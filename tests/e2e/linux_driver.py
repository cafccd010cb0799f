"""The Linux driver: the native program under a window manager (openbox unless asked for xfwm4
or mutter) on the rig's display, read through AT-SPI.

The program runs inside the rig's test namespace in the desktop session of linux_session.py
(buses, accessibility registry, window manager). Reading goes through atspi_reader.py, one call per
read, as the user that the program runs as: a program answers the reader through a connection of
its own (AT-SPI's peer-to-peer socket) that admits its own user and root, and a reader as root
gets no answer from a program of another user. The X side (window ids, EWMH state, moving and
closing) goes through wmctrl, xprop and xdotool. Each window is found by its accessible id
(TForm_Main, TForm_Config) among the programs of this driver, each control by its role and its
place in the window's client area (layout.py).

The socket kind: with "datagram" the namespace's net.ipv4.ping_group_range admits every group,
so the program echoes through a datagram ICMP socket; with "raw" it admits none, so the program
(root, with CAP_NET_RAW) falls back to a raw socket.
"""

import fcntl
import json
import os
import re
import shutil
import subprocess
import tempfile
import time

import layout
from driver import (CLASSES, ROLE_OF_CLASS, Control, Driver, MessageBox, Window, WindowEvent,
                    json_lines, layout_name, process_use, read_only_argv)
from linux_session import NOBODY, Session, as_user, with_descendants
from orca_session import Orca
from rig import Skip, background, check, exit_text, poll, run, stop_group

# The accessible role that provides each kind of control of the layout.
ROLE_OF_KIND = {"panel": "label", "label": "label", "frame": "panel", "button": "push button",
                "check": "check box", "group": "grouping", "edit": "text"}
BOX_ROLES = ("alert", "dialog")
PING_GROUPS = {"datagram": "0 2147483647", "raw": "1 0"}
# What a sanitized program writes when it finds a fault (at once, or at its exit).
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|"
                              r"SUMMARY: \w+Sanitizer")
# _MOTIF_WM_HINTS: the flags of its functions and decorations fields, the functions a window
# asks its frame to offer and the decorations (the buttons among them) it asks it to draw.
MWM_HINTS_FUNCTIONS, MWM_HINTS_DECORATIONS = 0x1, 0x2
MWM_ALL, MWM_RESIZE, MWM_MINIMIZE, MWM_MAXIMIZE, MWM_CLOSE = 0x1, 0x2, 0x8, 0x10, 0x20
MWM_DECOR_ALL, MWM_DECOR_BORDER, MWM_DECOR_RESIZEH, MWM_DECOR_TITLE = 0x1, 0x2, 0x4, 0x8
MWM_DECOR_MENU, MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 0x10, 0x20, 0x40
X_PROPERTIES = ("WM_WINDOW_ROLE", "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_FRAME_EXTENTS",
                "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS", "_NET_WM_ALLOWED_ACTIONS")


class LinuxDriver(Driver):
    name = "linux"
    program_file = "vorlix"
    echo_missing_message = ("ICMP ソケットを開けません。net.ipv4.ping_group_range の設定を"
                            "確認してください。")

    def __init__(self, rig, exe, socket_kind="datagram", wm="openbox"):
        super().__init__(rig)
        check(socket_kind in PING_GROUPS, f"no socket kind {socket_kind!r}")
        self.exe, self.socket_kind, self.wm = exe, socket_kind, wm
        self.session = Session(rig, wm)
        self.ping_groups_changed = False
        self.face = None

    # -- the run ---------------------------------------------------------------------------------

    def setup(self):
        check(os.path.isfile(self.exe), f"not built: {self.exe}")
        self.set_ping_groups(PING_GROUPS[self.socket_kind])
        self.session.start()

    def stop_platform(self):
        self.session.stop(self.platform_pids())

    def resident_pids(self):
        return self.session.resident_pids()

    def platform_pids(self):
        roots = [p.popen.pid for p in self.programs] + [p.pid for w in self.watches
                                                        for p in w.popens]
        return sorted(self.resident_pids() | set(with_descendants(roots)))

    def set_ping_groups(self, groups):
        run(["ip", "netns", "exec", self.rig.app_ns, "sysctl", "-q", "-w",
             f"net.ipv4.ping_group_range={groups}"])

    def _running_pids(self):
        return [str(p.popen.pid) for p in self.programs if p.running()]

    def _tops(self):
        """(pid, window) of each top-level accessible of the running programs."""
        tops = []
        for uid in sorted({p.uid for p in self.programs if p.running()}):
            pids = [str(p.popen.pid) for p in self.programs if p.running() and p.uid == uid]
            apps = json.loads(self.session.reader(uid, "tree", *pids).stdout)["apps"]
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
        for line in self.session.x(["wmctrl", "-lp"], check_rc=False).stdout.splitlines():
            parts = line.split(None, 3)
            if len(parts) < 3 or parts[2] not in pids:
                continue
            props = xprops(self.session.x(["xprop", "-id", parts[0], *X_PROPERTIES],
                                          check_rc=False).stdout)
            if props.get("WM_WINDOW_ROLE") == f'"{CLASSES[role]}"':
                return parts[0], props
        return None, {}

    def _shown(self, role):
        """_xwindow of the shown window of that role; fails when there is none."""
        xid, props = self._xwindow(role)
        check(xid, f"no shown {CLASSES[role]}")
        return xid, props

    # -- the program -----------------------------------------------------------------------------

    def start(self, workdir, echo_service=True, show=None, read_only=False, display=True):
        """As Driver.start; display=False starts the program with no DISPLAY, as from a text
        console or a Wayland session without XWayland."""
        if show:
            raise Skip("Linux gives a program no start-up show command: a launcher cannot ask "
                       "for a minimized or maximized start")
        exe, log_path = self.exe, workdir + ".log"
        if not echo_service:
            # Neither socket kind: no group in ping_group_range, an unprivileged user without
            # capabilities. The program and its working folder go where that user reaches them.
            if self.socket_kind != "raw":
                self.set_ping_groups("1 0")
                self.ping_groups_changed = True
            reachable = tempfile.mkdtemp(dir=self.session.area)
            os.chmod(reachable, 0o755)
            exe = os.path.join(reachable, os.path.basename(self.exe))
            shutil.copy2(self.exe, exe)
            workdir = shutil.copytree(workdir, os.path.join(reachable, "work"))
            for path in [workdir] + [os.path.join(workdir, f) for f in os.listdir(workdir)]:
                os.chown(path, NOBODY, NOBODY)
        argv = [exe] if echo_service else as_user(NOBODY, [exe], "--inh-caps=-all")
        if read_only:
            argv = read_only_argv(workdir, argv)  # root writes anywhere else
        env = self.session.env()
        if not display:
            del env["DISPLAY"]
        prog = self.spawn(argv, env, workdir, workdir, log_path)
        prog.uid = 0 if echo_service else NOBODY
        return prog

    def launch(self, argv, cwd, env, settings_dir):
        """Starts `argv`, a desktop entry's command, as a desktop's launcher does: in `cwd`, with
        the session's environment and `env` over it. The Program's folder is `settings_dir`,
        where its Vorlix.ini is expected; its log goes to the rig's run folder."""
        log_path = os.path.join(self.rig.run_dir, f"launch-{time.monotonic_ns()}.log")
        prog = self.spawn(argv, dict(self.session.env(), **env), cwd, settings_dir, log_path)
        prog.uid = 0
        return prog

    def wait_gone(self, timeout):
        remaining, _ = poll(lambda: with_descendants([p.popen.pid for p in self.programs]),
                            lambda pids: not pids, timeout, interval=0.2)
        return remaining

    def end_test(self):
        reports = [f"{os.path.basename(p.log_path)}: {p.log_tail(400)!r}"
                   for p in self.end_programs(lambda _prog: self._close_status_window())
                   if SANITIZER_REPORT.search(p.log_tail(100000))]
        if self.ping_groups_changed:
            self.set_ping_groups(PING_GROUPS[self.socket_kind])
            self.ping_groups_changed = False
        check(not reports, "the sanitizers reported: " + "; ".join(reports))

    def _close_status_window(self):
        xid, _ = self._xwindow(layout.STATUS)
        if xid:
            self.session.x(["wmctrl", "-i", "-c", xid], check_rc=False)

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
        state = props.get("_NET_WM_STATE", "")
        shape = ("minimized" if "_NET_WM_STATE_HIDDEN" in state else
                 "maximized" if "MAXIMIZED_VERT" in state and "MAXIMIZED_HORZ" in state else
                 "normal")
        return Window(role=role, title=w["name"], frame=rect(w["ext"]),
                      client=rect(client_of(w)["ext"]), enabled="sensitive" in w["states"],
                      topmost="_NET_WM_STATE_ABOVE" in state, handle=xid or "", state=shape,
                      active="active" in w["states"])

    def application(self):
        # A GTK program has no window of its own for the whole program (the task bar shows its
        # windows): the title goes to the application name.
        return None

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
                if child["role"] == "info bar":
                    continue  # what the result panel announces through: no control of its own
                x, y, width, height = child["ext"]
                x, y = x - cx, y - cy
                name, kind = layout_name(role, x, y, child["role"], ROLE_OF_KIND)
                states = child["states"]
                found[name] = Control(
                    name=name, kind=kind, text=child.get("text", child["name"]),
                    pos=(x, y, width, height), rect=rect(child["ext"]),
                    visible="showing" in states, enabled="sensitive" in states,
                    checked=("checked" in states) if child["role"] == "check box" else None,
                    focused="focused" in states,
                    default=("is default" in states) if child["role"] == "push button" else None,
                    handle=f"{child['ext'][0]},{child['ext'][1]}", accessible_name=child["name"])
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
        xid, props = self._shown(role)
        asked, drawn = motif_hints(props.get("_MOTIF_WM_HINTS", ""))
        allowed = props.get("_NET_WM_ALLOWED_ACTIONS", "")
        sizes = re.findall(r"(minimum|maximum) size: (\d+) by (\d+)",
                           props.get("WM_NORMAL_HINTS", ""))
        fixed = len(sizes) == 2 and sizes[0][1:] == sizes[1][1:]
        said = f"_MOTIF_WM_HINTS {props.get('_MOTIF_WM_HINTS', 'none')}"
        # The window kind that gives the program its one taskbar entry where Windows has the
        # application window: the status window is a normal window, the settings window a
        # utility window (which window managers keep out of the taskbar and Alt+Tab).
        kind = "_NET_WM_WINDOW_TYPE_NORMAL" if role == layout.STATUS else \
            "_NET_WM_WINDOW_TYPE_UTILITY"
        return {
            "tool_window": (kind in props.get("_NET_WM_WINDOW_TYPE", ""),
                            f"{props.get('_NET_WM_WINDOW_TYPE', 'no type')}, want {kind}"),
            # The buttons the window asks its frame to draw; openbox, xfwm4 and icewm draw
            # theirs whatever a window asks. The status window keeps the minimize function
            # (without its button) for its taskbar entry.
            "minimize_box": (bool(drawn & MWM_DECOR_MINIMIZE), said),
            "maximize_box": (bool(drawn & MWM_DECOR_MAXIMIZE) or bool(asked & MWM_MAXIMIZE) or
                             "MAXIMIZE" in allowed, f"{said}; allowed: {allowed}"),
            "window_menu_box": (bool(drawn & MWM_DECOR_MENU), said),
            "resizable": (not fixed or bool(asked & MWM_RESIZE) or bool(drawn & MWM_DECOR_RESIZEH)
                          or "RESIZE" in allowed,
                          f"size hints {sizes}; allowed: {allowed}"),
            # What the window asks for; openbox draws a close button on every frame, and a click
            # on it is a close request (close_button() says where it is drawn).
            "close_box": (bool(asked & MWM_CLOSE), said),
        }

    RESOURCE_NOTES = {
        "open_fds": "the file descriptors of the program's process (/proc/PID/fd)",
        "linux_rss": "VmRSS of the program's process (/proc/PID/status), in bytes; none for a "
                     "sanitized build, whose AddressSanitizer holds freed memory back (its "
                     "quarantine), where LeakSanitizer at the exit finds leaks instead",
    }

    def resources(self):
        prog = next((p for p in self.programs if p.running()), None)
        check(prog, "no running program to read the resources of")
        use = process_use(prog.popen.pid)
        with open(f"/proc/{prog.popen.pid}/maps") as f:
            if "libasan" in f.read():
                use["linux_rss"] = None
        return use

    def button_face(self):
        if self.face is None:
            p = self.session.reader(0, "face", env=dict(self.session.env(), NO_AT_BRIDGE="1"))
            self.face = tuple(json.loads(p.stdout))
        return self.face

    def screen_reader(self):
        orca = Orca(self.session)
        self.watches.append(orca)  # ended with the test, as the watches are
        orca.start()
        return orca

    def accessible_names(self, role):
        return {name: c.accessible_name for name, c in self.controls(role).items()}

    def tooltip(self):
        # GTK's tooltip is a window of its own, of the tooltip type, that AT-SPI does not list;
        # its text is the accessible description of the control it is shown for.
        shown = self.session.x(["xdotool", "search", "--onlyvisible", "--classname", "vorlix"],
                               check_rc=False).stdout.split()
        if not any("_NET_WM_WINDOW_TYPE_TOOLTIP" in self.session.x(
                ["xprop", "-id", xid, "_NET_WM_WINDOW_TYPE"], check_rc=False).stdout
                for xid in shown):
            return None
        for _, w in self._tops():
            described = [n["description"] for n in walk(w) if n.get("description")]
            if described:
                return described[0]
        return None

    def shortcut_keys(self, role, name):
        _, w = self._top(role)
        check(w, f"no shown {CLASSES[role]}")
        control = self.control(role, name)
        node = next((n for n in walk(w) if rect(n["ext"]) == control.rect and "keys" in n), None)
        return node["keys"] if node else None

    def watch(self):
        w = _AtspiWatch(self, os.path.join(self.rig.run_dir,
                                           f"watch-{time.monotonic_ns()}.jsonl"))
        self.watches.append(w)
        return w

    # -- acting ----------------------------------------------------------------------------------

    def request_close(self, role):
        xid, _ = self._shown(role)
        # _NET_CLOSE_WINDOW: openbox passes it on as WM_DELETE_WINDOW, as its close button does.
        self.session.x(["wmctrl", "-i", "-c", xid])

    def close_button(self, role):
        if self.wm != "openbox":
            raise Skip(f"where {self.wm} draws its close button is not known to the driver")
        xid, props = self._shown(role)
        if "_NET_WM_ACTION_CLOSE" not in props.get("_NET_WM_ALLOWED_ACTIONS", ""):
            return None
        win = self.window(role)
        left, right, top, bottom = map(int, props["_NET_FRAME_EXTENTS"].split(", "))
        # openbox's default theme: square buttons as high as the title bar inside its border,
        # the close button last on the right.
        return win.frame[2] - right - top // 2, win.frame[1] + top // 2

    def move(self, role, x, y):
        xid, _ = self._shown(role)
        # The windows have north-west gravity: openbox puts the frame's corner at x, y.
        self.session.x(["xdotool", "windowmove", xid, str(x), str(y)])

    def restore(self):
        raise Skip("no start-up show command on Linux, so nothing starts minimized to restore")

    def set_text(self, role, name, text):
        handle = self.control(role, name).handle
        pid = self._top(role)[0]
        uid = next(p.uid for p in self.programs if p.popen.pid == pid)
        self.session.reader(uid, "settext", str(pid), *handle.split(","), text)

    def hold_file(self, path, share):
        holder = _FlockHolder(path, share)
        self.holders.append(holder)
        return holder

    def answer_box(self, box):
        pid, name = box.handle.split("\t", 1)
        uid = next((p.uid for p in self.programs if str(p.popen.pid) == pid), 0)
        self.session.reader(uid, "press", pid, name, "OK", check_rc=False)


class _FlockHolder:
    """The file open in the test's own process with the advisory lock that the program's file
    access honours: "read" a shared lock (others may read, no one may write), "none" an
    exclusive one (no one may read or write)."""

    def __init__(self, path, share):
        check(share in ("read", "none"), f"no share {share!r}")
        self.fd = os.open(path, os.O_RDONLY | os.O_CLOEXEC)
        fcntl.flock(self.fd, fcntl.LOCK_SH if share == "read" else fcntl.LOCK_EX)

    def release(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None


class _AtspiWatch:
    """atspi_reader.py watch in the background, writing events to files: one as root and one as
    the unprivileged user, since each reads only the windows of programs of its user. Every
    event is seen by the program's own notice or a look every 20 ms, none is exact (from the
    window system); "application" is the program's accessible application, made as its
    toolkit starts."""

    def __init__(self, driver, path):
        self.started = time.monotonic()
        self.paths = [f"{path}.{uid}" for uid in (0, NOBODY)]
        self.popens = [background(driver.session.reader_argv(uid, "watch"), out_path,
                                  subprocess.DEVNULL)
                       for uid, out_path in zip((0, NOBODY), self.paths)]

    def wait_ready(self, timeout):
        def ready():
            return all(any(e.get("ready") for e in json_lines(path)) for path in self.paths)
        _, ok = poll(ready, bool, timeout)
        check(ok, f"the window watch did not start within {timeout} s "
                  f"({', '.join(exit_text(p.poll()) for p in self.popens)})")

    def events(self):
        events = []
        for e in (e for path in self.paths for e in json_lines(path) if "mono" in e):
            role = ("application" if e["role"] == "application" else
                    ROLE_OF_CLASS.get(e["id"],
                                      "message box" if e["role"] in BOX_ROLES else "other"))
            events.append(WindowEvent(t_ms=int((e["mono"] - self.started) * 1000), role=role,
                                      visible=e["visible"], active=e["active"]))
        return sorted(events, key=lambda e: e.t_ms)

    def stop(self):
        for popen in self.popens:
            stop_group(popen)
        return self.events()


# -------------------------------------------------------------------------------------------------


def motif_hints(text):
    """The functions and the decorations that a _MOTIF_WM_HINTS value (xprop's spelling) asks
    for, each as the bits of what it names; a field the hints leave out asks for everything."""
    hints = [int(v, 16) for v in text.split(", ") if v]
    flags = hints[0] if hints else 0
    asked = hints[1] if flags & MWM_HINTS_FUNCTIONS else MWM_ALL
    drawn = hints[2] if flags & MWM_HINTS_DECORATIONS else MWM_DECOR_ALL
    # ALL with others: everything but the others.
    return (~asked if asked & MWM_ALL else asked), (~drawn if drawn & MWM_DECOR_ALL else drawn)


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
    """xprop's output as {property: value}: the rest of its line, and the lines of a value that
    spans lines."""
    props, key = {}, None
    for line in text.splitlines():
        if line[:1] in ("\t", " ") and key:
            props[key] += "\n" + line.strip()
            continue
        m = re.match(r"([A-Z_0-9a-z]+)(\([^)]*\))?(:| =) ?(.*)$", line)
        if m:
            key = m.group(1)
            props[key] = m.group(4)
            if "not found" in m.group(4) or "no such atom" in m.group(4):
                del props[key]
                key = None
    return props
