"""Scenarios of the windows' frames and of the keyboard's way to the settings window.

FRAMES names the scenarios that the run with --wm icewm runs (the window-management lanes too).
"""

import time

from layout import SETTINGS, STATUS
from rig import SCREEN, centre, check, holds, poll, size, wait_until
from scenarios import (adder, click_panel, control, dismiss_box, focused, move_to, the_box,
                       open_settings, started, type_into, wait_hidden, wait_window)
from scenarios_behaviour import CONVERSION_ERROR

SCENARIOS = []
scenario = adder(SCENARIOS)

FRAMES = ("frames_ask_for_a_caption_only", "no_request_changes_a_client_size",
          "minimize_and_restore_as_the_taskbar_does")

CLIENTS = {STATUS: (129, 25), SETTINGS: (249, 101)}
TARGET = "198.18.0.20"
SETTLE_S = 3  # how long a window manager's request and the program's undoing of it may take


def x(d, *argv):
    return d.session.x([str(a) for a in argv], check_rc=False).stdout


def title_point(win):
    """A point on the title bar away from its buttons: left of the middle, where the caption
    is."""
    return win.frame[0] + size(win.frame)[0] * 2 // 5, (win.frame[1] + win.client[1]) // 2


def show_settings(d):
    """The settings window, shown by a panel click and left where the window system put it."""
    click_panel(d)
    return wait_window(d, SETTINGS, 10)


def activate(d, win):
    x(d, "wmctrl", "-i", "-a", win.handle)
    poll(lambda: d.window(win.role), lambda w: w and w.active, 3)


@scenario("frames_ask_for_a_caption_only", platforms=("linux",))
def frames_ask(d):
    # The status window a caption and a close button, the settings window a caption: no icon,
    # window menu, minimize or maximize button, not resizable. What each window manager then
    # draws is its own; the screenshot shows it, and the caption is said.
    prog, main = started(d, settings={"IP": "198.18.0.1", "MainFormPosX": 100,
                                      "MainFormPosY": 100})
    config = show_settings(d)
    d.move(SETTINGS, 300, 100)
    no_buttons = {"minimize_box": False, "maximize_box": False, "window_menu_box": False,
                  "resizable": False}
    wanted = {STATUS: {"close_box": True, **no_buttons},
              SETTINGS: {"close_box": False, **no_buttons}}
    problems, seen = [], []
    for role, facts_wanted in wanted.items():
        facts = d.frame_facts(role)
        problems += [f"{role}: {fact} is {facts[fact][0]}, want {want} ({facts[fact][1]})"
                     for fact, want in facts_wanted.items() if facts[fact][0] != want]
        win = d.window(role)
        seen.append(f"{role} {win.title!r}, frame {size(win.frame)}")
    time.sleep(0.5)
    shot = d.rig.screenshot(f"frames_{d.wm}")
    print(f"  {d.wm}: " + "; ".join(seen) + f" ({shot.path})")
    check(main.title == "IP: 198.18.0.1", f"the status window's caption is {main.title!r}")
    check(config.title.startswith("Vorlix Ver"), f"the settings window's caption {config.title!r}")
    check(not problems, "; ".join(problems))


def _maximize(d, win):
    x(d, "wmctrl", "-i", "-r", win.handle, "-b", "add,maximized_vert,maximized_horz")


def _fullscreen(d, win):
    x(d, "wmctrl", "-i", "-r", win.handle, "-b", "add,fullscreen")


def _double_click_title(d, win):
    d.rig.double_click(*title_point(win))


def _keys(*keys):
    def press(d, win):
        activate(d, win)
        d.rig.point(*centre(win.client))
        d.rig.key(*keys)
    return press


# Every request that would change a window's size: the EWMH state requests (wmctrl, as the
# window managers' menus send them), a double click on the title, the window managers' keys
# (Alt+F8 resizes with the arrow keys in xfwm4, mutter and icewm; Alt+F10 maximizes in mutter
# and xfwm4; Alt+F11 goes fullscreen in icewm and xfwm4). Each but the keyboard's resize
# leaves the window where it was; xfwm4 moves a window that cannot be resized instead.
REQUESTS = (
    ("wmctrl maximize", _maximize, True),
    ("wmctrl fullscreen", _fullscreen, True),
    ("a double click on the title", _double_click_title, True),
    ("Alt+F8 and the arrow keys", _keys("alt+F8", "Right", "Right", "Down", "Down", "Return"),
     False),
    ("Alt+F10", _keys("alt+F10"), True),
    ("Alt+F11", _keys("alt+F11"), True),
)


@scenario("no_request_changes_a_client_size", platforms=("linux",))
def no_request_changes_size(d):
    prog, main = started(d, settings={"MainFormPosX": 100, "MainFormPosY": 100})
    show_settings(d)
    move_to(d, SETTINGS, 300, 200)
    problems, seen = [], []
    for role in (STATUS, SETTINGS):
        for what, request, keeps_place in REQUESTS:
            before = d.window(role)
            if before is None:
                problems.append(f"{role}: not shown before {what}")
                break
            request(d, before)
            time.sleep(0.3)

            def settled(w, before=before, role=role, keeps_place=keeps_place):
                return (w is not None and size(w.client) == CLIENTS[role] and
                        (w.frame[:2] == before.frame[:2] or not keeps_place) and
                        w.state == "normal")
            after, back = poll(lambda role=role: d.window(role), settled, SETTLE_S)
            kept = back and holds(lambda role=role: d.window(role), settled, 1)[0]
            got = after and (size(after.client), after.frame[:2], after.state)
            seen.append(f"{role} {what}: {got}")
            if not kept:
                place = f" at {before.frame[:2]}" if keeps_place else ""
                problems.append(f"{role} after {what}: {got}, want {CLIENTS[role]}{place}, "
                                f"normal")
                x(d, "wmctrl", "-i", "-r", before.handle, "-b",
                  "remove,maximized_vert,maximized_horz,fullscreen")
                d.rig.key("Escape")
    d.rig.screenshot(f"sizes_{d.wm}")
    print("  " + "; ".join(seen))
    check(not problems, "; ".join(problems))


def _mapped(d, win):
    """Whether the window is on the screen: mapped, and not minimized (mutter keeps a minimized
    window mapped, in the hidden state)."""
    return ("IsViewable" in x(d, "xwininfo", "-id", win.handle) and
            "_NET_WM_STATE_HIDDEN" not in x(d, "xprop", "-id", win.handle, "_NET_WM_STATE"))


@scenario("minimize_and_restore_as_the_taskbar_does", platforms=("linux",))
def minimize_and_restore(d):
    # A taskbar minimizes with WM_CHANGE_STATE (xdotool windowminimize) and restores with
    # _NET_ACTIVE_WINDOW (wmctrl -a).
    prog, main = started(d, settings={"MainFormPosX": 200, "MainFormPosY": 150})
    problems = []
    x(d, "xdotool", "windowminimize", main.handle)
    if not poll(lambda: _mapped(d, main), lambda m: not m, 5)[1]:
        problems.append("the status window is still on screen after a minimize")
    activate(d, main)
    back, ok = poll(lambda: d.window(STATUS), lambda w: w and _mapped(d, w) and
                    w.state == "normal" and size(w.client) == CLIENTS[STATUS], 5)
    if not ok:
        problems.append(f"the status window after a restore: {back}")
    elif back.frame[:2] != main.frame[:2]:
        problems.append(f"restored at {back.frame[:2]}, not at {main.frame[:2]}")

    # The settings window cannot be minimized; one minimized all the same, and then hidden and
    # shown, shows mapped and in front.
    config = show_settings(d)
    for what, then_toggle in (("a minimize", False), ("a minimize and a hide", True)):
        x(d, "xdotool", "windowminimize", config.handle)
        if then_toggle:
            click_panel(d)
            wait_hidden(d)
            click_panel(d)
        shown, ok = poll(lambda: d.window(SETTINGS), lambda w: w and _mapped(d, w) and
                         w.state == "normal", 5)
        kept = ok and holds(lambda: d.window(SETTINGS), lambda w: w and _mapped(d, w), 1)[0]
        if not kept:
            problems.append(f"the settings window after {what}: {shown}")
        elif then_toggle and not shown.active:
            problems.append(f"the settings window after {what} is shown but not active")
    check(not problems, "; ".join(problems))


@scenario("settings_window_from_the_keyboard")
def settings_from_keys(d):
    # Check, the status window's one focusable control, is clicked to make that window active;
    # the keys then do what a click on the panel does: show, or hide which applies and saves.
    prog, main = started(d, settings={"IP": TARGET})
    check_button = centre(control(d, STATUS, "Button_Check").rect)
    problems = []
    rounds = (("ctrl+comma", "alt+Return", "7"), ("alt+Return", "ctrl+comma", "9"))
    for show_keys, hide_keys, minutes in rounds:
        d.rig.click(*check_button)
        d.rig.key(show_keys)
        if not poll(lambda: d.window(SETTINGS), bool, 5)[1]:
            problems.append(f"{show_keys} on the status window showed no settings window")
            continue
        type_into(d, "Edit_PingTime", minutes)
        d.rig.click(*check_button)
        if focused(d, STATUS) not in (None, "Button_Check"):
            problems.append(f"the focus is on {focused(d, STATUS)}")
        d.rig.key(hide_keys)
        hidden, ok = poll(lambda: d.window(SETTINGS), lambda w: w is None, 5)
        saved, _ = poll(prog.settings_file, lambda b: b and f"PingTime={minutes}\r\n".encode()
                        in b, 5)
        if not ok:
            problems.append(f"{hide_keys} left the settings window shown")
        elif f"PingTime={minutes}\r\n".encode() not in (saved or b""):
            problems.append(f"{hide_keys} hid the settings window without saving PingTime="
                            f"{minutes}: {saved!r}")
    keys = d.shortcut_keys(STATUS, "Panel_Result")
    print(f"  the panel's keys as assistive technology reads them: {keys!r}")
    if keys is not None and "comma" not in keys.lower():
        problems.append(f"the panel's keys read {keys!r}")
    check(not problems, "; ".join(problems))


@scenario("panel_tooltip_is_the_caption")
def panel_tooltip(d):
    # A long address, which every frame cuts.
    prog, main = started(d, settings={"IP": "198.18.0.200", "MainFormPosX": 300,
                                      "MainFormPosY": 300})
    problems = []
    for caption, change in (("IP: 198.18.0.200", None), ("IP: 198.18.0.20", "20")):
        if change:
            show_settings(d)
            type_into(d, "Edit_IP3", change)
            click_panel(d)
            wait_hidden(d)
        panel = control(d, STATUS, "Panel_Result")
        d.rig.point(panel.rect[0] + 5, panel.rect[1] + 5)
        d.rig.point(*centre(panel.rect))
        tip, ok = poll(d.tooltip, lambda t: t == caption, 5, interval=0.2)
        if not ok:
            problems.append(f"the panel's tooltip reads {tip!r}, want {caption!r}")
        d.rig.screenshot("panel_tooltip")
        d.rig.point(SCREEN[0] - 5, SCREEN[1] - 5)
        poll(d.tooltip, lambda t: t is None, 3)
    check(not problems, "; ".join(problems))


@scenario("error_box_centred_over_the_status_window", platforms=("linux",))
def error_box_place(d):
    prog, main = started(d, settings={"IP": TARGET, "MainFormPosX": 437, "MainFormPosY": 311})
    problems = []
    for minimized in (False, True):
        open_settings(d)
        type_into(d, "Edit_TimeOut", "abc")
        if minimized:
            status = d.window(STATUS)
            x(d, "xdotool", "windowminimize", status.handle)
            poll(lambda: _mapped(d, status), lambda m: not m, 5)
            d.request_close(SETTINGS)
            want, where = (SCREEN[0] // 2, SCREEN[1] // 2), "the screen"
        else:
            want, where = centre(d.window(STATUS).frame), "the status window"
            click_panel(d)
        box = the_box(d, prog)
        got = centre(box.frame)
        if abs(got[0] - want[0]) > 10 or abs(got[1] - want[1]) > 40:
            problems.append(f"the box {box.frame} is centred at {got}, not over {where} {want}")
        if box.text != CONVERSION_ERROR.format("abc"):
            problems.append(f"the box says {box.text!r}")
        d.rig.screenshot(f"error_box_{'minimized' if minimized else 'shown'}")
        problems += filter(None, [dismiss_box(d, box)])
        if minimized:
            activate(d, status)
            wait_until("the status window to come back", lambda: d.window(STATUS),
                       lambda w: w and _mapped(d, w), 5)
    check(not problems, "; ".join(problems))
