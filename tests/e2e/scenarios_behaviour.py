"""End-to-end scenarios of stated behaviours: the panel's clicks, closing in the middle of things,
bad fields hidden by the panel, the start-up show commands, the settings window and file."""

import time

import layout
from layout import SETTINGS, STATUS
from rig import SCREEN, Failure, centre, check, exit_text, holds, poll, size, wait_until
from scenarios import (MAGENTA, NO_FRAME_BUTTONS, NOT_HAPPENING_S, RESULT_RE, adder,
                       check_a_result, check_cases, click_on, click_panel, close_program,
                       control, control_cases, dismiss_box, file_with, frame_cases, in_range,
                       move_to, open_settings, panel_text, press_check, rest_problems,
                       set_check_box, start, started, the_box, type_into, wait_hidden,
                       wait_window)

SCENARIOS = []
scenario = adder(SCENARIOS)

CONVERSION_ERROR = "'{}' は整数ではありません."


def settings_shown(d):
    return d.window(SETTINGS) is not None


def stays(d, read, good, what):
    """Checks that good(read()) holds for NOT_HAPPENING_S; fails naming `what` otherwise."""
    kept, seen = holds(read, good, NOT_HAPPENING_S)
    check(kept, f"{what} (seen: {seen!r})")


# The panel's clicks


@scenario("panel_double_click_toggles_once")
def panel_double_click(d):
    prog, main = started(d)
    panel = centre(control(d, STATUS, "Panel_Result").rect)
    d.rig.double_click(*panel)
    wait_until("the settings window to show after a double click", lambda: settings_shown(d),
               bool, 5)
    stays(d, lambda: settings_shown(d), bool, "a double click showed and hid the window")
    move_to(d, SETTINGS, 300, 100)
    d.rig.double_click(*panel)
    wait_until("the settings window to hide after a double click",
               lambda: not settings_shown(d), bool, 5)
    stays(d, lambda: not settings_shown(d), bool, "a double click hid and showed the window")

    # Pressed over the panel, released outside the window: no click.
    below = (panel[0], main.frame[3] + 60)
    d.rig.drag(*panel, *below)
    stays(d, lambda: not settings_shown(d), bool,
          "a press over the panel released outside it showed the settings window")
    # The panel still takes a click.
    d.rig.click(*panel)
    wait_until("the settings window to show after a click", lambda: settings_shown(d), bool, 5)
    print(f"  two double clicks toggled once each; press and release outside: nothing for "
          f"{NOT_HAPPENING_S:g} s; a click afterwards shows the window")


# Closing in the middle of things


@scenario("close_with_a_non_number_in_a_shown_field")
def close_with_non_number(d):
    prog, main = started(d)
    before = prog.settings_file()
    open_settings(d)
    type_into(d, "Edit_PingTime", "ab")  # the caret stays in it: its check does not run
    d.request_close(STATUS)
    box = the_box(d, prog)
    d.rig.screenshot("close_with_a_non_number")
    problems = []
    if (box.caption, box.text) != ("Vorlix", CONVERSION_ERROR.format("ab")):
        problems.append(f"box {box.caption!r}: {box.text!r}")
    check(not dismiss_box(d, box), "Return did not dismiss the message box within 5 s")
    rc = prog.wait(10)
    if rc != 0:
        problems.append(f"{exit_text(rc)} 10 s after the box, want exit code 0")
    if prog.settings_file() != before:
        problems.append(f"Vorlix.ini was written: {prog.settings_file()!r}")
    check(not problems, "; ".join(problems))


@scenario("close_while_a_check_runs")
def close_during_check(d):
    host = "198.18.0.95"  # 950 ms, so the close request comes while the echo is under way
    prog, main = started(d, settings={"IP": host})
    sent = d.rig.responder_echoes(host)
    click_on(d, STATUS, "Button_Check")
    wait_until("the echo to reach the test host", lambda: d.rig.responder_echoes(host),
               lambda n: n > sent, 5, interval=0.01)
    # The host's own record of the echo: later than the send, and not later by this test's lag.
    t_echo = d.rig.responder_echo_monotonic(host)[-1]
    d.request_close(STATUS)
    t_close = time.monotonic()
    # The window stays while the run goes on: its reply still shows. Each look reads the window
    # and its panel at once: the reply shows for only the run's pause of 1000 ms, and on a busy
    # machine two looks in a row can straddle its end.
    seen = []

    def read():
        if not prog.running():
            return None
        started_at = time.monotonic()
        try:
            panel = d.controls(STATUS).get("Panel_Result")
        except Failure as e:
            # A look that meets the window's tree half read is taken again.
            seen.append((started_at - t_echo, time.monotonic() - t_echo, False, str(e)))
            return ""
        text = panel.text if panel else ""
        seen.append((started_at - t_echo, time.monotonic() - t_echo, panel is not None, text))
        return text
    text, shown = poll(read, lambda t: t is None or bool(RESULT_RE.match(t)), 5, interval=0.05)
    looks = ", ".join(f"{a:.2f}..{b:.2f} s {'shown' if w else 'gone'} {t!r}"
                      for a, b, w, t in seen[-3:])
    check(shown and text is not None, f"the program ended before its check showed a result "
                                      f"({exit_text(prog.exit_code())}); the last looks: {looks}")
    check(in_range(text, 950), f"the check shows {text!r}, want 950..1100ms")
    rc = prog.wait(10)
    t_exit = time.monotonic() - t_echo
    check(rc == 0, f"{exit_text(rc)}, want exit code 0")
    # The run ends after its pause of 1000 ms, which follows the reply at 950 ms.
    check(t_exit >= 1.8, f"the program ended {t_exit:.2f} s after the echo went out, before "
                         f"its check's pause was over")
    print(f"  close request {t_close - t_echo:.2f} s after the echo went out; {text!r} shown "
          f"in the still open window; exit 0 after {t_exit:.2f} s; looks: {looks}")


# Bad fields hidden by the panel


@scenario("several_bad_octets_quote_the_last_and_the_program_goes_on")
def several_bad_octets(d):
    prog, main = started(d)
    before = prog.settings_file()
    config = open_settings(d)
    # Set from outside, so that no field is left and checked.
    d.set_text(SETTINGS, "Edit_IP1", "x1")
    d.set_text(SETTINGS, "Edit_IP3", "y3")
    wait_until("the two octets to hold x1 and y3", lambda: (
        control(d, SETTINGS, "Edit_IP1").text, control(d, SETTINGS, "Edit_IP3").text),
        lambda t: t == ("x1", "y3"), 5)
    click_on(d, STATUS, "Panel_Result")
    box = the_box(d, prog)
    problems = []
    if (box.caption, box.text) != ("Vorlix", CONVERSION_ERROR.format("y3")):
        problems.append(f"box {box.caption!r}: {box.text!r}, want the last octet on screen "
                        f"quoted: {CONVERSION_ERROR.format('y3')!r}")
    check(not dismiss_box(d, box), "Return did not dismiss the message box within 5 s")
    if settings_shown(d):
        problems.append("the settings window is still shown after the box")
    now = d.window(STATUS)
    if now.title != main.title:
        problems.append(f"the caption changed to {now.title!r}: something was applied")
    if prog.settings_file() != before:
        problems.append("Vorlix.ini was written")
    check(not problems, "; ".join(problems))

    # After the error display the program goes on: it checks, and the settings window opens
    # where it was, with the fields as they were left.
    _, enabled = poll(lambda: d.window(STATUS), lambda w: w and w.enabled, 5)
    check(enabled, "the status window stays disabled after the box")
    text = check_a_result(d, what="a check after the error display")
    click_on(d, STATUS, "Panel_Result")
    again = wait_window(d, SETTINGS, 10)
    check(again.frame == config.frame, f"the settings window came back at {again.frame}, "
                                        f"was at {config.frame}")
    texts = [control(d, SETTINGS, f"Edit_IP{i}").text for i in range(4)]
    check(texts == ["198", "x1", "0", "y3"], f"the octets show {texts}")
    print(f"  box {box.text!r}; then {text!r}, and the settings window again at {again.frame[:2]}")


@scenario("minutes_typed_minus_one_or_zero_and_hidden_by_the_panel")
def minutes_hidden_by_panel(d):
    host = "198.18.0.20"
    prog, main = started(d, settings={"IP": host, "AutoPing": 1, "PingTime": 5})
    open_settings(d)
    type_into(d, "Edit_PingTime", "-1")  # the caret stays in it: its check does not run
    sent = d.rig.responder_echoes(host)
    click_on(d, STATUS, "Panel_Result")
    written, ok = file_with(prog, [b"PingTime=-1\r\n", b"AutoPing=1\r\n"])
    check(ok, f"Vorlix.ini after the hide: {written!r}")
    # -1 times 60000 as a 32-bit product is 4294907296 ms: the periodic test passes only
    # 49.7 days after the latest check, so none starts now.
    stays(d, lambda: d.rig.responder_echoes(host), lambda n: n == sent,
          "a periodic check ran with the minutes at -1")
    print(f"  minutes -1: saved as typed, no periodic check for {NOT_HAPPENING_S:g} s")

    # 0 minutes: every tick finds the interval over, and periodic checks follow one another;
    # none starts inside another (each would nest in the one before, without end).
    open_settings(d)
    type_into(d, "Edit_PingTime", "0")
    click_on(d, STATUS, "Panel_Result")
    file_with(prog, [b"PingTime=0\r\n"])
    wait_until("a periodic check", lambda: d.rig.responder_echoes(host),
               lambda n: n > sent, 5, interval=0.05)
    first = d.rig.responder_echoes(host)
    times = wait_until("four more periodic checks", lambda: d.rig.responder_echo_times(host),
                       lambda t: len(t) >= first + 4, 10)[first - 1:]
    gaps = [b - a for a, b in zip(times, times[1:])]
    check(min(gaps) >= 1000, f"periodic checks {['%.0f' % g for g in gaps]} ms apart: one "
                             f"started inside another's pause of 1000 ms")
    check(RESULT_RE.match(panel_text(d)), f"the panel shows {panel_text(d)!r}")
    close_program(d, prog)
    print(f"  minutes 0: periodic checks one after another, {min(gaps):.0f} to "
          f"{max(gaps):.0f} ms apart")


# A stay-on-top switch in the middle of a check


@scenario("stay_on_top_switched_during_a_check")
def stay_on_top_during_check(d):
    host = "198.18.0.95"  # 950 ms: time to queue presses while the echo is under way
    prog, main = started(d, settings={"IP": host, "TimeOut": 2000, "StayOnTop": 0})
    open_settings(d)
    type_into(d, "Edit_TimeOut", "500")
    set_check_box(d, "CheckBox_StayOnTop", True)
    button = centre(control(d, STATUS, "Button_Check").rect)
    panel = centre(control(d, STATUS, "Panel_Result").rect)
    sent = d.rig.responder_echoes(host)
    d.rig.click(*button)  # run A: the echo blocks the program for 950 ms
    wait_until("the echo to reach the test host", lambda: d.rig.responder_echoes(host),
               lambda n: n > sent, 5, interval=0.01)
    # While A's echo blocks, Check and the panel are clicked. In A's pause the press starts run
    # B, and B, before its echo, takes the panel click: the hide applies the new time-out (500)
    # and stay-on-top, which rebuilds the window. B's reply can only be "TimeOut", A's is not.
    d.rig.click_each(button, panel)
    rebuilt = wait_until("the status window kept on top", lambda: d.window(STATUS),
                         lambda w: w and w.topmost, 10)
    text = wait_until("B's result in the rebuilt window's panel", lambda: panel_text(d),
                      lambda t: t == "TimeOut", 5)
    problems = []
    if rebuilt.handle == main.handle:
        problems.append("the status window was not rebuilt")
    if (rebuilt.title, rebuilt.frame) != (main.title, main.frame):
        problems.append(f"the rebuilt window is {rebuilt.title!r} at {rebuilt.frame}, "
                        f"was {main.title!r} at {main.frame}")
    echoes = d.rig.responder_echoes(host) - sent
    if echoes != 2:
        problems.append(f"{echoes} echoes went out, want 2 (runs A and B)")
    problems += rest_problems(d, text, MAGENTA, "stay_on_top_during_check")
    written, ok = file_with(prog, [b"TimeOut=500\r\n", b"StayOnTop=1\r\n"])
    if not ok:
        problems.append(f"Vorlix.ini is {written!r}")
    check(not problems, "; ".join(problems))
    close_program(d, prog)
    print(f"  B's {text!r} landed and blinked on the rebuilt window")


# The start-up show commands


@scenario("start_minimized_shows_nothing_on_the_way")
def start_minimized(d):
    watch = d.watch()
    watch.wait_ready(20)
    prog = start(d, show="minimized")
    t_start = time.monotonic()

    def application():
        if not prog.running():
            raise Failure(f"the program ended ({exit_text(prog.exit_code())}); "
                          f"log: {prog.log_tail()!r}")
        return d.application()
    app = wait_until("the application window, minimized", application,
                     lambda w: w is not None and w.state == "minimized", 20, interval=0.2)
    problems = []
    if app.title != "Vorlix":
        problems.append(f"the taskbar button reads {app.title!r}")
    kept, seen = holds(lambda: d.window(STATUS), lambda w: w is None, NOT_HAPPENING_S)
    if not kept:
        problems.append(f"the status window showed while the program was minimized: {seen}")
    t_restore = time.monotonic()
    before = watch.events()
    shown = [e for e in before if e.role == STATUS and (e.visible or e.active)]
    if shown:
        problems.append(f"the status window was {'shown' if shown[0].visible else 'active'} "
                        f"at t={shown[0].t_ms} ms ({'exact' if shown[0].exact else 'seen'})")
    check(not problems, "; ".join(problems))

    d.restore()
    main = wait_window(d, STATUS, 10, prog)
    events = watch.stop()
    after = [e for e in events if e.role == STATUS and e.visible and e.exact]
    problems = []
    if not after:
        problems.append("the window system's record never saw the status window shown, even "
                        "after the restore: the record does not work")
    if (main.state, main.active) != ("normal", True):
        problems.append(f"restored, the status window is {main.state}, active {main.active}")
    if main.title != "IP: 198.18.0.20":
        problems.append(f"its caption is {main.title!r}")
    app = d.application()
    if not app or app.state != "normal":
        problems.append(f"the application window is {app and app.state} after the restore")
    check(not problems, "; ".join(problems))
    close_program(d, prog)
    print(f"  minimized for {t_restore - t_start:.1f} s from the start with the "
          f"status window never shown nor active (the window system's record and a look every "
          f"20 ms); shown and active once restored")


@scenario("start_maximized_stays_maximized_through_stay_on_top")
def start_maximized(d):
    prog = start(d, show="maximized")
    main = wait_window(d, STATUS, 20, prog)
    left, top, right, bottom = main.frame
    check_cases([("started maximized", main.state == "maximized", main.state),
                 ("covering the screen", left <= 0 and top <= 0 and right >= SCREEN[0] and
                  bottom >= SCREEN[1], main.frame)])
    problems = []
    text = press_check(d)
    open_settings(d)
    set_check_box(d, "CheckBox_StayOnTop", True)
    click_on(d, SETTINGS, "Button_OK")
    rebuilt = wait_until("the status window kept on top", lambda: d.window(STATUS),
                         lambda w: w and w.topmost, 5)
    if rebuilt.handle == main.handle:
        problems.append("the window was not rebuilt")
    if (rebuilt.state, rebuilt.frame) != ("maximized", main.frame):
        problems.append(f"rebuilt {rebuilt.state} at {rebuilt.frame}, was maximized at "
                        f"{main.frame}")
    if panel_text(d) != text:
        problems.append(f"the panel reads {panel_text(d)!r}, was {text!r}")
    check(not problems, "; ".join(problems))
    d.rig.screenshot("start_maximized_on_top")
    close_program(d, prog)
    print(f"  maximized at {main.frame}, kept maximized there through the switch to stay-on-top")


# The settings window read back


CAPTIONS = {"GroupBox_IP": "IPアドレス", "Label_IP0": ".", "Label_IP1": ".", "Label_IP2": ".",
            "GroupBox_TimeOut": "タイムアウト", "Label_TimeOut": "ms",
            "CheckBox_PingTime": "定期実行", "Label_PingTime": "分ごと",
            "CheckBox_StayOnTop": "常に手前に表示", "Button_OK": "OK"}
# The fields as the default settings file of the scenarios fills them.
FIELDS = {"Edit_IP0": "198", "Edit_IP1": "18", "Edit_IP2": "0", "Edit_IP3": "20",
          "Edit_TimeOut": "2000", "Edit_PingTime": "1"}
IME_NOTE = ("the input method switched off on entering Edit_IP0 is read in the program's own "
            "process by the test under Wine Backend.EnteringAFieldThatClosesTheInputMethod"
            "SwitchesItOff: Wine gives another process neither the window's input context nor "
            "its input method window")


@scenario("settings_window_read_back")
def settings_read_back(d):
    prog, main = started(d)
    app = d.application()
    check(app is None or app.title == "Vorlix", f"the taskbar button reads {app and app.title!r}")
    click_on(d, STATUS, "Panel_Result")
    config = wait_window(d, SETTINGS, 10)
    d.rig.screenshot("settings_read_back")
    kids, facts = d.controls(SETTINGS), d.frame_facts(SETTINGS)
    # Where a window manager draws the frame (Linux), the facts are what the window asks for:
    # close_box among them, since openbox draws a close button on every frame whatever a window
    # asks; the caption bar's height is the window manager's alone.
    if "close_box" not in facts:
        facts["close_box"] = (d.close_button(SETTINGS) is not None, d.close_button(SETTINGS))
    cases = frame_cases(facts, {"tool_window": ("a tool window", True),
                                "small_caption": ("small caption bar", True),
                                "close_box": ("no close button", False), **NO_FRAME_BUTTONS})
    cases += [
        ("client area 249x101", size(config.client) == (249, 101), size(config.client)),
        ("caption Vorlix Ver1.01", config.title == "Vorlix Ver1.01", config.title),
        ("the layout's controls and nothing else",
         sorted(kids) == sorted(layout.CONTROLS[SETTINGS]), sorted(kids)),
        ("OK is not the default button", kids.get("Button_OK") and
         kids["Button_OK"].default is False, kids.get("Button_OK")),
    ]
    cases += control_cases(kids, SETTINGS, dict(CAPTIONS, **FIELDS))
    check_cases(cases)

    # Enter in a field presses nothing.
    click_on(d, SETTINGS, "Edit_IP0")
    wait_until("focus in Edit_IP0", lambda: control(d, SETTINGS, "Edit_IP0").focused, bool, 5)
    d.rig.key("Return")
    stays(d, lambda: settings_shown(d), bool, "Return in Edit_IP0 hid the settings window")
    print(f"  {len(cases)} facts as the layout gives them; Return in Edit_IP0 pressed nothing "
          f"for {NOT_HAPPENING_S:g} s")
    print(f"  note: {IME_NOTE}")


@scenario("settings_window_placement")
def settings_placement(d):
    """Where the settings window shows first is the window system's default, whatever position
    the settings file holds for it; afterwards it comes back where it was."""
    firsts = []
    for stored in ((437, 311), (20, 600)):
        # The status window out of the way of where the settings window may first show.
        prog, main = started(d, settings={"ConfigFormPosX": stored[0],
                                          "ConfigFormPosY": stored[1],
                                          "MainFormPosX": 700, "MainFormPosY": 600})
        click_panel(d)
        first = wait_window(d, SETTINGS, 10).frame[:2]
        firsts.append(first)
        check(first != list(stored), f"the settings window first showed at the stored {stored}")
        if len(firsts) == 2:
            break
        # Hidden and shown again, it comes back where it was; moved, it comes back there.
        click_panel(d)
        wait_hidden(d)
        click_panel(d)
        again = wait_window(d, SETTINGS, 10).frame[:2]
        check(again == first, f"shown again at {again}, was at {first}")
        move_to(d, SETTINGS, 300, 100)
        click_on(d, SETTINGS, "Button_OK")
        written, ok = file_with(prog, [b"ConfigFormPosX=300\r\nConfigFormPosY=100\r\n"])
        check(ok, f"the moved window's place is not saved: {written!r}")
        click_panel(d)
        moved = wait_window(d, SETTINGS, 10).frame[:2]
        check(moved == [300, 100], f"moved to 300,100, shown again at {moved}")
        d.end_test()
    check(firsts[0] == firsts[1], f"first shown at {firsts[0]} with 437,311 stored, at "
                                  f"{firsts[1]} with 20,600 stored")
    print(f"  first shown at {firsts[0]} with either position stored; came back there and, "
          f"once moved, at 300,100")


# The settings file's keys in any letter case


@scenario("settings_keys_in_any_letter_case")
def keys_in_any_case(d):
    prog = start(d, content=b"mainformposx=150\r\nmainformposy=160\r\nCONFIGFORMPOSX=201\r\n"
                 b"configFormPosY=107\r\nip=198.18.0.35\r\ntimeout=800\r\nTimeOut=900\r\n"
                 b"AUTOPING=0\r\npingtime=7\r\nsTaYoNtOp=1\r\n")
    main = wait_window(d, STATUS, 20, prog)
    click_panel(d)
    wait_window(d, SETTINGS, 10)
    kids = d.controls(SETTINGS)
    shown = (main.frame[:2], main.title, main.topmost)
    got = (kids["Edit_TimeOut"].text, kids["Edit_PingTime"].text,
           kids["CheckBox_PingTime"].checked, kids["CheckBox_StayOnTop"].checked)
    check_cases([("the status window at 150,160 reading 'IP: 198.18.0.35', on top",
                  shown == ([150, 160], "IP: 198.18.0.35", True), shown),
                 ("timeout, minutes, periodic, on top: the first timeout line's 800, 7, off, on",
                  got == ("800", "7", False, True), got)])
    print("  keys in lower, upper and mixed case read as the program's own; of two timeout "
          "lines the first counts")
