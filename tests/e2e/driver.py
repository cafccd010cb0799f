"""The seam between the scenarios and a platform: what a driver does for them.

A driver starts the program under test in a working folder and reads and works its windows from
outside, as a user and assistive technology do. The scenarios (scenarios.py) use nothing else of
the platform. Mouse, keys and screenshots go through the X server for every platform; the rig
(rig.py) does them, and a driver may use them too.

Implementations: wine_driver.WineDriver (vorlix.exe under Wine, read through wininspect.exe) and
linux_driver.LinuxDriver (the native build under openbox, xfwm4 or mutter, read through
AT-SPI); what a driver needs besides the program (buses, a window manager) it starts in setup()
inside the rig's namespace and reports through resident_pids(). A scenario that only one
platform can run names it with @scenario(..., platforms=(driver name,)).

Windows are named by role (layout.STATUS, layout.SETTINGS) and controls by their layout names
(layout.CONTROLS). Rectangles are screen pixels [left, top, right, bottom); "pos" is x, y, width,
height in the window's client area.
"""

import json
import os
import re
import signal
import subprocess
from dataclasses import dataclass

import layout
from rig import background, check

# The program's forms by role: the window class under Windows, the accessible id under Linux.
CLASSES = {layout.STATUS: "TForm_Main", layout.SETTINGS: "TForm_Config"}
ROLE_OF_CLASS = {cls: role for role, cls in CLASSES.items()}


@dataclass
class Window:
    role: str  # layout.STATUS or layout.SETTINGS
    title: str
    frame: list  # the whole window on the screen, frame included
    client: list  # the client area on the screen
    enabled: bool  # takes input (false while a modal box is up)
    topmost: bool  # kept above other windows (stay-on-top)
    handle: str = ""  # the driver's own id of the window
    state: str = "normal"  # "normal", "minimized" or "maximized"
    active: bool = False  # the program's active window


@dataclass
class Control:
    name: str  # the layout name, or "?kind@x,y" for a control the layout does not have
    kind: str  # the layout's kind (layout.Item.kind) when the platform's control is of that kind
    text: str  # an edit field's text, a button's or panel's caption
    pos: tuple  # x, y, width, height in the window's client area
    rect: list  # on the screen
    visible: bool
    enabled: bool
    checked: bool = None  # check boxes only
    focused: bool = False  # has the keyboard focus
    max_length: int = None  # edit fields only: the most characters the user may type or paste
    default: bool = None  # push buttons only: the window's default button, which Enter presses
    handle: str = ""  # the driver's own id of the control
    # What assistive technology reads as its name, where the driver reads it with the controls
    # (see Driver.accessible_names).
    accessible_name: str = None


@dataclass
class MessageBox:
    caption: str
    text: str  # the message; lines separated by "\n"
    buttons: list
    frame: list  # on the screen
    handle: str = ""


@dataclass
class WindowEvent:
    t_ms: int  # since the watch started
    role: str  # layout.STATUS, layout.SETTINGS, "application", "message box" or "other"
    visible: bool  # shown on the screen
    active: bool = False  # the program's active window
    # True: from the window system's own notice of the change, which misses none however short;
    # False: seen by looking at the windows every few milliseconds.
    exact: bool = False


class Program:
    """One start of the program: its process, working folder and output."""

    def __init__(self, popen, workdir, log_path):
        self.popen, self.workdir, self.log_path = popen, workdir, log_path

    def wait(self, timeout):
        """The exit code, or None if it is still running after `timeout` seconds."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.popen.poll() is None

    def exit_code(self):
        return self.popen.poll()

    def settings_file(self):
        """The bytes of Vorlix.ini in its working folder, or None when there is none."""
        try:
            with open(os.path.join(self.workdir, "Vorlix.ini"), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def log_tail(self, n=600):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()[-n:]
        except OSError:
            return ""


@dataclass
class Heard:
    t: float  # time.time() when it was read out
    text: str  # what was read out
    source: str = ""  # the driver's handle of the control it came from, where it is known


class Driver:
    """What every platform provides to the scenarios. See WineDriver for a complete example."""

    name = "?"
    # What the start-up error display says when the echo service cannot be had.
    program_file = "?"  # the module file name it names
    echo_missing_message = "?"  # the probe's message

    def __init__(self, rig):
        self.rig = rig
        self.programs = []  # each Program started in the test, ended by end_test()
        self.watches = []  # each Watch and Listener of the test
        self.holders = []  # each FileHolder of the test

    # -- the run ---------------------------------------------------------------------------------

    def setup(self):
        """Makes what the platform needs for the run (inside rig.app_ns); raises on failure."""
        raise NotImplementedError

    def teardown(self):
        """Ends everything setup() started; does not raise: ends what a test left running
        (where the display still runs), then stop_platform()."""
        if self.rig.display:
            try:
                self.end_test()
            except Exception:  # what is left is ended below
                pass
        self.stop_platform()

    def stop_platform(self):
        """For teardown(): ends every process of the platform; must not raise."""
        raise NotImplementedError

    def resident_pids(self):
        """Processes of the driver that live for the whole run (a bus, a window manager)."""
        return set()

    def platform_pids(self):
        """Every live process that the driver's platform runs for this run (for the check that
        all of them are inside the test namespace)."""
        raise NotImplementedError

    # -- the program -----------------------------------------------------------------------------

    def start(self, workdir, echo_service=True, show=None, read_only=False):
        """Starts the program with `workdir` as its working folder; returns a Program.

        echo_service=False takes the echo service away (on Windows ICMP.DLL, on Linux the right
        to open ICMP sockets), so that the program's start fails. show="minimized" or
        "maximized" starts it as a launcher asks for a minimized or maximized window (on
        Windows the show command SW_SHOWMINNOACTIVE or SW_SHOWMAXIMIZED); a platform without
        show commands raises rig.Skip. read_only=True makes the working folder read-only for
        the program (a read-only bind mount that only the program's processes see)."""
        raise NotImplementedError

    def spawn(self, argv, env, cwd, workdir, log_path):
        """For start(): runs `argv` with `env` in the test namespace in `cwd`, its output going
        to `log_path`; returns the Program, with `workdir` as its folder, and keeps it for
        end_test()."""
        prog = Program(background(self.rig.in_app_ns(argv, env), log_path, cwd=cwd), workdir,
                       log_path)
        self.programs.append(prog)
        return prog

    def wait_gone(self, timeout):
        """Waits until nothing that the platform ran for the program is left (besides
        resident_pids()), as happens on its own after the program ends; returns the pids still
        there after `timeout` seconds."""
        raise NotImplementedError

    def end_test(self):
        """Ends what the test left running (the program closed by a close request first, then
        killed) and waits until nothing of it is left but resident_pids()."""
        raise NotImplementedError

    def end_programs(self, ask_to_close):
        """For end_test: stops the test's watches and file holders, then closes each program
        still running with ask_to_close(program), a close request, and kills what has not ended
        5 s later; returns the test's programs, which it forgets."""
        for w in self.watches:
            w.stop()
        self.watches.clear()
        for holder in self.holders:
            holder.release()
        self.holders.clear()
        for prog in self.programs:
            if prog.running():
                ask_to_close(prog)
                if prog.wait(5) is None:
                    os.killpg(prog.popen.pid, signal.SIGKILL)
                    prog.wait(5)
        ended, self.programs = self.programs, []
        return ended

    # -- reading ---------------------------------------------------------------------------------

    def window(self, role):
        """The shown window of that role, or None."""
        raise NotImplementedError

    def controls(self, role):
        """The controls of the shown window of that role, by name; {} when it is not shown."""
        raise NotImplementedError

    def message_boxes(self):
        """The shown message boxes of the program."""
        raise NotImplementedError

    def application(self):
        """The program's own window for the whole program, as a Window with role
        "application", or None on a platform without one. On Windows: the hidden application
        window that carries the title and the taskbar button."""
        raise NotImplementedError

    def resources(self):
        """What the platform reports of the program's resource use, as {name: number}, None
        for a count it does not give. Names: private_bytes, working_set, kernel_handles,
        gdi_objects, user_objects, windows (its windows and controls), open_fds and linux_rss
        (the Linux process's file descriptors and resident size). RESOURCE_NOTES says how each
        is read."""
        raise NotImplementedError

    RESOURCE_NOTES = {}

    def frame_facts(self, role):
        """How the window's frame is made, as {fact: (true or false, detail)} for the facts
        tool_window, minimize_box, maximize_box, resizable and small_caption; a platform leaves
        out those it has not (on Linux the window manager sizes the caption bar)."""
        raise NotImplementedError

    def button_face(self):
        """The RGB colour of a window's background (the system's button face)."""
        raise NotImplementedError

    def tooltip(self):
        """The text of the program's tooltip on the screen now, or None."""
        raise NotImplementedError

    def shortcut_keys(self, role, name):
        """The keys that assistive technology reads for the control (accKeyboardShortcut on
        Windows, the key binding of its AT-SPI action on Linux), or None where the platform
        keeps none or they cannot be read back."""
        raise NotImplementedError

    def watch(self):
        """Starts recording window events, from before a program starts; returns the watch:
        its wait_ready(timeout) returns once it sees the screen (a rig.Failure after `timeout`
        seconds), events() gives every WindowEvent so far, stop() ends it and gives them all."""
        raise NotImplementedError

    def screen_reader(self):
        """Starts a screen reader, or what the platform's screen readers listen to, for the
        rest of the test; returns the listener once it listens: its heard() gives every Heard
        so far, in order, and stop() ends it (a second call does nothing) and gives them all.
        On Linux: Orca, each utterance it speaks; on Windows: each
        EVENT_OBJECT_LIVEREGIONCHANGED (on which Narrator and NVDA read a live region out), with
        the text of its window then."""
        raise NotImplementedError

    def accessible_names(self, role):
        """{control name: what assistive technology reads as its name} for the shown window
        of that role ({} when none is shown); raises rig.Skip where the platform cannot give
        them, saying why, whether a window is shown or not."""
        raise NotImplementedError

    # -- acting (besides mouse and keys, which the rig sends) ----------------------------------

    def request_close(self, role):
        """Asks the window to close, as the window system's close command does."""
        raise NotImplementedError

    def close_button(self, role):
        """The screen point of the close button in the window's frame, or None."""
        raise NotImplementedError

    def move(self, role, x, y):
        """Moves the window's frame to x, y on the screen (size kept)."""
        raise NotImplementedError

    def answer_box(self, box):
        """Presses the box's OK without mouse or keys (only after input failed to)."""
        raise NotImplementedError

    def restore(self):
        """Restores the program from its taskbar button, as a click on the button does."""
        raise NotImplementedError

    def set_text(self, role, name, text):
        """Sets a control's text from outside, without keys or a change of focus, so that
        no check of a field that is left runs."""
        raise NotImplementedError

    def control(self, role, name):
        """The named control of the shown window of that role; fails when there is none."""
        found = self.controls(role)
        check(name in found, f"no {name} in the {role} window")
        return found[name]

    def hold_file(self, path, share):
        """Opens the file for reading in another process of the platform (as an editor or a
        virus scanner does) and keeps it open until release(); share="read" lets others read
        it meanwhile, share="none" lets no one open it. Returns the holder once it is open,
        whose release() closes the file and returns once it is closed."""
        raise NotImplementedError


def read_only_argv(workdir, argv):
    """`argv` run in a mount namespace of its own, in which `workdir` is mounted read-only over
    itself and is the working folder; the mount goes with the program's processes."""
    return ["unshare", "--mount", "--propagation", "private", "sh", "-c",
            'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && cd "$0" && exec "$@"',
            os.path.abspath(workdir), *argv]


def process_use(pid):
    """The open file descriptors and the resident size in bytes (None where it gives none) of
    a Linux process, by their names in Driver.resources."""
    with open(f"/proc/{pid}/status") as f:
        rss = re.search(r"^VmRSS:\s+(\d+) kB", f.read(), re.M)
    return {"open_fds": len(os.listdir(f"/proc/{pid}/fd")),
            "linux_rss": int(rss.group(1)) * 1024 if rss else None}


def json_lines(path):
    """The whole lines of JSON objects that a background reader has written to `path` so far
    (a line still being written is left for the next read)."""
    with open(path, encoding="utf-8", errors="replace") as f:
        return [json.loads(line) for line in f if line.startswith("{") and line.endswith("}\n")]


def layout_name(role, x, y, kind, kinds):
    """The layout's name and kind of a control at x, y of the window's client area whose
    platform kind (a window class, an accessible role) is `kind`: its name, or "?kind@x,y" where
    the layout has none there; the layout's kind where `kinds` maps it to `kind`, else `kind`."""
    name = layout.control_named_at(role, x, y)
    item = layout.CONTROLS[role].get(name)
    return (name or f"?{kind}@{x},{y}",
            item.kind if item and kinds[item.kind] == kind else kind)
