"""Scenarios of the program heard rather than seen: each result read out once, and the settings
fields' names. On Linux what is heard is what Orca speaks; on Windows, the panel's live-region
events (see Driver.screen_reader).
"""

import time

from layout import SETTINGS, STATUS
from rig import centre, check, poll
from scenarios import (RESULT_RE, adder, click_on, control, focused, in_range, panel_text, started,
                       started_with_settings_shown)

SCENARIOS = []
scenario = adder(SCENARIOS)

HEARD_WITHIN_S = 4.0  # from the user's action to the result read out
# How long after the result is heard a second reading of it would still count.
ONCE_S = 1.0
TIMEOUT_HOST, TIMEOUT_MS = "198.18.0.99", 1000  # never answers

# What a listener hears each field of the settings window called.
FIELD_NAMES = {
    "Edit_IP0": "IPアドレス 1", "Edit_IP1": "IPアドレス 2", "Edit_IP2": "IPアドレス 3",
    "Edit_IP3": "IPアドレス 4", "Edit_TimeOut": "タイムアウト ms",
    "Edit_PingTime": "定期実行 分ごと", "CheckBox_PingTime": "定期実行",
    "CheckBox_StayOnTop": "常に手前に表示", "Button_OK": "OK",
}


def said(heard):
    """The result in what was read out: Orca ends a sentence with a full stop."""
    return heard.text.rstrip(".")


def hear_result(d, listener, since, how, want=None, waited_s=0.0):
    """Waits for a result (`want`, or any) read out after `since` (time.time() of the action);
    then checks that it came within HEARD_WITHIN_S (after the `waited_s` that the program waits
    for an echo), once, from the panel, and that the panel shows it. Returns (problems, the
    Heard)."""
    limit = HEARD_WITHIN_S + waited_s
    def results():
        return [h for h in listener.heard()
                if h.t >= since and RESULT_RE.match(said(h)) and (want is None or said(h) == want)]
    found, ok = poll(results, bool, limit)
    if not ok:
        late = [h.text for h in listener.heard() if h.t >= since]
        return [f"after {how}: no result heard within {limit:g} s (heard {late})"], None
    first = found[0]
    delay = first.t - since
    time.sleep(ONCE_S)
    again = [h for h in results() if said(h) == said(first)]
    problems = []
    if delay > limit:
        problems.append(f"after {how}: {first.text!r} heard {delay:.1f} s later")
    if len(again) != 1:
        problems.append(f"after {how}: {said(first)!r} heard {len(again)} times")
    panel = control(d, STATUS, "Panel_Result")
    if panel.text != said(first):
        problems.append(f"after {how}: heard {first.text!r}, the panel shows {panel.text!r}")
    if first.source and first.source != panel.handle:
        problems.append(f"after {how}: heard from {first.source}, not the panel {panel.handle}")
    print(f"  after {how}: heard {first.text!r} {delay:.2f} s later"
          + (f" (from the panel {first.source})" if first.source else ""), flush=True)
    return problems, first


@scenario("each_result_is_heard")
def each_result_is_heard(d):
    listener = d.screen_reader()
    prog, main = started(d)
    problems = []

    button = control(d, STATUS, "Button_Check")
    since = time.time()
    d.rig.click(*centre(button.rect))
    found, heard = hear_result(d, listener, since, "a click on Check")
    problems += found
    if heard and not in_range(said(heard), 20):
        problems.append(f"after a click: {heard.text!r}, want a result of about 20 ms")

    # The click left the keyboard focus on the button, which Space presses.
    check(focused(d, STATUS) == "Button_Check",
          f"the focus is on {focused(d, STATUS)} after the click, not on Check")
    since = time.time()
    d.rig.key("space")
    problems += hear_result(d, listener, since, "Space on the focused Check button")[0]
    if focused(d, STATUS) != "Button_Check":
        problems.append(f"the focus moved to {focused(d, STATUS)} while the result was read out")

    d.request_close(STATUS)
    check(prog.wait(8) is not None, "the program still runs 8 s after a close request")
    started(d, settings={"IP": TIMEOUT_HOST, "TimeOut": TIMEOUT_MS})
    since = time.time()
    click_on(d, STATUS, "Button_Check")
    how = f"a click on Check and a time-out of {TIMEOUT_MS} ms"
    problems += hear_result(d, listener, since, how, "TimeOut", TIMEOUT_MS / 1000)[0]
    check(not problems, "; ".join(problems))
    check(panel_text(d) == "TimeOut", f"the panel shows {panel_text(d)!r} after the time-out")


@scenario("settings_fields_named_for_a_listener")
def settings_fields_named(d):
    d.accessible_names(SETTINGS)  # where they cannot be read, this says so before the start
    started_with_settings_shown(d)
    names = d.accessible_names(SETTINGS)
    problems = [f"{name} is called {names.get(name)!r}, want {want!r}"
                for name, want in FIELD_NAMES.items() if names.get(name) != want]
    check(not problems, "; ".join(problems))
    print("  " + ", ".join(f"{name}: {names[name]}" for name in FIELD_NAMES))


@scenario("settings_window_heard_after_ctrl_comma", platforms=("linux",))
def settings_heard_after_keys(d):
    # A user without a mouse: the status window active (as Alt+Tab leaves it), Ctrl+Comma opens
    # the settings window, and its first field is read out with the name a listener uses.
    listener = d.screen_reader()
    prog, main = started(d)
    d.session.x(["wmctrl", "-i", "-a", main.handle])
    poll(lambda: d.window(STATUS), lambda w: w and w.active, 3)
    since = time.time()
    d.rig.key("ctrl+comma")
    first = FIELD_NAMES["Edit_IP0"]
    found, ok = poll(lambda: [h for h in listener.heard() if h.t >= since and first in h.text],
                     bool, HEARD_WITHIN_S)
    heard = [h.text for h in listener.heard() if h.t >= since]
    check(ok, f"{first!r} not heard within {HEARD_WITHIN_S:g} s of Ctrl+Comma (heard {heard})")
    check(focused(d, SETTINGS) == "Edit_IP0",
          f"the focus is on {focused(d, SETTINGS)} in the settings window")
    print(f"  after Ctrl+Comma: heard {heard} ({found[0].t - since:.2f} s later)")
