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
import time

import layout
from driver import Control, Driver, MessageBox, Program, Watch, Window, WindowEvent
from rig import BUILD, Failure, check, exit_text, poll, run

WININSPECT = os.path.join(BUILD, "wininspect.exe")
CLASSES = {layout.STATUS: "TForm_Main", layout.SETTINGS: "TForm_Config"}
BOX_CLASS = "#32770"
BASE_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
# The window classes that provide each kind of control of the layout.
CLASS_OF_KIND = {"panel": "static", "label": "static", "frame": "static", "button": "button",
                 "check": "button", "group": "button", "edit": "edit"}

WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x40000, 0x20000, 0x10000
WS_EX_TOPMOST, WS_EX_TOOLWINDOW = 0x8, 0x80


class WineDriver(Driver):
    name = "wine"
    program_file = "vorlix.exe"
    echo_missing_message = "必要なファイル ICMP.DLL が見つかりません。"

    def __init__(self, rig, exe, exe32=None):
        super().__init__(rig)
        self.exe, self.exe32 = exe, exe32
        self.prefix = os.path.join(rig.run_dir, "prefix")
        self.programs = []
        self.monitors = []

    # -- the run ---------------------------------------------------------------------------------

    def setup(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.wine(["wineboot", "-i"], timeout=120)
        # Cosmetic, for readable screenshots: Wine draws every frame itself (there is no window
        # manager), has Marlett for the caption buttons (Debian's Wine does not find its own
        # copy) and shows Japanese text through IPAGothic.
        marlett = "/usr/share/wine/fonts/marlett.ttf"
        if os.path.isfile(marlett):
            shutil.copy(marlett, os.path.join(self.prefix, "drive_c", "windows", "Fonts"))
        x11 = r"HKCU\Software\Wine\X11 Driver"
        self.wine(["wine", "reg", "add", x11, "/v", "Decorated", "/d", "N", "/f"])
        # Unmanaged windows: with no window manager to answer, Wine would otherwise wait 2 s
        # for each shown window it hides or destroys.
        self.wine(["wine", "reg", "add", x11, "/v", "Managed", "/d", "N", "/f"])
        self.wine(["wine", "reg", "add",
                   r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
                   "/v", "Tahoma", "/t", "REG_MULTI_SZ", "/d", "ipag.ttf,IPAGothic", "/f"])
        self._end_wine()
        left = self.rig.app_ns_pids()
        check(not left, f"making the Wine prefix left processes running: {sorted(left)}")

    def teardown(self):
        if self.rig.display and os.path.isdir(self.prefix):
            try:
                self.end_test()
            except Exception:  # what is left is killed below
                pass
        for pid in self.platform_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        remove_server_dir(self.prefix)

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

    def can_run_32bit(self):
        """None when this Wine runs 32-bit programs, else why not."""
        if os.path.isfile(os.path.join(self.prefix, "drive_c", "windows", "syswow64",
                                       "ntdll.dll")):
            return None
        return ("this Wine runs no 32-bit programs: its prefix has no syswow64\\ntdll.dll "
                "(Debian's wine64 without the wine32:i386 package, which needs the i386 "
                "architecture added to dpkg)")

    # -- Wine ------------------------------------------------------------------------------------

    def env(self, overrides=""):
        env = self.rig.base_env()
        env.update({"WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": BASE_OVERRIDES + (f";{overrides}" if overrides else "")})
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

    def _list(self):
        return [json.loads(line) for line in self.inspect("list").stdout.splitlines() if line]

    def _top(self, cls, windows=None):
        for w in windows if windows is not None else self._list():
            if w["parent"] == "0x0" and w["class"] == cls and w["visible"]:
                return w
        return None

    # -- the program -----------------------------------------------------------------------------

    def start(self, workdir, echo_service=True, exe=None, overrides=""):
        """Wine only: `exe` runs another build, `overrides` adds to WINEDLLOVERRIDES."""
        exe = exe or self.exe
        check(os.path.isfile(exe), f"not built: {exe}")
        if not echo_service:
            overrides = ";".join(filter(None, [overrides, "icmp="]))
        log_path = workdir + ".log"
        with open(log_path, "w") as log:
            popen = subprocess.Popen(self.rig.in_app_ns(["wine", exe], self.env(overrides)),
                cwd=workdir, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True)
        prog = Program(popen, workdir, log_path)
        self.programs.append(prog)
        return prog

    def end_test(self):
        for mon in self.monitors:
            mon.stop()
        self.monitors.clear()
        for prog in self.programs:
            if prog.running():
                self.inspect("close", CLASSES[layout.STATUS], check_rc=False)
                if prog.wait(5) is None:
                    os.killpg(prog.popen.pid, signal.SIGKILL)
                    prog.wait(5)
        self.programs.clear()
        self._end_wine()

    # -- reading ---------------------------------------------------------------------------------

    def window(self, role):
        w = self._top(CLASSES[role])
        return self._window(role, w) if w else None

    @staticmethod
    def _window(role, w):
        return Window(role=role, title=w["text"], frame=w["rect"], client=w["client"],
                      enabled=w["enabled"], topmost=bool(int(w["exstyle"], 16) & WS_EX_TOPMOST),
                      handle=w["hwnd"])

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
            name = layout.control_named_at(role, x, y)
            spec = layout.CONTROLS[role].get(name)
            cls = w["class"].lower()
            kind = spec.kind if spec and CLASS_OF_KIND[spec.kind] == cls else cls
            name = name or f"?{cls}@{x},{y}"
            found[name] = Control(
                name=name, kind=kind, text=w["text"],
                pos=(x, y, w["rect"][2] - w["rect"][0], w["rect"][3] - w["rect"][1]),
                rect=w["rect"], visible=w["visible"], enabled=w["enabled"],
                checked=bool(w["check"]) if "check" in w else None, focused=w["focus"])
        return found

    def message_boxes(self):
        p = self.inspect("msgbox", check_rc=False)
        return [MessageBox(caption=b["caption"], text=b["text"], buttons=b["buttons"],
                           frame=b["rect"], handle=b["hwnd"])
                for b in map(json.loads, p.stdout.splitlines()) if b]

    def frame_facts(self, role):
        w = self._top(CLASSES[role])
        check(w, f"no shown {CLASSES[role]}")
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
        self.monitors.append(mon)
        return mon

    # -- acting ----------------------------------------------------------------------------------

    def request_close(self, role):
        w = self._top(CLASSES[role])
        check(w, f"no shown {CLASSES[role]} to close")
        self.inspect("close", w["hwnd"])

    def close_button(self, role):
        w = self._top(CLASSES[role])
        check(w, f"no shown {CLASSES[role]}")
        p = self.inspect("close-box", w["hwnd"], check_rc=False)
        if p.returncode != 0:
            return None
        x, y = map(int, p.stdout.split())
        return x, y

    def move(self, role, x, y):
        w = self._top(CLASSES[role])
        check(w, f"no shown {CLASSES[role]} to move")
        self.inspect("move", w["hwnd"], str(x), str(y))

    def answer_box(self, box):
        self.inspect("command", box.handle, "1", check_rc=False)


def remove_server_dir(prefix):
    """Removes the folder that Debian's Wine makes under /tmp for a prefix's wineserver (its
    name is kept in the prefix), once nothing of the prefix runs."""
    try:
        with open(os.path.join(prefix, "wineserver")) as f:
            name = f.read().strip()
    except OSError:
        return
    if re.fullmatch(r"wine-[A-Za-z0-9]{6}", name):
        shutil.rmtree(os.path.join("/tmp", name), ignore_errors=True)


class _Monitor(Watch):
    """`wininspect monitor` in the background, writing window events to a file."""

    ROLES = {cls: role for role, cls in CLASSES.items()}

    def __init__(self, driver, path):
        self.path = path
        cmd = driver.rig.in_app_ns(["wine", WININSPECT, "monitor", "20", "120"], driver.env())
        with open(path, "w") as out:
            self.popen = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out,
                                          stderr=subprocess.DEVNULL, start_new_session=True)

    def _lines(self):
        with open(self.path, encoding="utf-8", errors="replace") as f:
            return [json.loads(line) for line in f if line.startswith("{") and line.endswith("}\n")]

    def wait_ready(self, timeout):
        _, ready = poll(lambda: [e for e in self._lines() if e.get("event") == "ready"], bool,
                        timeout)
        check(ready, f"the window monitor did not start within {timeout} s "
                     f"({exit_text(self.popen.poll())})")

    def stop(self):
        if self.popen.poll() is None:
            os.killpg(self.popen.pid, signal.SIGTERM)
            try:
                self.popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.popen.pid, signal.SIGKILL)
                self.popen.wait()
        events = []
        for e in self._lines():
            if e.get("event") in ("new", "change") and e.get("parent") == "0x0":
                role = self.ROLES.get(e["class"], "message box" if e["class"] == BOX_CLASS
                                      else "other")
                events.append(WindowEvent(t_ms=e["t"], role=role, visible=e["visible"]))
        return events


