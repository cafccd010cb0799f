"""End-to-end scenarios of faults the program survives with nothing lost: a hundred presses of
Check, a read-only working folder, a settings file held open by another process, files of junk."""

import glob
import os
import random
import tempfile
import time

from layout import SETTINGS, STATUS
from rig import Failure, centre, check, exit_text, holds, poll, wait_until
from scenarios import (CYAN, LIME, MAGENTA, NOT_HAPPENING_S, RED, RESULT_RE, YELLOW, adder,
                       check_a_result, check_cases, click_on, click_panel, close_program,
                       control, file_with, in_range, open_settings, panel_text, press_check,
                       rest_problems, set_check_box, start, started, type_into, wait_hidden,
                       wait_window)

SCENARIOS = []
scenario = adder(SCENARIOS)

HOST = "198.18.0.20"  # answers after 20 ms


# A hundred presses of Check


# Each check lasts its echo (20 ms) and its pause (1000 ms), so presses this far apart land in
# running checks (the program runs at most four nested in one another). The second burst comes
# faster: unbounded, its eighty presses would nest eighty checks within one second.
PRESS_GAP_MS = 30
FAST_GAP_MS = 12
# "Level": the last reading may exceed the reading after the first twenty presses by this much.
MEMORY_MARGIN = 0.05  # of the reading
MEMORY_SLACK = 512 * 1024  # bytes, for the allocator's own steps
COUNT_SLACK = {"kernel_handles": 0, "windows": 0, "open_fds": 2, "gdi_objects": 2,
               "user_objects": 2}


def band(text):
    """The colour a result rests in."""
    m = RESULT_RE.match(text)
    if not m or not m.group(1):
        return MAGENTA
    ms = int(m.group(1))
    return CYAN if ms < 300 else LIME if ms < 600 else YELLOW if ms < 900 else RED


def idle(d, shot):
    """Waits until no check runs: no new echo for 2.5 s (longer than a check's pause) and the
    panel resting in the colour of its result. Returns the number of echoes so far. (A press
    handled before an echo nests a check that the echo then waits for: that result is red.)"""
    def echoes_then_quiet():
        before = d.rig.responder_echoes(HOST)
        quiet, _ = holds(lambda: d.rig.responder_echoes(HOST), lambda n: n == before, 2.5)
        return before if quiet else None
    count = wait_until("the checks to end (no echo for 2.5 s)", echoes_then_quiet,
                       lambda n: n is not None, 60, interval=0)
    text = answering(d, shot)
    problems = rest_problems(d, text, band(text), shot)
    check(not problems, "; ".join(problems))
    return count


def answering(d, what):
    """The program answers: the panel's text is read (with a time-out of 1 s for the window to
    answer) and is a result."""
    text = panel_text(d)
    check(RESULT_RE.match(text), f"at {what} the panel reads {text!r}, no result: the program "
                                 f"does not answer, or shows nothing")
    return text


def level_problems(first, last):
    problems = []
    for name, before in first.items():
        after = last.get(name)
        if before is None or after is None:
            continue
        if name in ("private_bytes", "working_set", "linux_rss"):
            allowed = before + max(before * MEMORY_MARGIN, MEMORY_SLACK)
        else:
            allowed = before + COUNT_SLACK[name]
        if after > allowed:
            problems.append(f"{name} rose from {before} to {after} (allowed up to {int(allowed)})")
    return problems


def describe(reading):
    return ", ".join(f"{k}={v}" for k, v in reading.items())


@scenario("fault_a_hundred_presses_of_check")
def hundred_presses(d):
    prog, main = started(d, settings={"IP": HOST})
    button = centre(control(d, STATUS, "Button_Check").rect)
    print("  how each count is read: " +
          "; ".join(f"{k}: {v}" for k, v in d.RESOURCE_NOTES.items()), flush=True)

    # The first twenty presses: a burst of clicks.
    echoes_0 = d.rig.responder_echoes(HOST)
    d.rig.clicks(*button, 20, PRESS_GAP_MS)
    echoes_20 = idle(d, "presses_20")
    first = d.resources()
    print(f"  after 20 presses ({echoes_20 - echoes_0} checks ran): {describe(first)}",
          flush=True)

    # Eighty more clicks, then Enter held on the focused Check button: the X server repeats
    # the key, and each repeat presses the button.
    d.rig.clicks(*button, 80, FAST_GAP_MS)
    echoes_100 = idle(d, "presses_100")
    check(control(d, STATUS, "Button_Check").focused, "Check has not the keyboard focus")
    d.rig.hold_key("Return", 3)
    echoes_all = idle(d, "presses_held")
    repeated = echoes_all - echoes_100
    check(repeated >= 4, f"holding Enter 3 s ran {repeated} checks: the key was not repeated "
                         f"(a held key runs four nested checks, then about one each second)")
    last = d.resources()
    print(f"  after 80 more clicks and Enter held 3 s ({echoes_all - echoes_0} checks in all, "
          f"{echoes_100 - echoes_20} for the 80 clicks, {repeated} while Enter was held): "
          f"{describe(last)}")

    problems = level_problems(first, last)
    # One more press still checks.
    d.rig.click(*button)
    _, checked = poll(lambda: d.rig.responder_echoes(HOST), lambda n: n == echoes_all + 1, 5)
    if not checked:
        problems.append("a press after the burst sent no echo")
    idle(d, "presses_after")
    check(not problems, "; ".join(problems))
    close_program(d, prog)


# The settings file out of reach


def no_box_for_a_while(d, what):
    kept, boxes = holds(d.message_boxes, lambda b: not b, NOT_HAPPENING_S, interval=0.2)
    check(kept, f"{what} showed a message box: {boxes}")


def hide_settings_with_ok(d):
    click_on(d, SETTINGS, "Button_OK")
    wait_hidden(d)


def wait_caption(d, title):
    wait_until("the caption applied", lambda: d.window(STATUS).title, lambda t: t == title, 5)


@scenario("fault_a_read_only_working_folder")
def read_only_folder(d):
    prog = start(d, no_settings=True, read_only=True)
    main = wait_window(d, STATUS, 20, prog)
    workdir = prog.workdir
    no_box_for_a_while(d, "the start in a read-only folder")
    check_cases([("the status window at 0,0", main.frame[:2] == [0, 0], main.frame[:2]),
                 ("no caption: nothing applied", main.title == "", main.title)])

    # Nothing was loaded: the fields hold the layout's values. The address goes to a test host
    # before any hide applies it (the layout's is the public default).
    open_settings(d)
    texts = [control(d, SETTINGS, f"Edit_IP{i}").text for i in range(4)]
    check(texts == ["1", "1", "1", "1"], f"the octets show {texts}, not the layout's")
    for i, octet in enumerate(HOST.split(".")):
        type_into(d, f"Edit_IP{i}", octet)
    set_check_box(d, "CheckBox_PingTime", False)
    hide_settings_with_ok(d)
    wait_caption(d, f"IP: {HOST}")
    no_box_for_a_while(d, "a hide in a read-only folder")
    # Every later hide fails as silently.
    click_panel(d)
    wait_window(d, SETTINGS, 10)
    click_panel(d)
    wait_hidden(d)
    no_box_for_a_while(d, "a second hide in a read-only folder")
    left = os.listdir(workdir)
    check(not left, f"the read-only folder holds {left}")
    check_a_result(d)
    close_program(d, prog)
    check(not os.listdir(workdir), f"the folder holds {os.listdir(workdir)} after the exit")
    print("  started at 0,0 with nothing applied; two hides saved nothing and said nothing")


@scenario("fault_a_read_only_working_folder_32bit_no_virtual_store", platforms=("wine",))
def read_only_folder_32bit(d):
    # The 32-bit program asks to run as its user: Windows would otherwise redirect its failed
    # save into the user's VirtualStore and report it done.
    d.need_32bit()
    prog = start(d, read_only=True, exe=d.exe32)
    main = wait_window(d, STATUS, 20, prog)
    check(main.title == f"IP: {HOST}", f"caption {main.title!r}: Vorlix.ini was not read")
    before = prog.settings_file()
    open_settings(d)
    hide_settings_with_ok(d)
    no_box_for_a_while(d, "a hide in a read-only folder")
    check(prog.settings_file() == before, "the read-only folder's Vorlix.ini changed")
    close_program(d, prog)
    stored = [os.path.join(top, n) for store in glob.glob(os.path.join(
        d.prefix, "drive_c", "users", "*", "AppData", "Local", "VirtualStore"))
        for top, _, names in os.walk(store) for n in names]
    check(not stored, f"the VirtualStore holds {stored}")
    print("  the save failed silently; nothing in the VirtualStore")


@scenario("fault_settings_file_held_open_while_hidden")
def file_held_open(d):
    prog, main = started(d)
    path = os.path.join(prog.workdir, "Vorlix.ini")
    before = prog.settings_file()
    problems = []
    for share, ip3, timeout in (("read", "35", "1500"), ("none", "65", "1600")):
        open_settings(d)
        type_into(d, "Edit_IP3", ip3)
        type_into(d, "Edit_TimeOut", timeout)
        holder = d.hold_file(path, share)
        hide_settings_with_ok(d)
        # The hide applies: the caption shows the new address.
        wait_caption(d, f"IP: 198.18.0.{ip3}")
        no_box_for_a_while(d, f"a hide while another process holds the file ({share})")
        now, extra = prog.settings_file(), sorted(set(os.listdir(prog.workdir)) - {"Vorlix.ini"})
        holder.release()
        if now != before:
            problems.append(f"held open ({share}): the file changed to {now!r}")
        if extra:
            problems.append(f"held open ({share}): the folder now holds {extra}")
    # Nothing lost: the next hide saves what the program holds.
    open_settings(d)
    hide_settings_with_ok(d)
    written, ok = file_with(prog, [b"IP=198.18.0.65\r\n", b"TimeOut=1600\r\n"])
    if not ok:
        problems.append(f"the hide after the holders let go wrote {written!r}")
    text = press_check(d)
    if not in_range(text, 650):
        problems.append(f"a check afterwards shows {text!r}, want 650..800ms")
    check(not problems, "; ".join(problems))
    close_program(d, prog)
    print("  held open (others may read, and no one may open it): the old file stayed whole, "
          "no message; the next hide saved")


# Settings files of junk


KEYS = ("MainFormPosX", "MainFormPosY", "ConfigFormPosX", "ConfigFormPosY", "IP", "TimeOut",
        "AutoPing", "PingTime", "StayOnTop")
VALID = (b"MainFormPosX=100\r\nMainFormPosY=100\r\nConfigFormPosX=201\r\nConfigFormPosY=107\r\n"
         b"IP=198.18.0.35\r\nTimeOut=2000\r\nAutoPing=0\r\nPingTime=1\r\nStayOnTop=0\r\n")
LOADED = ([100, 100], "IP: 198.18.0.35")  # where the status window shows, and its caption
NOTHING = ([0, 0], "")  # nothing applied: the position corrected to 0,0, no caption
LOAD_LIMIT_MS = 1000  # more than a normal file takes


def takes_no_part(line):
    """A line whose key is none of the settings' in any letter case."""
    key = line.split(b"=", 1)[0].decode("latin-1").lower()
    return b"=" not in line or key not in {k.lower() for k in KEYS}


def junk_files():
    """(name, content, expected) for each file; the same bytes on every run."""
    rnd = random.Random(8)
    printable = bytes(range(32, 127))
    junk = b""
    while len(junk) < 10 * 1024:
        line = bytes(rnd.choice(printable) for _ in range(rnd.randint(0, 120)))
        if takes_no_part(line):
            junk += line + rnd.choice([b"\r\n", b"\n", b"\r"])
    no_eq_nul = bytes(b for b in range(1, 256) if b != ord("="))
    binary = bytes(rnd.choice(no_eq_nul) for _ in range(10 * 1024))
    return [
        ("normal", VALID, LOADED),
        # The keys found after 10 KB of lines of printable junk.
        ("junk_10k", junk + VALID, LOADED),
        # Bytes of every value: the first NUL ends the content, and no key is found.
        ("binary_10k", bytes(rnd.randrange(256) for _ in range(10 * 1024)), NOTHING),
        # Binary lines (no NUL, no "="), the keys, then a NUL and a line that must not count.
        ("binary_then_keys", binary + b"\r\n" + VALID + b"\0IP=198.18.0.99\r\n" + binary, LOADED),
        # One line of 10 KB with no line end: MainFormPosX's value is no 32-bit number.
        ("one_line_10k", b"MainFormPosX=" + b"7" * (10 * 1024 - 13), NOTHING),
        # 100,000 lines: the keys after 99,991 others, so every lookup goes through them all.
        ("lines_100k", b"".join(b"Key%d=Value%d\r\n" % (i, i) for i in range(99991)) + VALID,
         LOADED),
    ]


@scenario("fault_settings_files_of_junk")
def junk_settings(d):
    figures, problems = [], []
    for name, content, (place, caption) in junk_files():
        watched = time.monotonic()
        watch = d.watch()
        watch.wait_ready(20)
        workdir = tempfile.mkdtemp(prefix="work-", dir=d.rig.run_dir)
        with open(os.path.join(workdir, "Vorlix.ini"), "wb") as f:
            f.write(content)
        started_ms = (time.monotonic() - watched) * 1000
        prog = d.start(workdir)
        try:
            main = wait_window(d, STATUS, 20, prog)
            events = wait_until("the watch to see the status window shown", watch.events,
                                lambda ev: any(e.role == STATUS and e.visible and not e.exact
                                               for e in ev), 5)
            made = next((e.t_ms for e in events if e.role == "application" and not e.exact), None)
            shown = next((e.t_ms for e in events if e.role == STATUS and e.visible and
                          not e.exact), None)
            ms = shown - made if made is not None and shown is not None else None
            figures.append((name, len(content), ms, shown and int(shown - started_ms)))
            if (main.frame[:2], main.title) != (place, caption):
                problems.append(f"{name}: the status window at {main.frame[:2]} reading "
                                f"{main.title!r}, want {place} reading {caption!r}")
            if ms is None:
                problems.append(f"{name}: the watch saw no start ({events[:4]})")
            if prog.settings_file() != content:
                problems.append(f"{name}: the file was rewritten at the start")
            d.request_close(STATUS)
            rc = prog.wait(10)
            if rc != 0:
                problems.append(f"{name}: {exit_text(rc)}")
        except Failure as e:
            problems.append(f"{name}: {e}")
        finally:
            d.end_test()
    normal = figures[0][3] or 0
    for name, length, ms, total in figures[1:]:
        if total is not None and total - normal > LOAD_LIMIT_MS:
            problems.append(f"{name}: {total} ms from the start to the window shown, "
                            f"{total - normal} ms more than with a normal file")
    print("  ms from the application window made to the status window shown / from the start "
          "of the process (a look every 20 ms): " +
          ", ".join(f"{n} ({size} bytes) {ms} / {total}" for n, size, ms, total in figures))
    check(not problems, "; ".join(problems))
