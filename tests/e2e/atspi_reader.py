#!/usr/bin/python3
"""Reads the Linux program through AT-SPI, for linux_driver.py. Runs under the system's python
(which has pyatspi), inside the test namespace, next to the accessibility bus:

  atspi_reader.py tree PID...              the accessible tree of each program, one JSON object
  atspi_reader.py press PID WINDOW BUTTON  does the default action of a button of a window
  atspi_reader.py settext PID X Y TEXT     sets the text of the edit field whose top-left corner
                                           is at X, Y on the screen, as assistive technology does
  atspi_reader.py watch                    a JSON line per program started and per window shown
                                           or hidden, until ended
  atspi_reader.py face                     the theme's window background as [r, g, b]

Each call reads afresh: nothing is cached between calls, so what it prints is what the program
shows at that moment.
"""

import json
import sys
import time

# The states a driver reads; the others are left out of the output.
STATES = ("active", "checked", "enabled", "focused", "is default", "modal", "sensitive",
          "showing", "visible")
TOP_ROLES = ("frame", "alert", "dialog")


def describe(acc):
    """One accessible and everything below it, as plain data; None if it went away."""
    import pyatspi
    try:
        role = acc.getRoleName()
        node = {"role": role, "name": acc.name or "", "id": acc.accessibleId or ""}
        if acc.description:
            node["description"] = acc.description
        ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        node["ext"] = [ext.x, ext.y, ext.width, ext.height]
        node["states"] = [s for s in map(pyatspi.stateToString, acc.getState().getStates())
                          if s in STATES]
        if role == "text":
            text = acc.queryText()
            node["text"] = text.getText(0, text.characterCount)
        # The keys of a label's action (the result panel's): GTK's buttons leak the text of
        # their key binding on every read, which a sanitized program reports at its exit.
        if role == "label":
            try:
                action = acc.queryAction()
                if action.nActions > 0 and action.getKeyBinding(0):
                    node["keys"] = action.getKeyBinding(0)
            except NotImplementedError:
                pass
        node["children"] = [c for c in (describe(acc.getChildAtIndex(i))
                                        for i in range(acc.childCount)) if c]
        return node
    except Exception:  # the object was destroyed while it was read
        return None


def programs(pids):
    import pyatspi
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() in pids:
                yield app
        except Exception:
            continue


def tree(pids):
    apps = []
    for app in programs(pids):
        try:
            windows = [w for w in (describe(app.getChildAtIndex(i))
                                   for i in range(app.childCount)) if w]
            apps.append({"pid": app.get_process_id(), "name": app.name, "windows": windows})
        except Exception:  # the program ended while it was read: it shows nothing
            continue
    print(json.dumps({"apps": apps}, ensure_ascii=False))


def find(acc, good):
    if good(acc):
        return acc
    for i in range(acc.childCount):
        found = find(acc.getChildAtIndex(i), good)
        if found:
            return found
    return None


def press(pid, window, button):
    for app in programs({pid}):
        for i in range(app.childCount):
            top = app.getChildAtIndex(i)
            if top.name != window:
                continue
            found = find(top, lambda a: a.getRoleName() == "push button" and a.name == button)
            if found:
                found.queryAction().doAction(0)
                print("pressed")
                return 0
    print(f"no button {button!r} in a window {window!r} of {pid}", file=sys.stderr)
    return 1


def settext(pid, x, y, text):
    import pyatspi

    def at(acc):
        if acc.getRoleName() != "text":
            return False
        ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (ext.x, ext.y) == (x, y)
    for app in programs({pid}):
        found = find(app, at)
        if found:
            found.queryEditableText().setTextContents(text)
            print("set")
            return 0
    print(f"no edit field at {x},{y} in {pid}", file=sys.stderr)
    return 1


def watch():
    """Every program that starts and every window of it that shows or hides, as it happens:
    from the events that programs send, and from a look at all programs and their top-level
    windows every 20 ms, since a program sends no events until it has learnt that someone
    listens (a window shown at once is missed). Times are the monotonic clock's seconds."""
    import pyatspi
    from gi.repository import GLib
    showing = {}  # each top-level window looked at, by program and path: showing or not
    apps = set()

    def report(acc, visible, role=None):
        line = {"mono": time.monotonic(), "role": role or acc.getRoleName(),
                "id": acc.accessibleId or "", "name": acc.name or "", "visible": visible,
                "active": acc.getState().contains(pyatspi.STATE_ACTIVE)}
        print(json.dumps(line, ensure_ascii=False), flush=True)

    def seen(event):
        try:
            if event.source.getRoleName() in TOP_ROLES:
                report(event.source, bool(event.detail1))
        except Exception:  # the window went away meanwhile
            pass

    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clear_cache()
        now = {}
        for app in desktop:
            try:
                if app.get_process_id() not in apps:
                    apps.add(app.get_process_id())
                    report(app, True, "application")
                app.clear_cache()
                for i in range(app.childCount):
                    top = app.getChildAtIndex(i)
                    if top.getRoleName() not in TOP_ROLES:
                        continue
                    key = (app.get_process_id(), top.path)
                    now[key] = top.getState().contains(pyatspi.STATE_SHOWING)
                    if showing.get(key) != now[key]:
                        report(top, now[key])
            except Exception:  # the program ended meanwhile
                continue
        showing.clear()
        showing.update(now)
        return True

    pyatspi.Registry.registerEventListener(seen, "object:state-changed:showing")
    look()
    GLib.timeout_add(20, look)
    print(json.dumps({"ready": True}), flush=True)
    pyatspi.Registry.start()


def face():
    import gi
    gi.require_version("Gtk", "3.0")
    from gi.repository import Gtk
    Gtk.init([])
    found, rgba = Gtk.Window().get_style_context().lookup_color("theme_bg_color")
    if not found:
        return 1
    print(json.dumps([round(rgba.red * 255), round(rgba.green * 255), round(rgba.blue * 255)]))
    return 0


def main(argv):
    if argv[:1] == ["tree"]:
        tree({int(p) for p in argv[1:]})
    elif argv[:1] == ["press"] and len(argv) == 4:
        return press(int(argv[1]), argv[2], argv[3])
    elif argv[:1] == ["settext"] and len(argv) == 5:
        return settext(int(argv[1]), int(argv[2]), int(argv[3]), argv[4])
    elif argv[:1] == ["watch"]:
        watch()
    elif argv[:1] == ["face"]:
        return face()
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
