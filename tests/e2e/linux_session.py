"""The desktop session that the Linux driver runs the program in, inside the rig's test
namespace: a session bus, the accessibility bus and its registry, and a window manager (openbox,
or xfwm4 of XFCE, or mutter of GNOME in its X11 mode; WINDOW_MANAGERS).

The buses run as an unprivileged user (NOBODY), so that both a start as root and the start
without the right to open ICMP sockets (as that user) reach them: root may connect to any user's
bus. Their sockets belong to the namespace that made them, next to the program. Everything the
unprivileged user needs lies in a folder under /tmp, since the repository may lie in a folder
that only root may enter.
"""

import os
import shutil
import signal
import tempfile

from rig import HERE, NO_BUS, Failure, background, check, ended, exit_text, kill, poll, run

READER = os.path.join(HERE, "atspi_reader.py")
SYSTEM_PYTHON = "/usr/bin/python3"  # the python that has pyatspi
AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
AT_SPI_REGISTRY = "/usr/libexec/at-spi2-registryd"
NOBODY = 65534
XFCONFD = "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"
# Each window manager the session can run: its command line (without a compositor where that
# is a choice), the name it gives itself in _NET_WM_NAME (icewm follows it with its version),
# by which the session knows that it manages the display, whether it runs as NOBODY, and the
# services it needs on the session bus (started here, so that they are among the processes
# that live for the whole run; a service the bus starts is no child of it), by program and bus
# name. xfwm4 reads its settings from
# xfconfd, and GDBus reaches a bus only as the bus's own user, so both run as NOBODY.
WINDOW_MANAGERS = {
    "openbox": (["openbox", "--sm-disable"], "Openbox", False, ()),
    "xfwm4": (["xfwm4", "--compositor=off", "--sm-client-disable"], "Xfwm4", True,
              ((XFCONFD, "org.xfce.Xfconf"),)),
    "mutter": (["mutter", "--x11", "--replace", "--sm-disable"], "Mutter", False, ()),
    "icewm": (["icewm"], "IceWM", False, ()),
}


class Session:
    def __init__(self, rig, wm="openbox"):
        check(wm in WINDOW_MANAGERS, f"no window manager {wm!r} (one of {sorted(WINDOW_MANAGERS)})")
        self.rig, self.wm = rig, wm
        self.area = None  # the folder the unprivileged user reaches: buses, home, its programs
        self.session_bus = self.bus_launcher = self.registry = self.window_manager = None
        self.services = []  # what the window manager needs on the session bus

    def start(self):
        check(os.path.isfile(SYSTEM_PYTHON) and os.path.isfile(AT_SPI_BUS_LAUNCHER),
              f"{SYSTEM_PYTHON} (with python3-pyatspi) and at-spi2-core are needed")
        self.area = tempfile.mkdtemp(prefix="vorlix-e2e-")
        os.chmod(self.area, 0o755)
        for sub, mode in (("runtime", 0o700), ("home", 0o755)):
            path = os.path.join(self.area, sub)
            os.mkdir(path, mode)
            os.chown(path, NOBODY, NOBODY)
        # The reader, where the unprivileged user reaches it too.
        self.reader_copy = os.path.join(self.area, "atspi_reader.py")
        shutil.copy(READER, self.reader_copy)
        os.chmod(self.reader_copy, 0o644)

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
        wait_for("the accessibility bus on the display", lambda: "unix:" in self.x(
            ["xprop", "-root", "AT_SPI_BUS"], check_rc=False).stdout, self.bus_launcher, 10)
        # Started here rather than by the bus on first use, so that it is one of the processes
        # that live for the whole run (a started service is no child of the bus).
        self.registry = self._resident("at-spi-registry", [AT_SPI_REGISTRY], as_nobody=True)
        wait_for("the accessibility registry", lambda: "running with well-known name" in
                 read_file(os.path.join(self.rig.run_dir, "at-spi-registry.log")),
                 self.registry, 10)
        argv, name, as_nobody, services = WINDOW_MANAGERS[self.wm]
        for program, bus_name in services:
            service = self._resident(os.path.basename(program), [program], as_nobody=True)
            self.services.append(service)
            wait_for(f"{bus_name} on the session bus", lambda: self.on_bus(bus_name), service, 10)
        self.window_manager = self._resident(self.wm, argv, as_nobody=as_nobody)
        wait_for(f"{self.wm} to manage the display", lambda: manages(self.x(
            ["wmctrl", "-m"], check_rc=False).stdout, name), self.window_manager, 20)
        self.reader(0, "tree")  # the reader reaches the accessibility bus

    def stop(self, others=()):
        """Ends the session's processes and `others` (pids), and removes its folder."""
        pids = sorted(self.resident_pids() | set(others))
        for sig in (signal.SIGTERM, signal.SIGKILL):
            for pid in [p for p in pids if not ended(p)]:
                kill(pid, sig)
            poll(lambda: all(ended(p) for p in pids), bool, 3)
        for popen in self._residents():
            if popen:
                popen.wait()
        if self.area:
            shutil.rmtree(self.area, ignore_errors=True)

    def _residents(self):
        return (self.session_bus, self.bus_launcher, self.registry, *self.services,
                self.window_manager)

    def resident_pids(self):
        return set(with_descendants([p.pid for p in self._residents() if p]))

    def env(self):
        """The environment of every process of the session and of the program."""
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
        env = self.env() if name != "session-bus" else dict(
            self.env(), DBUS_SESSION_BUS_ADDRESS=NO_BUS["DBUS_SESSION_BUS_ADDRESS"])
        return background(self.rig.in_app_ns(argv, env),
                          os.path.join(self.rig.run_dir, f"{name}.log"), cwd=self.area)

    def on_bus(self, bus_name):
        """True once a program owns that name on the session bus."""
        ask = ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
               "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{bus_name}"]
        return "boolean true" in run(self.rig.in_app_ns(as_user(NOBODY, ask), self.env()),
                                     timeout=10, check_rc=False).stdout

    def reader_argv(self, uid, *args, env=None):
        return self.rig.in_app_ns(as_user(uid, [SYSTEM_PYTHON, self.reader_copy, *args]),
                                  env or self.env())

    def reader(self, uid, *args, check_rc=True, env=None):
        """atspi_reader.py as that user, inside the namespace."""
        return run(self.reader_argv(uid, *args, env=env), timeout=20, check_rc=check_rc)

    def x(self, argv, check_rc=True):
        """An X client (outside the namespace: it reaches the display through its socket file
        and nothing else)."""
        return run(argv, timeout=20, check_rc=check_rc,
                   env=dict(os.environ, DISPLAY=self.rig.display))


def manages(wmctrl_m, name):
    """Whether `wmctrl -m` says that the window manager of that name manages the display."""
    return any(line == f"Name: {name}" or line.startswith(f"Name: {name} ")
               for line in wmctrl_m.splitlines())


def as_user(uid, argv, *options):
    """argv run as that user (with these further setpriv options), or as it is for root."""
    if uid == 0:
        return argv
    return ["setpriv", f"--reuid={uid}", f"--regid={uid}", "--clear-groups", *options, *argv]


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
        if not ended(pid):
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
