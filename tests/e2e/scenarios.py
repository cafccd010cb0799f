"""The end-to-end scenarios: what a user does with the program and what must follow. Written
against the driver interface (driver.py) only, so that every platform runs this one list.

Each scenario takes the driver, raises rig.Failure (or anything) to fail and rig.Skip to skip;
what it prints indented goes into the log. Every wait polls the condition it is for.
"""

import ipaddress
import itertools
import os
import re
import tempfile
import time

import layout
from layout import SETTINGS, STATUS, TAB_ORDER
from rig import (SCREEN, TEST_NET, UNREACHABLE, Failure, Test, centre, check,
                 describe_colours, exit_text, holds, poll, run, size, wait_until)

# Colours of the result panel, as RGB.
BLACK, WHITE = (0, 0, 0), (255, 255, 255)
CYAN = (0, 255, 255)  # below 300 ms
LIME = (0, 255, 0)  # 300 to 599 ms
YELLOW = (255, 255, 0)  # 600 to 899 ms
RED = (255, 0, 0)  # 900 ms or more
MAGENTA = (255, 0, 255)  # TimeOut

RESULT_RE = re.compile(r"^(-?\d+)ms$|^TimeOut$")
# The program's figure includes the platform's own time, so it may run a little over the delay.
SLACK_MS = 150
# The blink has come to rest once the panel keeps its colour this long: five timer periods, so
# a blink still going would show white within it.
STEADY_S = 1.0
# How long a check that something does not happen watches for it: several times what the
# same window takes to hide after OK (printed by settings_ok_applies_and_saves).
NOT_HAPPENING_S = 2.0

# Vorlix.ini written into each working folder (unless a scenario asks for none): a test host as
# the target, no periodic checks, the windows on the screen. Keys in the program's order.
SETTINGS_FILE = {"MainFormPosX": 100, "MainFormPosY": 100, "ConfigFormPosX": 201,
                 "ConfigFormPosY": 107, "IP": "198.18.0.20", "TimeOut": 2000, "AutoPing": 0,
                 "PingTime": 1, "StayOnTop": 0}
FIRST_RUN_FILE = (b"MainFormPosX=-255\r\nMainFormPosY=-255\r\nConfigFormPosX=201\r\n"
                  b"ConfigFormPosY=107\r\nIP=1.1.1.1\r\nTimeOut=5000\r\nAutoPing=1\r\n"
                  b"PingTime=1\r\nStayOnTop=1\r\n")
STARTUP_CAPTION = "アプリケーション エラー"
DEFAULT_TARGET = "1.1.1.1"  # the program's built-in target: never reachable from a test

def adder(tests):
    """The decorator @scenario(name, platforms=None) of a module of scenarios, which adds the
    function to `tests`, the module's list; `platforms` limits it to those drivers."""
    def scenario(name, platforms=None):
        def register(fn):
            tests.append(Test(name, fn, platforms))
            return fn
        return register
    return scenario


SCENARIOS = []
scenario = adder(SCENARIOS)

# Steps that scenarios share


def write_settings(workdir, overrides=None):
    """Writes Vorlix.ini (key=value lines, CRLF) into `workdir`; the target must be a test host."""
    values = dict(SETTINGS_FILE, **(overrides or {}))
    check(ipaddress.ip_address(values["IP"]) in TEST_NET, f"IP {values['IP']} is no test host")
    with open(os.path.join(workdir, "Vorlix.ini"), "wb") as f:
        f.write(settings_bytes(values))


def settings_bytes(values):
    return "".join(f"{k}={v}\r\n" for k, v in values.items()).encode("ascii")


def new_workdir(d):
    return tempfile.mkdtemp(prefix="work-", dir=d.rig.run_dir)


def start(d, settings=None, no_settings=False, content=None, **kw):
    """Starts the program in a fresh working folder, with a Vorlix.ini unless `no_settings`:
    the bytes `content`, or else the scenarios' own with `settings` over them."""
    workdir = new_workdir(d)
    if content is not None:
        with open(os.path.join(workdir, "Vorlix.ini"), "wb") as f:
            f.write(content)
    elif not no_settings:
        write_settings(workdir, settings)
    return d.start(workdir, **kw)


def wait_window(d, role, timeout, prog=None):
    """The window of that role once it shows; fails early if the program ends first."""
    def read():
        if prog and not prog.running():
            raise Failure(f"the program ended ({exit_text(prog.exit_code())}) before its {role} "
                          f"window showed; log: {prog.log_tail()!r}")
        return d.window(role)
    win = wait_until(f"the {role} window to show", read, bool, timeout, interval=0.2)
    outside = d.rig.confined(d.platform_pids())
    check(not outside, f"processes outside {d.rig.app_ns}: {outside}")
    return win


def on_screen(d, win, at=(100, 100)):
    """Moves a window fully onto the screen if it is not; returns it re-read."""
    left, top, right, bottom = win.frame
    if left >= 0 and top >= 0 and right <= SCREEN[0] and bottom <= SCREEN[1]:
        return win
    print(f"  note: the {win.role} window was at {win.frame[:2]}, not fully on the screen; "
          f"moved it to {at}", flush=True)
    return move_to(d, win.role, *at)


def started(d, **kw):
    """Starts the program; returns it and its status window, on the screen."""
    prog = start(d, **kw)
    return prog, on_screen(d, wait_window(d, STATUS, 20, prog))


def control(d, role, name):
    found = d.controls(role)
    check(name in found, f"no {name} in the {role} window (found {sorted(found)})")
    return found[name]


def panel_text(d):
    return control(d, STATUS, "Panel_Result").text


def focused(d, role):
    return next((n for n, c in d.controls(role).items() if c.focused), None)


def press_check(d, seconds=8):
    """Clicks Check on a panel without a result yet; returns the result once it shows."""
    check(panel_text(d) == "", "press_check needs a panel without a result")
    click_on(d, STATUS, "Button_Check")
    return wait_until("a result (NNms or TimeOut) in the panel after Check", lambda: panel_text(d),
                      RESULT_RE.match, seconds)


def in_range(text, delay):
    m = RESULT_RE.match(text)
    return bool(m and m.group(1)) and delay <= int(m.group(1)) <= delay + SLACK_MS


def rest_problems(d, text, rgb, shot_name, timeout=6):
    """Waits for the blink to come to rest: the panel keeps showing `text` with pixels of `rgb`
    and none white for STEADY_S. Returns the problems (none when it did)."""
    panel = control(d, STATUS, "Panel_Result")
    if panel.text != text:
        return [f"panel text changed from {text!r} to {panel.text!r}"]
    deadline, since, colours = time.monotonic() + timeout, None, None
    while True:
        colours = d.rig.grab(panel.rect).colours_in(panel.rect)
        now = time.monotonic()
        resting = rgb in colours and WHITE not in colours
        since = (since or now) if resting else None
        if resting and now - since >= STEADY_S:
            break
        if now >= deadline:
            return [f"{text!r} did not rest in {rgb} with no white within {timeout} s: "
                    f"{describe_colours(colours)}"]
        time.sleep(0.05)
    d.rig.screenshot(shot_name)
    after = panel_text(d)
    return [] if after == text else [f"panel text changed from {text!r} to {after!r}"]


# Two clicks on one spot within the double-click time are a double click, whose second press
# toggles nothing; so click_panel clicks left and right of the panel's centre in turn.
_PANEL_OFFSETS = itertools.cycle((15, -15))


def click_panel(d):
    """Clicks the result panel, never twice on one spot."""
    x, y = centre(control(d, STATUS, "Panel_Result").rect)
    d.rig.click(x + next(_PANEL_OFFSETS), y)


def open_settings(d):
    """Clicks the result panel; returns the settings window once it shows, moved to a place of
    the test's own (the window system places it where it likes, and the program moves it beside
    the status window if that place is over it)."""
    click_on(d, STATUS, "Panel_Result")
    wait_window(d, SETTINGS, 10)
    return move_to(d, SETTINGS, 300, 100)


def move_to(d, role, x, y):
    """Moves the window of that role; returns it once it is there."""
    d.move(role, x, y)
    return wait_until(f"the {role} window to move to {x},{y}", lambda: d.window(role),
                      lambda w: w and w.frame[:2] == [x, y], 5)


def wait_hidden(d, role=SETTINGS, timeout=5):
    wait_until(f"the {role} window to hide", lambda: d.window(role), lambda w: w is None, timeout)


def click_on(d, role, name):
    d.rig.click(*centre(control(d, role, name).rect))


def set_check_box(d, name, want):
    """Clicks a check box of the settings window; returns once it shows `want`."""
    click_on(d, SETTINGS, name)
    wait_until(f"{name} checked={want}", lambda: control(d, SETTINGS, name).checked,
               lambda c: c == want, 5)


def started_with_settings_shown(d):
    prog, main = started(d)
    return prog, main, open_settings(d)


def check_a_result(d, delay=20, what="a check"):
    """Presses Check; fails unless the result shows the delay of the host; returns it."""
    text = press_check(d)
    check(in_range(text, delay), f"{what} shows {text!r}, want {delay}..{delay + SLACK_MS}ms")
    return text


def type_into(d, name, text):
    """Clicks into a field, clears it and types, as a user does (keys go under the pointer);
    returns once the field shows what it takes of the text."""
    click_on(d, SETTINGS, name)
    d.rig.key("End", *["BackSpace"] * 6)
    if text:
        d.rig.type_text(text)
    shown = text[:layout.CONTROLS[SETTINGS][name].max_length]
    wait_until(f"{name} to show {shown!r} after typing {text!r}",
               lambda: control(d, SETTINGS, name).text, lambda t: t == shown, 5)


def file_with(prog, parts, timeout=5):
    """Vorlix.ini once it holds every byte string of `parts`; (content, True) or (last, False)."""
    return poll(prog.settings_file, lambda b: b is not None and all(p in b for p in parts),
                timeout, interval=0.05)


def close_and_check_exit(d, prog, how):
    t0 = time.monotonic()
    rc = prog.wait(8)
    check(rc is not None, f"the program still runs 8 s after {how}")
    t_exit = time.monotonic() - t0
    check(rc == 0, f"{exit_text(rc)} after {how}, want 0; log: {prog.log_tail()!r}")
    left = d.wait_gone(20)
    check(not left, f"processes of the program's platform still running 20 s after: {left}")
    print(f"  exited 0 {t_exit:.1f} s after {how}; all gone after {time.monotonic() - t0:.1f} s")


def close_program(d, prog):
    """A close request to the status window, then the checks of close_and_check_exit."""
    d.request_close(STATUS)
    close_and_check_exit(d, prog, "a close request")


def frame_cases(facts, wanted):
    """(what, as wanted, detail) of each fact in `wanted` ({fact: (what, want)}) that the
    platform's frame_facts gives; those it does not give are noted in the log."""
    for fact in sorted(wanted.keys() - facts.keys()):
        print(f"  note: {fact} is not a fact of this platform's frames; not checked")
    return [(what, facts[fact][0] == want, facts[fact][1])
            for fact, (what, want) in wanted.items() if fact in facts]


def control_cases(kids, role, texts):
    """(what, ok, got) of each of the layout's controls of that window among `kids`: its kind,
    place (a label's size at least the layout's: it grows to fit its caption in the font at
    hand), shown, its text (`texts`, by name; "" for the others), a field's most characters and
    a check box unchecked."""
    cases, unread = [], False  # unread: the platform does not show the most characters
    for name, entry in layout.CONTROLS[role].items():
        c = kids.get(name)
        if c is None:
            continue
        cases.append((f"{name} is a {entry.kind}", c.kind == entry.kind, c.kind))
        if entry.kind == "label":
            cases.append((f"{name} at {entry.pos[:2]}, at least {entry.pos[2]}x{entry.pos[3]}",
                          c.pos[:2] == entry.pos[:2] and c.pos[2] >= entry.pos[2] and
                          c.pos[3] >= entry.pos[3], c.pos))
        else:
            cases.append((f"{name} at {entry.pos}", c.pos == entry.pos, c.pos))
        cases.append((f"{name} visible", c.visible, c.visible))
        want = texts.get(name, "")
        cases.append((f"{name} reads {want!r}", c.text == want, c.text))
        if entry.kind == "edit" and c.max_length is None:
            unread = True
        elif entry.kind == "edit":
            cases.append((f"{name} takes {entry.max_length} characters",
                          c.max_length == entry.max_length, c.max_length))
        if entry.kind == "check":
            cases.append((f"{name} unchecked", c.checked is False, c.checked))
    if unread:
        print("  note: the fields' maximum lengths are not shown to another process on this "
              "platform; the platform's own tests read them")
    return cases


def check_cases(cases):
    """Fails naming every (what, ok, got) case that is not ok."""
    problems = [f"{what} (got {got!r})" for what, ok, got in cases if not ok]
    check(not problems, "; ".join(problems))


# What the windows' frames must not have (frame_facts).
NO_FRAME_BUTTONS = {"minimize_box": ("no minimize button", False),
                    "maximize_box": ("no maximize button", False),
                    "window_menu_box": ("no window icon or menu button", False),
                    "resizable": ("not resizable", False)}


# Start and end


@scenario("start_and_close_close_request")
def close_request(d):
    prog = start(d)
    wait_window(d, STATUS, 20, prog)
    close_program(d, prog)


@scenario("start_and_close_caption_button")
def close_button(d):
    prog, main = started(d)
    point = d.close_button(STATUS)
    check(point, "no close button found in the window's frame")
    x, y = point
    check(main.frame[0] <= x < main.frame[2] and main.frame[1] <= y < main.client[1],
          f"close button point {x},{y} is not in the caption bar {main.frame}")
    d.rig.screenshot("close_button_before")
    d.rig.click(x, y)
    close_and_check_exit(d, prog, f"a click on the close button at {x},{y}")


def dismiss_box(d, box, gone=None, timeout=5):
    """Presses Return on the box, as a user does, and waits up to `timeout` s for gone() (by
    default: no box shown); if it stays, presses its OK through the window system and waits as
    long again. Returns the problem, or None."""
    if gone is None:
        def gone():
            return poll(d.message_boxes, lambda b: not b, timeout, interval=0.2)[1]
    d.rig.point(*centre(box.frame))
    d.rig.key("Return")
    if gone():
        return None
    d.answer_box(box)
    gone()
    return (f"Return did not dismiss the message box within {timeout} s; pressed its OK "
            f"through the window system instead")


def the_box(d, prog=None, timeout=10):
    """The first message box shown within `timeout` s; fails early when `prog` ends first."""
    def read():
        found = d.message_boxes()
        if not found and prog and not prog.running():
            raise Failure(f"the program ended ({exit_text(prog.exit_code())}) with no message "
                          f"box; log: {prog.log_tail()!r}")
        return found
    return wait_until("a message box", read, bool, timeout, interval=0.2)[0]


def startup_box_problems(d, prog, class_name, message, shot=None):
    """Waits for the start-up error display and checks it (the screenshot `shot` taken where
    named); then dismisses it with Return and checks that the program exits with code 1.
    Returns the problems."""
    box = the_box(d, prog, 20)
    outside = d.rig.confined(d.platform_pids())
    check(not outside, f"processes outside {d.rig.app_ns}: {outside}")
    if shot:
        d.rig.screenshot(shot)
    lines = box.text.split("\n")
    line1 = re.compile(rf"^{class_name}がモジュール {re.escape(d.program_file)} の [0-9A-F]{{8}} "
                       rf"で発生しました。$")
    line2 = message + "."
    problems = []
    if box.caption != STARTUP_CAPTION:
        problems.append(f"caption {box.caption!r}, want {STARTUP_CAPTION!r}")
    if len(lines) != 2:
        problems.append(f"text has {len(lines)} lines, want 2: {box.text!r}")
    else:
        if not line1.match(lines[0]):
            problems.append(f"line 1 {lines[0]!r} does not match {line1.pattern}")
        if lines[1] != line2:
            problems.append(f"line 2 {lines[1]!r}, want {line2!r}")
    if d.window(STATUS):
        problems.append("the status window is shown")
    problems += filter(None, [dismiss_box(d, box, lambda: prog.wait(8) is not None, 8)])
    if prog.exit_code() != 1:
        problems.append(f"{exit_text(prog.exit_code())}, want exit code 1")
    return problems


@scenario("startup_failure_without_icmp")
def startup_failure(d):
    watch = d.watch()
    watch.wait_ready(20)  # it sees the screen before the program starts

    prog = start(d, echo_service=False)
    started_at = time.monotonic()
    problems = startup_box_problems(d, prog, "EICMPError", d.echo_missing_message,
                                    "startup_failure_msgbox")

    ran = time.monotonic() - started_at
    events = watch.stop()
    shown = [e for e in events if e.role == STATUS and e.visible]
    if shown:
        problems.append(f"the status window was visible at t={shown[0].t_ms} ms")
    if not any(e.role == "message box" for e in events):
        problems.append("the watch never saw the message box (is it working?)")
    check(not problems, "; ".join(problems))
    print(f"  watched every 20 ms from before the start to the exit ({ran:.1f} s): "
          f"no status window showed")


# The status window


@scenario("layout")
def status_layout(d):
    prog, main = started(d)
    face = d.button_face()
    cx, cy = main.client[:2]
    panel_area, gap = [cx, cy, cx + 79, cy + 25], [cx + 79, cy, cx + 80, cy + 25]

    def painted():
        shot = d.rig.grab(main.client)
        return shot.colours_in(panel_area), shot.colours_in(gap)
    (panel_colours, gap_colours), _ = poll(
        painted, lambda c: set(c[0]) == {BLACK} and set(c[1]) == {face}, 5)
    d.rig.screenshot("layout")
    kids, facts = d.controls(STATUS), d.frame_facts(STATUS)
    button = kids.get("Button_Check")
    cases = frame_cases(facts, {"tool_window": ("a tool window", True), **NO_FRAME_BUTTONS,
                                "small_caption": ("small caption bar", True)})
    cases += control_cases(kids, STATUS, {"Button_Check": "Check"}) + [
        ("client area 129x25", size(main.client) == (129, 25), size(main.client)),
        ("the panel and the button, nothing else",
         sorted(kids) == ["Button_Check", "Panel_Result"], sorted(kids)),
        ("button enabled", button and button.enabled, None),
        ("panel all black before a check", set(panel_colours) == {BLACK},
         describe_colours(panel_colours)),
        (f"column x=79 shows the window's background {face}", set(gap_colours) == {face},
         describe_colours(gap_colours)),
    ]
    check_cases(cases)


@scenario("check_pressed")
def check_pressed(d):
    prog, main = started(d)
    text = press_check(d)
    problems = [] if in_range(text, 20) else [f"{text!r}, want 20..{20 + SLACK_MS}ms"]
    problems += rest_problems(d, text, CYAN, "check_pressed")
    # The request as the test host saw it: 64 bytes of data, sent with a time-to-live of 255 (the
    # test hosts are one link away, so nothing counts it down).
    request = d.rig.responder_echo_requests("198.18.0.20")[-1]
    if (request["bytes"], request["ttl"]) != ("64", "255"):
        problems.append(f"the request carried {request['bytes']} bytes with a time-to-live of "
                        f"{request['ttl']}, want 64 bytes and 255")
    check(not problems, f"result {text!r}: " + "; ".join(problems))
    print(f"  result {text!r}, resting in {CYAN}; the request: {request['bytes']} bytes, "
          f"time-to-live {request['ttl']}")


# Each test host (and one address whose route is unreachable), the figure expected from it and
# the RGB colour its band shows.
BAND_CASES = [
    ("198.18.0.20", 20, (0, 255, 255)),  # cyan
    ("198.18.0.35", 350, (0, 255, 0)),  # lime green
    ("198.18.0.65", 650, (255, 255, 0)),  # yellow
    ("198.18.0.95", 950, (255, 0, 0)),  # red
    ("198.18.0.99", None, (255, 0, 255)),  # never answers: TimeOut after 2000 ms, magenta
    # The echo fails at once: a failure that comes back before the time-out shows its time.
    (UNREACHABLE, 0, (0, 255, 255)),
]


@scenario("check_each_band")
def check_each_band(d):
    problems, seen = [], []
    for addr, delay, rgb in BAND_CASES:
        before = d.rig.responder_echoes(addr)
        try:
            started(d, settings={"IP": addr})
            text = press_check(d)
            seen.append(f"{addr}={text}")
            if delay is None and text != "TimeOut":
                problems.append(f"{addr}: {text!r}, want TimeOut")
            elif delay is not None and not in_range(text, delay):
                problems.append(f"{addr}: {text!r}, want {delay}..{delay + SLACK_MS}ms")
            problems += [f"{addr}: {p}" for p in rest_problems(d, text, rgb, f"band_{addr}")]
            sent = d.rig.responder_echoes(addr) - before
            if sent != (0 if addr == UNREACHABLE else 1):
                problems.append(f"{addr}: the test host saw {sent} echo requests for one check")
        except Failure as e:
            problems.append(f"{addr}: {e}")
        finally:
            d.end_test()
    check(not problems, "; ".join(problems))
    print("  results: " + ", ".join(seen))


# The settings window and file


@scenario("first_start_in_an_empty_folder")
def first_start(d):
    # The only start without a settings file: the program then watches its built-in public
    # default, which inside the test namespace has no route, so nothing can leave. Shown here
    # before the start, so that a change to the namespace cannot quietly let it out.
    route = run(["ip", "-n", d.rig.app_ns, "route", "get", DEFAULT_TARGET], check_rc=False)
    check(route.returncode != 0,
          f"{d.rig.app_ns} has a route to {DEFAULT_TARGET}: {route.stdout.strip()}")
    prog = start(d, no_settings=True)
    main = wait_window(d, STATUS, 20, prog)
    written = prog.settings_file()  # written while the windows were made, before one showed
    check_cases([("status window at 0,0", main.frame[:2] == [0, 0], main.frame[:2]),
                 (f"caption IP: {DEFAULT_TARGET}", main.title == f"IP: {DEFAULT_TARGET}",
                  main.title),
                 ("Vorlix.ini as a first start writes it", written == FIRST_RUN_FILE, written)])


@scenario("settings_fields_are_checked_when_left")
def fields_checked(d):
    prog, main, config = started_with_settings_shown(d)
    cases = [("Edit_IP0", "198", "198"), ("Edit_IP1", "018", "18"), ("Edit_IP2", "", "0"),
             ("Edit_IP3", "300", "255"), ("Edit_TimeOut", "123456", "1234"),
             ("Edit_PingTime", "0", "1")]
    problems = []
    for name, typed, want in cases:
        type_into(d, name, typed)
        d.rig.key("Tab")
        field, ok = poll(lambda: control(d, SETTINGS, name),
                         lambda c: not c.focused and c.text == want, 5)
        if not ok:
            where = "still in it" if field.focused else "moved on"
            problems.append(f"{name}: typed {typed!r}, shows {field.text!r} 5 s after Tab "
                            f"(focus {where}), want {want!r}")
    d.rig.screenshot("settings_fields")

    # Return in a field presses nothing.
    type_into(d, "Edit_IP2", "00")
    d.rig.key("Return")
    stayed, _ = holds(lambda: d.window(SETTINGS), bool, NOT_HAPPENING_S)
    if stayed:
        print(f"  Return in Edit_IP2: the settings window still shown {NOT_HAPPENING_S:g} s later")
    else:
        problems.append("Return in a field hid the settings window")
    # The keys still reach that field, so the Return did too.
    d.rig.type_text("1")
    field, ok = poll(lambda: control(d, SETTINGS, "Edit_IP2"), lambda c: c.text == "001", 5)
    if not ok:
        problems.append(f"after Return, typing 1 into Edit_IP2 shows {field.text!r}, want '001'")

    # A close request hides the window and saves the fields as they stand.
    d.request_close(SETTINGS)
    _, hidden = poll(lambda: d.window(SETTINGS), lambda w: w is None, 5)
    if not hidden:
        problems.append("a close request did not hide the settings window within 5 s")
    written, ok = file_with(prog, [b"IP=198.18.001.255\r\nTimeOut=1234\r\n", b"PingTime=1\r\n"])
    if not ok:
        problems.append(f"5 s after the close request Vorlix.ini is {written!r}")
    check(not problems, "; ".join(problems))


@scenario("settings_tab_order")
def tab_order(d):
    prog, main, config = started_with_settings_shown(d)
    click_on(d, SETTINGS, TAB_ORDER[0])
    wait_until(f"focus on {TAB_ORDER[0]} after a click into it", lambda: focused(d, SETTINGS),
               lambda f: f == TAB_ORDER[0], 5)
    stops = [TAB_ORDER[0]]
    for n, want in enumerate(TAB_ORDER[1:] + TAB_ORDER[:1], start=1):
        d.rig.key("Tab")
        got, ok = poll(lambda: focused(d, SETTINGS), lambda f: f == want, 5)
        stops.append(got)
        check(ok, f"Tab {n}: focus on {got} 5 s later, want {want}; stops: {' > '.join(stops)}")
    print(f"  stops: {' > '.join(map(str, stops))}")


@scenario("settings_ok_applies_and_saves")
def ok_applies(d):
    prog, main, config = started_with_settings_shown(d)
    type_into(d, "Edit_IP3", "35")
    type_into(d, "Edit_TimeOut", "1500")
    t0 = time.monotonic()
    click_on(d, SETTINGS, "Button_OK")
    problems = []
    _, hidden = poll(lambda: d.window(SETTINGS), lambda w: w is None, 5, interval=0.05)
    if hidden:
        print(f"  hidden {time.monotonic() - t0:.2f} s after the click on OK")
    else:
        problems.append("the settings window is still shown 5 s after OK")
    main, ok = poll(lambda: d.window(STATUS), lambda w: w and w.title == "IP: 198.18.0.35", 5)
    if not ok:
        problems.append(f"caption {main and main.title!r} 5 s after OK, want 'IP: 198.18.0.35'")
    # Byte for byte what every platform writes: the nine lines with the windows where they are
    # (the status window where the file put it, the settings window where it was moved).
    want = settings_bytes(dict(SETTINGS_FILE, ConfigFormPosX=300, ConfigFormPosY=100,
                               IP="198.18.0.35", TimeOut=1500))
    written, ok = poll(prog.settings_file, lambda b: b == want, 5, interval=0.05)
    if not ok:
        problems.append(f"5 s after OK Vorlix.ini is {written!r}, want {want!r}")
    text = press_check(d)
    if not in_range(text, 350):
        problems.append(f"check after OK shows {text!r}, want 350..{350 + SLACK_MS}ms")
    check(not problems, "; ".join(problems))


@scenario("settings_hidden_with_abc_shows_the_error")
def abc_error(d):
    prog, main = started(d)
    before = prog.settings_file()
    open_settings(d)
    type_into(d, "Edit_TimeOut", "abc")
    # Hides the window with the caret still in the field: its check does not run.
    click_on(d, STATUS, "Panel_Result")
    box = the_box(d)
    d.rig.screenshot("settings_abc_error")
    problems = []
    if (box.caption, box.text) != ("Vorlix", "'abc' は整数ではありません."):
        problems.append(f"box {box.caption!r}: {box.text!r}")
    if d.window(STATUS).enabled:
        problems.append("the status window is not disabled while the box is up")
    if d.window(SETTINGS):
        problems.append("the settings window is still shown")
    problems += filter(None, [dismiss_box(d, box)])
    if prog.settings_file() != before:
        problems.append("Vorlix.ini changed")
    if not prog.running():
        problems.append("the program ended")
    else:
        _, enabled = poll(lambda: d.window(STATUS), lambda w: w and w.enabled, 5)
        if not enabled:
            problems.append("the status window stays disabled 5 s after the box")
        else:
            text = press_check(d)
            if not in_range(text, 20):
                problems.append(f"a check afterwards shows {text!r}")
    check(not problems, "; ".join(problems))


@scenario("settings_saved_when_closing_while_shown")
def close_while_shown(d):
    prog, main, config = started_with_settings_shown(d)
    type_into(d, "Edit_PingTime", "7")
    d.request_close(STATUS)
    rc = prog.wait(10)
    check(rc == 0, f"{exit_text(rc)} 10 s after the close request, want exit code 0")
    written = prog.settings_file()
    check(b"PingTime=7\r\n" in written, f"Vorlix.ini is {written!r}")


@scenario("stay_on_top_on_and_off")
def stay_on_top(d):
    prog, main = started(d, settings={"StayOnTop": 1})
    # The place each rebuild must keep, once the window is placed (shown, it may still be 1 x 1).
    placed, ok = poll(lambda: d.window(STATUS), lambda w: w and w.frame[2] - w.frame[0] > 1, 5)
    main = placed if ok else main
    problems = []
    if not main.topmost:
        problems.append("StayOnTop=1 but the status window is not kept on top")
    # A result in the panel, resting in its colour, that each rebuild must keep.
    text = press_check(d)
    problems += rest_problems(d, text, CYAN, "on_top_before")
    for want in (False, True):
        open_settings(d)
        set_check_box(d, "CheckBox_StayOnTop", want)
        click_on(d, SETTINGS, "Button_OK")
        rebuilt, ok = poll(lambda: d.window(STATUS), lambda w: w and w.topmost == want, 5)
        if not ok:
            on_top = rebuilt and rebuilt.topmost
            problems.append(f"5 s after switching to {want}: kept on top {on_top}")
            continue
        if (rebuilt.title, rebuilt.frame) != (main.title, main.frame):
            problems.append(f"the rebuilt window moved or lost its caption: {rebuilt.title!r} at "
                            f"{rebuilt.frame}, was {main.title!r} at {main.frame}")
        problems += [f"after switching to {want}: {p}" for p in
                     rest_problems(d, text, CYAN, f"on_top_{want}")]
    check(not problems, "; ".join(problems))
    print(f"  {text!r} in {CYAN} kept through both rebuilds")


# Builds that only one platform has


@scenario("echo_socket_kind", platforms=("linux",))
def echo_socket_kind(d):
    # The kind of ICMP socket the namespace leaves the program: a datagram socket where its
    # group may open one, else (with the capability) a raw socket. It is open during a check.
    prog, main = started(d)
    click_on(d, STATUS, "Button_Check")
    kind = wait_until("an ICMP socket open during the check", lambda: d.echo_socket(prog), bool,
                      5, interval=0.02)
    text = wait_until("a result in the panel", lambda: panel_text(d), RESULT_RE.match, 5)
    check(kind == d.socket_kind, f"a {kind} socket, want a {d.socket_kind} one")
    check(in_range(text, 20), f"{text!r} through a {kind} socket, want 20..{20 + SLACK_MS}ms")
    print(f"  {text!r} through a {kind} ICMP socket")


@scenario("smoke_32bit", platforms=("wine",))
def smoke_32bit(d):
    d.need_32bit()
    check(d.exe32 and os.path.isfile(d.exe32), f"the 32-bit program is not built: {d.exe32}")
    prog = start(d, exe=d.exe32)
    wait_window(d, STATUS, 20, prog)
    check_a_result(d)
    close_program(d, prog)
