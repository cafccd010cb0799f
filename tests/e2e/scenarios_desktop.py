"""Scenarios of the desktop: the settings window's first place, and on Linux the taskbar entry
and Alt+Tab, a start without a display and the desktop's font resolution (Xft/DPI).

WINDOW_MANAGEMENT names the scenarios that the runs with --wm xfwm4 or --wm mutter run alone.
"""

from layout import SETTINGS, STATUS
from rig import SCREEN, Failure, check, exit_text, poll, size, wait_until
from scenarios import (adder, check_cases, click_on, click_panel, start, started, wait_hidden,
                       wait_window)

SCENARIOS = []
scenario = adder(SCENARIOS)

WINDOW_MANAGEMENT = (
    "rig_namespace_confined",
    "start_and_close_close_request",
    "layout",
    "first_start_in_an_empty_folder",
    "stay_on_top_on_and_off",
    "settings_saved_when_closing_while_shown",
    "settings_window_placement",
    "settings_window_first_place_in_view",
    "taskbar_entry_and_alt_tab",
    "desktop_scale_from_xft_dpi",
    "frames_ask_for_a_caption_only",
    "no_request_changes_a_client_size",
    "minimize_and_restore_as_the_taskbar_does",
    "settings_window_from_the_keyboard",
    "panel_tooltip_is_the_caption",
    "error_box_centred_over_the_status_window",
)

# What the Linux program says on its standard error stream when no X11 display opens.
NO_DISPLAY_MESSAGE = ("Vorlix には X11 ディスプレイが必要です (Wayland では XWayland)。"
                      "DISPLAY が設定されていません。")


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def open_settings_in_place(d):
    """Clicks the result panel; the settings window once it has come to rest where it first
    shows (the window system places it, and the program may then move it into view)."""
    click_on(d, STATUS, "Panel_Result")
    wait_window(d, SETTINGS, 10)
    last = {}

    def settled():
        win = d.window(SETTINGS)
        frame = win and win.frame
        still = frame is not None and frame == last.get("frame")
        last["frame"] = frame
        return win if still else None
    return wait_until("the settings window to come to rest", settled, bool, 5, interval=0.3)


@scenario("settings_window_first_place_in_view")
def settings_first_place(d):
    # The status window kept above where window systems put a new window (the top-left
    # corner), in the middle, and in the bottom right-hand corner, where nothing fits below it
    # or to its right.
    places, problems = [], []
    for at in ((0, 0), (437, 311), (880, 700)):
        try:
            prog, main = started(d, settings={"MainFormPosX": at[0], "MainFormPosY": at[1],
                                              "StayOnTop": 1})
            config = open_settings_in_place(d)
            places.append(f"status at {main.frame[:2]}: settings at {config.frame[:2]}")
            if overlaps(config.frame, main.frame):
                problems.append(f"status at {main.frame}: the settings window {config.frame} "
                                f"lies over it")
            left, top, right, bottom = config.frame
            if left < 0 or top < 0 or right > SCREEN[0] or bottom > SCREEN[1]:
                problems.append(f"status at {main.frame}: the settings window {config.frame} "
                                f"is not wholly on the {SCREEN[0]}x{SCREEN[1]} screen")
            if size(config.client) != (249, 101):
                problems.append(f"the settings window's client area is {size(config.client)}")
        except Failure as e:
            problems.append(f"status at {at}: {e}")
        finally:
            d.end_test()
    print("  " + "; ".join(places))
    check(not problems, "; ".join(problems))


@scenario("taskbar_entry_and_alt_tab", platforms=("linux",))
def taskbar_entry(d):
    # Imported here: the Wine driver's runs do not need the Linux desktop's helpers.
    from linux_desktop import Cover, active_window, facts, stacking

    problems, seen = [], []
    for on_top in (0, 1):
        cover = None
        try:
            prog, main = started(d, settings={"StayOnTop": on_top})
            status = facts(d, STATUS)
            settings = _settings_facts(d)
            seen.append(f"StayOnTop={on_top}: status {status['type']} "
                        f"[{', '.join(status['state']) or 'no state'}], settings "
                        f"{settings['type']} [{', '.join(settings['state'])}]")
            problems += [f"StayOnTop={on_top}: {p}" for p in
                         _entry_problems(status, settings, on_top)]
            # Another program's window over the status window, and active: Alt+Tab brings
            # the status window back.
            frame = d.window(STATUS).frame
            cover = Cover(d, [frame[0], frame[1], frame[2] + 200, frame[3] + 150])
            d.session.x(["wmctrl", "-i", "-a", hex(cover.xid)])
            _, ok = poll(lambda: active_window(d), lambda w: w == cover.xid, 5)
            check(ok, f"the covering window did not become active (active: {active_window(d)})")
            covered = stacking(d)
            if not on_top and covered.index(cover.xid) < covered.index(status["xid"]):
                problems.append(f"StayOnTop=0: the covering window is not above the status "
                                f"window ({covered})")
            d.rig.key("alt+Tab")
            active, ok = poll(lambda: active_window(d), lambda w: w == status["xid"], 5)
            if not ok:
                problems.append(f"StayOnTop={on_top}: Alt+Tab made {active and hex(active)} "
                                f"active, not the status window {hex(status['xid'])}")
            order, ok = poll(lambda: stacking(d),
                             lambda s: s.index(status["xid"]) > s.index(cover.xid), 5)
            if not ok:
                problems.append(f"StayOnTop={on_top}: after Alt+Tab the status window is still "
                                f"under the covering window ({order})")
            d.rig.screenshot(f"alt_tab_{d.wm}_{on_top}")
        except Failure as e:
            problems.append(f"StayOnTop={on_top}: {e}")
        finally:
            if cover:
                cover.end()
            d.end_test()
    print("  " + "; ".join(seen))
    check(not problems, "; ".join(problems))


def _settings_facts(d):
    """The settings window's X facts, shown once and hidden again."""
    from linux_desktop import facts

    click_panel(d)
    wait_window(d, SETTINGS, 10)
    found = facts(d, SETTINGS)
    click_panel(d)
    wait_hidden(d)
    return found


def _entry_problems(status, settings, on_top):
    """What is wrong with the taskbar entries: the status window has the program's one, with
    its icon; the settings window none, transient for the status window, with the same icon."""
    problems = []
    for name in ("SKIP_TASKBAR", "SKIP_PAGER"):
        if name in status["state"]:
            problems.append(f"the status window has {name}")
        if name not in settings["state"]:
            problems.append(f"the settings window lacks {name}")
    if not status["in_client_list"]:
        problems.append("the status window is not in _NET_CLIENT_LIST")
    if ("ABOVE" in status["state"]) != bool(on_top):
        problems.append(f"the status window's state {status['state']}")
    if settings["transient_for"] != status["xid"]:
        problems.append(f"the settings window is transient for {settings['transient_for']}, "
                        f"not the status window {status['xid']}")
    # The sizes that panels and switchers show (from the icon theme where the package is
    # installed, in the order the theme lists them; else built in, smallest first).
    for role, found in ((STATUS, status), (SETTINGS, settings)):
        if not {(16, 16), (32, 32)} <= set(found["icon_sizes"]):
            problems.append(f"the {role} window's icon has the sizes {found['icon_sizes']}")
    return problems


@scenario("start_without_a_display", platforms=("linux",))
def no_display(d):
    prog = start(d, display=False)
    rc = prog.wait(10)
    check(rc is not None, "the program still runs 10 s after a start without a display")
    said, left = prog.log_tail(2000), d.wait_gone(10)
    check_cases([("exit code 1", rc == 1, exit_text(rc)),
                 (f"said {NO_DISPLAY_MESSAGE!r} and a line feed",
                  said == NO_DISPLAY_MESSAGE + "\n", said),
                 ("nothing left running", not left, left)])
    print(f"  exit code 1; said {said.strip()!r}")


@scenario("desktop_scale_from_xft_dpi", platforms=("linux",))
def desktop_scale(d):
    # A settings daemon publishes Xft/DPI 192 before the program starts, then 96 and 144 while
    # it runs; both windows follow, and stay where they are.
    from linux_desktop import XSettings

    xsettings = XSettings(d, 192)
    try:
        prog = start(d, settings={"MainFormPosX": 100, "MainFormPosY": 100})
        main = wait_window(d, STATUS, 20, prog)
        # The window may show at 96 dpi and take its scaled size (and a window manager's new
        # place for it) a moment later: it is clicked, and later compared, where it then is.
        settled, _ = poll(lambda: d.window(STATUS), lambda w: w and size(w.client) == (258, 50), 5)
        main = settled or main
        # The panel is the left part of the status window, at any scale.
        d.rig.click(main.client[0] + 20, main.client[1] + size(main.client)[1] // 2)
        wait_window(d, SETTINGS, 10)
        seen, problems = [], []
        for dpi, status_client, settings_client in ((192, (258, 50), (498, 202)),
                                                    (96, (129, 25), (249, 101)),
                                                    (144, (194, 38), (374, 152))):
            if dpi != 192:
                xsettings.set(dpi)
            wins, ok = poll(lambda: (d.window(STATUS), d.window(SETTINGS)),
                            lambda w: w[0] and w[1] and size(w[0].client) == status_client and
                            size(w[1].client) == settings_client, 5)
            got = [size(w.client) if w else None for w in wins]
            seen.append(f"{dpi} dpi: {got[0]} and {got[1]}")
            if not ok:
                problems.append(f"at {dpi} dpi the client areas are {got}, want "
                                f"{status_client} and {settings_client}")
            elif wins[0].frame[:2] != main.frame[:2]:
                problems.append(f"at {dpi} dpi the status window moved to {wins[0].frame[:2]}")
            d.rig.screenshot(f"desktop_scale_{dpi}")
        print("  " + "; ".join(seen))
        check(not problems, "; ".join(problems))
    finally:
        xsettings.end()
