"""The Wine driver: vorlix.exe under Wine on the rig's display, read through wininspect.exe.

Every Wine process (wineboot, the program, wininspect, the wineserver) runs in the rig's test
namespace with one fresh WINEPREFIX for the run and no session bus.
"""

import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

import layout
from driver import (CLASSES, ROLE_OF_CLASS, Control, Driver, Heard, MessageBox, Window,
                    WindowEvent, json_lines, layout_name, process_use, read_only_argv)
from rig import (REPO, Skip, background, check, cmdline, exit_text, kill, poll, run,
                 stop_group)
import wine_prefix  # scripts/lib, on the path through rig

WININSPECT = os.path.join(REPO, "build", "windows", "wininspect.exe")
# Says whether the kernel runs 32-bit x86 programs, as Wine's 32-bit part is.
RUNS_I386 = os.path.join(REPO, "scripts", "lib", "runs_i386.py")
# Why scripts/test did not install Wine's 32-bit part, when it did not.
WINE32_MISSING = os.path.join(REPO, "build", "wine32-not-installed.txt")
BOX_CLASS = "#32770"
# The window classes that provide each kind of control of the layout.
CLASS_OF_KIND = {"panel": "static", "label": "static", "frame": "static", "button": "button",
                 "check": "button", "group": "button", "edit": "edit"}

APPLICATION_CLASS = "TApplication"
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x40000, 0x20000, 0x10000
WS_EX_TOPMOST, WS_EX_TOOLWINDOW = 0x8, 0x80
BS_TYPEMASK, BS_DEFPUSHBUTTON = 0xF, 0x1
SC_RESTORE = "0xF120"
# The show commands of a start (STARTUPINFO.wShowWindow).
SHOW_COMMANDS = {"minimized": 7, "maximized": 3}  # SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED


def windows_path(path):
    """The path of a Linux file as Wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WineDriver(Driver):
    name = "wine"
    program_file = "vorlix.exe"
    echo_missing_message = "必要なファイル ICMP.DLL が見つかりません。"

    def __init__(self, rig, exe, exe32=None):
        super().__init__(rig)
        self.exe, self.exe32 = exe, exe32
        self.prefix = os.path.join(rig.run_dir, "prefix")
        self.program_name = os.path.basename(exe).lower()
        self.annotations = None  # what `wininspect annotations` found, once asked

    # -- the run ---------------------------------------------------------------------------------

    def setup(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        # Wine draws every frame itself and its windows are unmanaged (there is no window
        # manager); Japanese text shows through IPAGothic.
        wine_prefix.make(self.prefix, self.rig.in_app_ns([], self.env()), display="bare")
        self.wine(["wine", "reg", "add",
                   r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
                   "/v", "Tahoma", "/t", "REG_MULTI_SZ", "/d", "ipag.ttf,IPAGothic", "/f"])
        self._end_wine()
        left = self.rig.app_ns_pids()
        check(not left, f"making the Wine prefix left processes running: {sorted(left)}")

    def stop_platform(self):
        for pid in self.platform_pids():
            kill(pid, signal.SIGKILL)
        wine_prefix.remove_server_dir(self.prefix)

    def platform_pids(self):
        """Live processes (not zombies) that run with this run's WINEPREFIX."""
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

    def need_32bit(self):
        """Raises Skip, saying why, unless this Wine runs 32-bit programs."""
        if os.path.isfile(os.path.join(self.prefix, "drive_c", "windows", "syswow64",
                                       "ntdll.dll")):
            return
        kernel = run([sys.executable, RUNS_I386], check_rc=False)
        if kernel.returncode != 0:
            raise Skip(f"{kernel.stdout.strip()}, so Wine's 32-bit part (wine32:i386) cannot run "
                       f"here")
        try:  # why scripts/test could not install it
            with open(WINE32_MISSING) as f:
                why = f"this Wine runs no 32-bit programs: {f.read().strip()}"
        except OSError:
            why = ("this Wine runs no 32-bit programs: its prefix has no syswow64\\ntdll.dll "
                   "(wine32:i386 is not installed; scripts/test installs it)")
        raise Skip(why)

    # -- Wine ------------------------------------------------------------------------------------

    def env(self, overrides=""):
        env = self.rig.base_env()
        env.update({"WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": ";".join(filter(None, [wine_prefix.QUIET_OVERRIDES,
                                                               overrides]))})
        return env

    def wine(self, argv, timeout=30, check_rc=True, overrides=""):
        return run(self.rig.in_app_ns(argv, self.env(overrides)), timeout=timeout,
                   check_rc=check_rc)

    def _end_wine(self):
        """Ends the wineserver and with it every process of the prefix; waits until gone."""
        if self.platform_pids():
            self.wine(["wineserver", "-k"], timeout=15, check_rc=False)
        poll(self.platform_pids, lambda pids: not pids, 15)

    def wait_gone(self, timeout):
        """The prefix ends on its own: the wineserver leaves a few seconds after its last
        program, and with it Wine's own services."""
        left, _ = poll(self.platform_pids, lambda pids: not pids, timeout, interval=0.2)
        return left

    def inspect(self, *args, timeout=20, check_rc=True):
        return self.wine(["wine", WININSPECT, *args], timeout=timeout, check_rc=check_rc)

    def inspect_in_background(self, args, out_path, stderr=subprocess.DEVNULL):
        """Starts wininspect with `args` (rig.background); returns its Popen."""
        return background(self.rig.in_app_ns(["wine", WININSPECT, *args], self.env()), out_path,
                          stderr)

    def _list(self):
        p = self.inspect("list", check_rc=False)
        if p.returncode != 0 and not (p.stdout or p.stderr).strip():
            # "list" itself always ends with 0; an exit of 1 with no output at all is Wine
            # failing to start the inspector, seen once in many runs. Said in the log, then
            # asked again with Wine's error messages on, so that a second failure shows why.
            print(f"  note: the inspector did not start under Wine (exit {p.returncode}, no "
                  f"output); asking again", flush=True)
            env = dict(self.env(), WINEDEBUG="err+all")
            p = run(self.rig.in_app_ns(["wine", WININSPECT, "list"], env), check_rc=False)
        check(p.returncode == 0, f"wininspect list exited {p.returncode}: "
                                 f"{(p.stderr or p.stdout).strip()[-400:]}")
        return [json.loads(line) for line in p.stdout.splitlines() if line]

    def _shown(self, role):
        """The shown top-level window of that role; fails when there is none."""
        w = self._top(CLASSES[role])
        check(w, f"no shown {CLASSES[role]}")
        return w

    def _top(self, cls, windows=None):
        for w in windows if windows is not None else self._list():
            if w["parent"] == "0x0" and w["class"] == cls and w["visible"]:
                return w
        return None

    # -- the program -----------------------------------------------------------------------------

    def start(self, workdir, echo_service=True, show=None, read_only=False, exe=None,
              overrides=""):
        """Wine only: `exe` runs another build, `overrides` adds to WINEDLLOVERRIDES."""
        exe = exe or self.exe
        check(os.path.isfile(exe), f"not built: {exe}")
        self.program_name = os.path.basename(exe).lower()
        if not echo_service:
            overrides = ";".join(filter(None, [overrides, "icmp="]))
        argv = ["wine", exe]
        if show:
            # A Windows process that starts the program with that show command and ends with
            # its exit code.
            argv = ["wine", WININSPECT, "launch", str(SHOW_COMMANDS[show]), windows_path(exe)]
        if read_only:
            # The wineserver opens the files for every Wine process, so it must start in the
            # program's mount namespace too: nothing of the prefix may run before, and nothing
            # else starts until it is up.
            self._end_wine()
            argv = read_only_argv(workdir, argv)
        prog = self.spawn(argv, self.env(overrides), workdir, workdir, workdir + ".log")
        if read_only:
            self._wait_server_beside_program()
        return prog

    def _wait_server_beside_program(self):
        """Waits until the wineserver runs, and fails unless it runs in the mount namespace of
        the program's process."""
        def namespaces():
            found = {"server": set(), "program": set()}
            for p in self.platform_pids():
                first = (cmdline(p) or [""])[0].lower()
                which = ("server" if "wineserver" in first else
                         "program" if first.endswith(self.program_name) else None)
                try:
                    if which:
                        found[which].add(os.readlink(f"/proc/{p}/ns/mnt"))
                except OSError:
                    pass
            return found
        found, ok = poll(namespaces, lambda f: f["server"] and f["program"], 20)
        check(ok and found["server"] == found["program"],
              f"the wineserver runs in mount namespace {found['server'] or 'none'}, the program "
              f"in {found['program'] or 'none'}")

    def end_test(self):
        self.end_programs(
            lambda _prog: self.inspect("close", CLASSES[layout.STATUS], check_rc=False))
        self._end_wine()

    # -- reading ---------------------------------------------------------------------------------

    def window(self, role):
        w = self._top(CLASSES[role])
        return self._window(role, w) if w else None

    @staticmethod
    def _window(role, w):
        state = "minimized" if w["iconic"] else "maximized" if w["zoomed"] else "normal"
        return Window(role=role, title=w["text"], frame=w["rect"], client=w["client"],
                      enabled=w["enabled"], topmost=bool(int(w["exstyle"], 16) & WS_EX_TOPMOST),
                      handle=w["hwnd"], state=state, active=w["active"])

    def application(self):
        w = self._top(APPLICATION_CLASS)
        return self._window("application", w) if w else None

    def controls(self, role):
        windows = self._list()
        top = self._top(CLASSES[role], windows)
        if not top:
            return {}
        hwnds, found = {top["hwnd"]}, {}
        for w in windows:  # each top-level window is followed by all its descendants
            if w["parent"] not in hwnds:
                continue
            hwnds.add(w["hwnd"])
            x, y = w["rect"][0] - top["client"][0], w["rect"][1] - top["client"][1]
            name, kind = layout_name(role, x, y, w["class"].lower(), CLASS_OF_KIND)
            default = None
            if kind == "button":
                default = int(w["style"], 16) & BS_TYPEMASK == BS_DEFPUSHBUTTON
            found[name] = Control(
                name=name, kind=kind, text=w["text"],
                pos=(x, y, w["rect"][2] - w["rect"][0], w["rect"][3] - w["rect"][1]),
                rect=w["rect"], visible=w["visible"], enabled=w["enabled"],
                checked=bool(w["check"]) if "check" in w else None, focused=w["focus"],
                max_length=w.get("limit"), default=default, handle=w["hwnd"])
        return found

    RESOURCE_NOTES = {
        "private_bytes": "PagefileUsage of the system's process list (PrivateUsage on Windows; "
                         "Wine gives 0 for PrivateUsage of another process)",
        "working_set": "GetProcessMemoryInfo's WorkingSetSize",
        "kernel_handles": "GetProcessHandleCount, or where Wine gives 0 for another process, "
                          "HandleCount of the process list, which under Wine is the size of "
                          "the handle table (grown in steps of 32), not the handles in use",
        "gdi_objects": "GetGuiResources(GR_GDIOBJECTS): not implemented by Wine (error 120)",
        "user_objects": "GetGuiResources(GR_USEROBJECTS): not implemented by Wine (error 120)",
        "windows": "the program's windows and controls (EnumWindows, EnumChildWindows)",
        "open_fds": "the file descriptors of the program's Linux process (/proc/PID/fd)",
        "linux_rss": "VmRSS of the program's Linux process (/proc/PID/status), in bytes",
    }

    def resources(self):
        w = self._top(CLASSES[layout.STATUS])
        check(w, "no shown status window to read the resources of")
        got = json.loads(self.inspect("process", w["hwnd"]).stdout)
        handles = got["GetProcessHandleCount"] or got["list_HandleCount"]
        return {"private_bytes": got["list_PagefileUsage"] or got["PrivateUsage"],
                "working_set": got["WorkingSetSize"], "kernel_handles": handles,
                "gdi_objects": got["GetGuiResources_gdi"],
                "user_objects": got["GetGuiResources_user"], "windows": got["windows"],
                **self._program_process()}

    def _program_process(self):
        """The open file descriptors and the resident size of the Linux process that runs the
        program, or None for each when it is not found."""
        for pid in self.platform_pids():
            cmd = " ".join(cmdline(pid)).lower()
            if self.program_name in cmd and "wininspect" not in cmd:
                try:
                    return process_use(pid)
                except OSError:
                    pass
        return {"open_fds": None, "linux_rss": None}

    def message_boxes(self):
        p = self.inspect("msgbox", check_rc=False)
        return [MessageBox(caption=b["caption"], text=b["text"], buttons=b["buttons"],
                           frame=b["rect"], handle=b["hwnd"])
                for b in map(json.loads, p.stdout.splitlines()) if b]

    def frame_facts(self, role):
        w = self._shown(role)
        style, ex = int(w["style"], 16), int(w["exstyle"], 16)
        metrics = self._metrics()
        frame = w["client"][0] - w["rect"][0]
        caption = w["client"][1] - w["rect"][1] - frame
        return {
            "tool_window": (bool(ex & WS_EX_TOOLWINDOW), f"exstyle {w['exstyle']}"),
            "minimize_box": (bool(style & WS_MINIMIZEBOX), f"style {w['style']}"),
            "maximize_box": (bool(style & WS_MAXIMIZEBOX), f"style {w['style']}"),
            "resizable": (bool(style & WS_THICKFRAME), f"style {w['style']}"),
            "small_caption": (caption == metrics["smcaption"],
                              f"{caption} px; small is {metrics['smcaption']}, "
                              f"normal {metrics['caption']}"),
        }

    def _metrics(self):
        return json.loads(self.inspect("metrics").stdout)

    def button_face(self):
        return tuple(self._metrics()["btnface"])

    def watch(self):
        mon = _Monitor(self, os.path.join(self.rig.run_dir, f"monitor-{time.monotonic_ns()}.jsonl"))
        self.watches.append(mon)
        return mon

    def screen_reader(self):
        listener = _LiveRegionWatch(self, os.path.join(
            self.rig.run_dir, f"liveregion-{time.monotonic_ns()}.jsonl"))
        self.watches.append(listener)  # ended with the test, as the watches are
        listener.wait_ready(20)
        return listener

    def tooltip(self):
        tips = [w for w in self._list() if w["parent"] == "0x0" and w["visible"] and
                w["class"].lower() == "tooltips_class32"]
        return tips[0]["text"] if tips else None

    def shortcut_keys(self, role, name):
        # Set as an annotation, like the names: read back only where the system keeps them.
        if not self._annotations()["kept"]:
            return None
        return json.loads(self.inspect("accname", self.control(role, name).handle).stdout).get(
            "shortcut")

    def _annotations(self):
        if self.annotations is None:
            self.annotations = json.loads(self.inspect("annotations").stdout)
        return self.annotations

    def accessible_names(self, role):
        # Names that a program sets are annotations (IAccPropServices); read back only where the
        # system keeps them.
        probe = self._annotations()
        if not probe["kept"]:
            raise Skip(f"this system keeps no annotated accessible names (IAccPropServices::"
                       f"SetHwndPropStr gives {probe['set_hr']}; Wine's oleacc does not "
                       f"implement it), so the names the program sets cannot be read back")
        return {name: json.loads(self.inspect("accname", c.handle).stdout)["name"]
                for name, c in self.controls(role).items()}

    # -- acting ----------------------------------------------------------------------------------

    def request_close(self, role):
        # By class, reading no window's text: a program in the middle of a check takes its
        # close request all the same, and answers it once it handles messages again.
        p = self.inspect("close", CLASSES[role], check_rc=False)
        check(p.returncode == 0, f"no {CLASSES[role]} to close")

    def close_button(self, role):
        w = self._shown(role)
        p = self.inspect("close-box", w["hwnd"], check_rc=False)
        if p.returncode != 0:
            return None
        x, y = map(int, p.stdout.split())
        return x, y

    def move(self, role, x, y):
        w = self._shown(role)
        self.inspect("move", w["hwnd"], str(x), str(y))

    def answer_box(self, box):
        self.inspect("command", box.handle, "1", check_rc=False)

    def restore(self):
        app = self._top(APPLICATION_CLASS)
        check(app, "no application window to restore")
        self.inspect("syscommand", app["hwnd"], SC_RESTORE)

    def set_text(self, role, name, text):
        self.inspect("settext", self.control(role, name).handle, text)

    def hold_file(self, path, share):
        holder = _Holder(self, path, share)
        self.holders.append(holder)
        return holder


def ready_event(path, popen, what, timeout):
    """The "ready" event that wininspect (popen) writes to `path`; fails after `timeout` s."""
    ready, ok = poll(lambda: [e for e in json_lines(path) if e.get("event") == "ready"], bool,
                     timeout, interval=0.02)
    check(ok, f"{what} did not start within {timeout} s ({exit_text(popen.poll())})")
    return ready[0]


class _Holder:
    """`wininspect hold` in the background: a Windows process that keeps the file open."""

    def __init__(self, driver, path, share):
        self.out = os.path.join(driver.rig.run_dir, f"hold-{time.monotonic_ns()}.out")
        self.popen = driver.inspect_in_background(["hold", windows_path(path), "600", share],
                                                  self.out, subprocess.STDOUT)

        def said():
            with open(self.out, errors="replace") as f:
                return f.read()
        text, held = poll(said, lambda t: '"held":true' in t or self.popen.poll() is not None, 20)
        check('"held":true' in text, f"the holder did not open {path}: {text.strip()!r} "
                                     f"({exit_text(self.popen.poll())})")

    def release(self):
        if self.popen.poll() is None:
            os.killpg(self.popen.pid, signal.SIGKILL)
        self.popen.wait(10)


class _LiveRegionWatch:
    """`wininspect liveregion` in the background, writing the live-region events of the
    program's windows to a file, each with its window's text."""

    def __init__(self, driver, path):
        self.path = path
        self.offset = 0.0  # from the inspector's clock to time.time(), set once it is ready
        self.popen = driver.inspect_in_background(["liveregion", "300"], path)

    def wait_ready(self, timeout):
        ready_event(self.path, self.popen, "the live-region hook", timeout)
        self.offset = time.time()

    def heard(self):
        # Those that screen readers take for the window itself: its client (OBJID_CLIENT), no
        # child of it (CHILDID_SELF).
        return [Heard(t=self.offset + e["t"] / 1000, text=e["text"], source=e["hwnd"])
                for e in json_lines(self.path)
                if e["event"] == "liveregion" and (e["object"], e["child"]) == (-4, 0)]

    def stop(self):
        stop_group(self.popen)
        return self.heard()


class _Monitor:
    """`wininspect monitor` in the background, writing window events to a file, beside `xev`,
    which reports the X server's own notice of every window mapped or unmapped (Wine maps a
    window's X11 window while it is shown), so that no show escapes however short."""

    ROLES = dict(ROLE_OF_CLASS, **{APPLICATION_CLASS: "application", BOX_CLASS: "message box"})

    def __init__(self, driver, path):
        self.path = path
        self.started = time.monotonic()
        self.offset_ms = 0  # from the monitor's clock to the watch's, set once it is ready
        self.x_events = []  # (t_ms, X window, mapped)
        # Started first: it is listening long before the Wine process below has started.
        self.xev = subprocess.Popen(
            ["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
            env=dict(os.environ, DISPLAY=driver.rig.display), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
            start_new_session=True)
        self.reader = threading.Thread(target=self._read_x, daemon=True)
        self.reader.start()
        self.popen = driver.inspect_in_background(["monitor", "20", "120"], path)

    def _read_x(self):
        mapped = None
        for line in self.xev.stdout:
            kind = re.match(r"(Map|Unmap)Notify event", line)
            if kind:
                mapped = (int((time.monotonic() - self.started) * 1000), kind.group(1) == "Map")
                continue
            window = re.search(r"event 0x[0-9a-f]+, window (0x[0-9a-f]+)", line)
            if mapped and window:
                self.x_events.append((mapped[0], int(window.group(1), 16), mapped[1]))
                mapped = None

    def wait_ready(self, timeout):
        ready = ready_event(self.path, self.popen, "the window monitor", timeout)
        check(self.xev.poll() is None, "xev, which records the X server's notices, has ended")
        self.offset_ms = int((time.monotonic() - self.started) * 1000) - ready["t"]

    def events(self):
        events, roles = [], {}
        for e in json_lines(self.path):
            if e.get("event") in ("new", "change") and e.get("parent") == "0x0":
                role = self.ROLES.get(e["class"], "other")
                if "xwin" in e:
                    roles[int(e["xwin"], 16)] = role
                events.append(WindowEvent(t_ms=e["t"] + self.offset_ms, role=role,
                                          visible=e["visible"], active=e["active"]))
        events += [WindowEvent(t_ms=t, role=roles.get(xwin, "other"), visible=mapped, exact=True)
                   for t, xwin, mapped in list(self.x_events)]
        return sorted(events, key=lambda e: e.t_ms)

    def stop(self):
        for popen in (self.popen, self.xev):
            stop_group(popen)
        self.reader.join(5)
        return self.events()
