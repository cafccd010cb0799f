"""What a Linux desktop sees of the program's windows beyond the Driver interface, for the
scenarios of scenarios_desktop.py: their EWMH state, type, transient parent and icon, the active
window and the stacking order; a window of another program to cover them with; and the desktop's
font resolution (Xft/DPI), published as a settings daemon does.

Each function takes the LinuxDriver and reads the X server through xprop, as a taskbar and a
window switcher do.
"""

import os
import re
import signal
import subprocess

from linux_driver import xprops
from linux_session import SYSTEM_PYTHON
from rig import HERE, background, check, poll, read_line, stop_group

COVER = os.path.join(HERE, "cover_window.py")
HEX = re.compile(r"0x[0-9a-fA-F]+")


def x_id(text):
    """An X window id as a number, from wmctrl's or xprop's spelling of it."""
    return int(text, 16)


def _props(d, xid, *names):
    """{name: value text} of the window's properties that it has."""
    return xprops(d.session.x(["xprop", "-notype", "-id", xid, *names], check_rc=False).stdout)


def _root_windows(d, name):
    out = d.session.x(["xprop", "-notype", "-root", name], check_rc=False).stdout
    return [x_id(h) for h in HEX.findall(out.split(":", 1)[-1])]


def icon_sizes(d, xid):
    """The sizes (width, height) that _NET_WM_ICON holds, in its order."""
    out = d.session.x(["xprop", "-notype", "-id", xid, "-f", "_NET_WM_ICON", "32c",
                       "_NET_WM_ICON"], check_rc=False).stdout
    if "=" not in out:
        return []
    values = [int(v) for v in out.split("=", 1)[1].replace("\n", " ").split(",") if v.strip()]
    sizes, at = [], 0
    while at + 2 <= len(values):
        width, height = values[at], values[at + 1]
        sizes.append((width, height))
        at += 2 + width * height
    return sizes


def facts(d, role):
    """The X facts of the program's shown window of that role, or None when it is not shown:
    xid, state (the _NET_WM_STATE atoms without their prefix), type, transient_for (an id or
    None), icon_sizes, in_client_list."""
    win = d.window(role)
    if not win or not win.handle:
        return None
    props = _props(d, win.handle, "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE", "WM_TRANSIENT_FOR")
    transient = HEX.findall(props.get("WM_TRANSIENT_FOR", ""))
    return {
        "xid": x_id(win.handle),
        "state": [a.strip().replace("_NET_WM_STATE_", "")
                  for a in props.get("_NET_WM_STATE", "").split(",") if a.strip()],
        "type": props.get("_NET_WM_WINDOW_TYPE", "").replace("_NET_WM_WINDOW_TYPE_", ""),
        "transient_for": x_id(transient[0]) if transient else None,
        "icon_sizes": icon_sizes(d, win.handle),
        "in_client_list": x_id(win.handle) in _root_windows(d, "_NET_CLIENT_LIST"),
    }


def active_window(d):
    """The id of the window that the window manager says is active, or None."""
    found = _root_windows(d, "_NET_ACTIVE_WINDOW")
    return found[0] if found and found[0] else None


def stacking(d):
    """The managed windows' ids, bottom first (_NET_CLIENT_LIST_STACKING)."""
    return _root_windows(d, "_NET_CLIENT_LIST_STACKING")


class Cover:
    """A window of another program over `rect` [left, top, right, bottom), in the test
    namespace; end() ends it."""

    def __init__(self, d, rect):
        left, top, right, bottom = rect
        env = dict(d.session.env(), NO_AT_BRIDGE="1")
        self.popen = subprocess.Popen(
            d.rig.in_app_ns([SYSTEM_PYTHON, COVER, left, top, right - left, bottom - top], env),
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            start_new_session=True)
        line = read_line(self.popen.stdout.fileno(), 15)
        check(HEX.fullmatch(line or ""), f"the covering window did not show: {line!r}")
        self.xid = x_id(line)

    def end(self):
        stop_group(self.popen)
        self.popen.stdout.close()


class XSettings:
    """xsettingsd in the test namespace, publishing Xft/DPI as GNOME's and XFCE's settings
    daemons do (in 1024ths of a dot per inch); set() changes it while programs run."""

    def __init__(self, d, dpi):
        self.conf = os.path.join(d.session.area, "xsettingsd.conf")
        self.log = os.path.join(d.rig.run_dir, "xsettingsd.log")
        self._write(dpi)
        self.popen = background(
            d.rig.in_app_ns(["xsettingsd", "--config", self.conf], d.session.env()), self.log)
        self._wait_said("Took ownership of selection _XSETTINGS_S0", 1)

    def _write(self, dpi):
        with open(self.conf, "w") as f:
            f.write(f"Xft/DPI {dpi * 1024}\n")

    def _said(self, text):
        with open(self.log, errors="replace") as f:
            return f.read().count(text)

    def _wait_said(self, text, times):
        _, ok = poll(lambda: self._said(text), lambda n: n >= times, 10)
        check(ok, f"xsettingsd did not say {text!r} within 10 s")

    def set(self, dpi):
        """Publishes a new resolution (xsettingsd reads its file again on SIGHUP)."""
        reloads = self._said("Reloading configuration")
        self._write(dpi)
        os.kill(self.popen.pid, signal.SIGHUP)
        self._wait_said("Reloading configuration", reloads + 1)

    def end(self):
        stop_group(self.popen)
