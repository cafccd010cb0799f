"""End-to-end scenarios of the settings file as users keep it: a pipe or a device at its name, a
link, a read-only file, and the terminal going away (SIGHUP).

A start whose settings the program cannot read watches its built-in target once the settings
window is hidden: those scenarios press nothing and open no settings window.
"""

import os
import signal
import stat
import tempfile
import time

from layout import STATUS
from rig import check, exit_text
from scenarios import (adder, close_and_check_exit, close_program, file_with, new_workdir, the_box,
                       open_settings, start, type_into, wait_window, write_settings)
from scenarios_behaviour import CONVERSION_ERROR
from scenarios_faults import hide_settings_with_ok, no_box_for_a_while

SCENARIOS = []
scenario = adder(SCENARIOS)

NOTHING_APPLIED = ([0, 0], "")  # the position corrected to 0,0, no caption


def kind_of(path):
    mode = os.lstat(path).st_mode
    return ("link" if stat.S_ISLNK(mode) else "pipe" if stat.S_ISFIFO(mode)
            else "file" if stat.S_ISREG(mode) else oct(mode))


def unreadable_start(d, make, what):
    """Starts the program over a Vorlix.ini that make(path) put in place and that it cannot
    read: the status window shows with nothing applied, no box shows, and a close request ends
    it with exit code 0, the name left as it was."""
    workdir = new_workdir(d)
    path = os.path.join(workdir, "Vorlix.ini")
    make(path)
    kind = kind_of(path)
    prog = d.start(workdir)
    main = wait_window(d, STATUS, 10, prog)
    check((main.frame[:2], main.title) == NOTHING_APPLIED,
          f"{what}: the status window at {main.frame[:2]} reading {main.title!r}, want "
          f"nothing applied")
    no_box_for_a_while(d, f"a start over {what}")
    d.request_close(STATUS)
    close_and_check_exit(d, prog, f"a close request ({what})")
    check(kind_of(path) == kind, f"{what}: the name is now a {kind_of(path)}, was a {kind}")


@scenario("fault_settings_file_a_pipe")
def settings_file_a_pipe(d):
    # No process ever writes to it: a read that waited for a writer would wait for good.
    unreadable_start(d, os.mkfifo, "a pipe without a writer")


@scenario("fault_settings_file_an_endless_device", platforms=("linux",))
def settings_file_a_device(d):
    # Under Wine the program reads through Wine, which refuses a device the same way; the
    # Linux program meets the device itself.
    for device in ("/dev/zero", "/dev/urandom"):
        unreadable_start(d, lambda path, target=device: os.symlink(target, path),
                         f"a link to {device}")
        d.end_test()


def change_and_hide(d, octet, timeout):
    """Opens the settings window, types a last octet and a timeout, and hides it with OK."""
    open_settings(d)
    type_into(d, "Edit_IP3", octet)
    type_into(d, "Edit_TimeOut", timeout)
    hide_settings_with_ok(d)


@scenario("settings_file_a_link_stays_a_link")
def settings_file_a_link(d):
    workdir = new_workdir(d)
    dotfiles = tempfile.mkdtemp(prefix="dotfiles-", dir=d.rig.run_dir)
    write_settings(dotfiles)
    target = os.path.join(dotfiles, "Vorlix.ini")
    os.chmod(target, 0o600)
    link = os.path.join(workdir, "Vorlix.ini")
    os.symlink(os.path.relpath(target, workdir), link)
    prog = d.start(workdir)
    main = wait_window(d, STATUS, 20, prog)
    check(main.title == "IP: 198.18.0.20", f"the caption reads {main.title!r}: the settings "
                                           f"were not read through the link")
    change_and_hide(d, "35", "1500")
    written, ok = file_with(prog, [b"IP=198.18.0.35\r\n", b"TimeOut=1500\r\n"])
    check(ok, f"the file the link leads to holds {written!r}")
    problems = []
    if not os.path.islink(link):
        problems.append(f"the name is a {kind_of(link)} now, no longer a link")
    elif os.readlink(link) != os.path.relpath(target, workdir):
        problems.append(f"the link leads to {os.readlink(link)} now")
    mode = stat.S_IMODE(os.stat(target).st_mode)
    extra = sorted(set(os.listdir(dotfiles)) - {"Vorlix.ini"})
    if extra:
        problems.append(f"the dotfiles folder now holds {extra}")
    if d.name == "linux" and mode != 0o600:
        problems.append(f"the file's mode is {oct(mode)}, was 0o600")
    close_program(d, prog)
    check(not problems, "; ".join(problems))
    # Wine gives a replaced file its own default mode; Windows keeps the file's security.
    print(f"  the link kept; the file it leads to holds the saved values, mode {oct(mode)}")


@scenario("settings_file_read_only_left_alone")
def settings_file_read_only(d):
    workdir = new_workdir(d)
    write_settings(workdir)
    path = os.path.join(workdir, "Vorlix.ini")
    os.chmod(path, 0o444)
    before = open(path, "rb").read()
    prog = d.start(workdir)
    main = wait_window(d, STATUS, 20, prog)
    check(main.title == "IP: 198.18.0.20", f"the caption reads {main.title!r}")
    change_and_hide(d, "35", "1500")
    no_box_for_a_while(d, "a hide over a read-only file")
    close_program(d, prog)
    after = open(path, "rb").read()
    check(after == before, f"the read-only file now holds {after!r}")
    check(stat.S_IMODE(os.stat(path).st_mode) == 0o444, "the file's mode changed")
    check(sorted(os.listdir(workdir)) == ["Vorlix.ini"], f"the folder holds {os.listdir(workdir)}")
    print("  the read-only file was left byte for byte; the hide said nothing")


@scenario("close_by_sighup_saves_the_shown_settings", platforms=("linux",))
def close_by_sighup(d):
    prog = start(d)
    wait_window(d, STATUS, 20, prog)
    open_settings(d)
    type_into(d, "Edit_TimeOut", "1700")
    # The terminal the program was started from goes away.
    os.kill(prog.popen.pid, signal.SIGHUP)
    rc = prog.wait(8)
    check(rc == 0, f"{exit_text(rc)} after SIGHUP, want 0")
    written, ok = file_with(prog, [b"TimeOut=1700\r\n"], timeout=1)
    check(ok, f"the shown settings were not saved: the file holds {written!r}")
    print("  SIGHUP applied and saved the shown settings window; exit code 0")


@scenario("second_signal_ends_a_held_shutdown", platforms=("linux",))
def second_signal(d):
    # A first signal ends the session; when that end waits on the error box of a bad field, or
    # the start on a settings file another process holds, a second one ends the program at once,
    # by that signal, and the file stays as it was.
    problems = []
    cases = [(sig, "box", 1.0) for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)]
    cases.append((signal.SIGTERM, "held file", 0.3))
    for sig, held_by, gap in cases:
        what = f"{sig.name} while the {held_by} holds the end"
        workdir = new_workdir(d)
        write_settings(workdir)
        path = os.path.join(workdir, "Vorlix.ini")
        before = open(path, "rb").read()
        holder = None
        try:
            if held_by == "box":
                prog = d.start(workdir)
                wait_window(d, STATUS, 20, prog)
                open_settings(d)
                type_into(d, "Edit_TimeOut", "abc")
                os.kill(prog.popen.pid, sig)
                box = the_box(d, prog)
                if (box.caption, box.text) != ("Vorlix", CONVERSION_ERROR.format("abc")):
                    problems.append(f"{what}: box {box.caption!r}: {box.text!r}")
            else:
                holder = d.hold_file(path, "none")
                prog = d.start(workdir)
                time.sleep(0.5)
                os.kill(prog.popen.pid, sig)
            time.sleep(gap)
            if not prog.running():
                problems.append(f"{what}: the first signal alone ended it "
                                f"({exit_text(prog.exit_code())})")
                continue
            os.kill(prog.popen.pid, sig)
            rc = prog.wait(1.0)
            if rc != -sig:
                problems.append(f"{what}: {exit_text(rc)} 1 s after the second, want killed by it")
        finally:
            if holder:
                holder.release()
            d.end_test()
        if open(path, "rb").read() != before:
            problems.append(f"{what}: the settings file changed")
        if os.listdir(workdir) != ["Vorlix.ini"]:
            problems.append(f"{what}: the folder holds {sorted(os.listdir(workdir))}")
    check(not problems, "; ".join(problems))
    print(f"  {len(cases)} cases: ended by the second signal within 1 s, the file unchanged")
