#!/usr/bin/env python3
"""End-to-end tests of the real program, inside network namespaces made for the run.

Usage (as root; build the helpers first, see run.sh):
  e2e.py [--driver wine|linux] [--exe PATH] [--exe32 PATH] [--socket datagram|raw]
         [--wm openbox|xfwm4|mutter|icewm] [-k SUBSTRING] [--results FILE] [--keep]
  e2e.py --list
The Wine driver runs build/windows/vorlix.exe (or $VORLIX_EXE), and the 32-bit program
build/windows-i686/vorlix.exe; the Linux driver runs build/linux/vorlix, with the echo going
through a datagram ICMP socket, or with --socket raw through a raw one, under openbox; with
--wm xfwm4 or --wm mutter it runs the scenarios of window management (WINDOW_MANAGEMENT in
scenarios_desktop.py) under that window manager instead, and with --wm icewm those of the frames,
their sizes and minimize alone (FRAMES in scenarios_frames.py). Prints "PASS name",
"FAIL name: why" or "SKIP name: why" per test, then "rig: N passed, N failed" for the rig's own
tests and, last, "N passed, N failed, N skipped" for the program's. --results writes the same as
JSON lines.

The files: scenarios.py (the tests for every platform, and the steps they share), with more in
scenarios_behaviour.py, scenarios_faults.py, scenarios_heard.py, scenarios_desktop.py and
scenarios_dll.py, each module's SCENARIOS joined into one list below (SCENARIOS),
driver.py (what a platform provides to them), wine_driver.py (Wine, with wininspect.cpp),
linux_driver.py (the native program under a window manager, with linux_session.py,
atspi_reader.py, orca_session.py and linux_desktop.py), layout.py (the program's windows and
controls), rig.py (display, network, waiting, input, runner), rig_checks.py and icmp_probe.py
(tests of the rig itself). scenarios_install.py adds the scenarios of the packages that cpack
makes, scenarios_files.py those of the settings file's kinds.
"""

import argparse
import os
import signal
import sys

import rig
import scenarios
import scenarios_behaviour
import scenarios_desktop
import scenarios_dll
import scenarios_faults
import scenarios_files
import scenarios_frames
import scenarios_heard
import scenarios_install
from linux_driver import LinuxDriver
from rig_checks import RIG_CHECKS
from linux_session import WINDOW_MANAGERS
from scenarios_desktop import WINDOW_MANAGEMENT
from scenarios_frames import FRAMES
from wine_driver import WineDriver

RUN_BUDGET_S = 540  # the whole run, set-up and clean-up included, stays below 10 minutes
# Every scenario, in the order they run.
SCENARIOS = (scenarios.SCENARIOS + scenarios_behaviour.SCENARIOS + scenarios_desktop.SCENARIOS
             + scenarios_frames.SCENARIOS + scenarios_faults.SCENARIOS + scenarios_files.SCENARIOS
             + scenarios_install.SCENARIOS + scenarios_heard.SCENARIOS + scenarios_dll.SCENARIOS)


def make_driver(name, the_rig, args):
    # Another platform's driver is a Driver subclass (driver.py) made here by its name.
    if name == "wine":
        exe = args.exe or os.environ.get(
            "VORLIX_EXE", os.path.join(rig.REPO, "build", "windows", "vorlix.exe"))
        return WineDriver(the_rig, os.path.abspath(exe), os.path.abspath(args.exe32))
    if name == "linux":
        exe = args.exe or os.path.join(rig.REPO, "build", "linux", "vorlix")
        return LinuxDriver(the_rig, os.path.abspath(exe), args.socket, args.wm)
    sys.exit(f"no driver {name!r}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--driver", default="wine")
    ap.add_argument("--exe", help="the program under test")
    ap.add_argument("--exe32", default=os.path.join(rig.REPO, "build", "windows-i686",
                                                    "vorlix.exe"))
    ap.add_argument("--socket", choices=("datagram", "raw"), default="datagram",
                    help="the ICMP socket the Linux program may open")
    ap.add_argument("--wm", choices=sorted(WINDOW_MANAGERS), default="openbox",
                    help="the window manager of the Linux driver's session")
    ap.add_argument("-k", dest="pattern", default="",
                    help="run only the tests whose name contains this")
    ap.add_argument("--results", help="write each result as a JSON line to this file")
    ap.add_argument("--keep", action="store_true", help="keep the prefix and logs under build/e2e")
    ap.add_argument("--list", action="store_true", help="list the tests")
    args = ap.parse_args()

    tests = [t for t in RIG_CHECKS + SCENARIOS
             if args.pattern in t.name and (t.platforms is None or args.driver in t.platforms)]
    unknown = set(WINDOW_MANAGEMENT + FRAMES) - {t.name for t in RIG_CHECKS + SCENARIOS}
    if unknown:
        sys.exit(f"WINDOW_MANAGEMENT names no test {sorted(unknown)}")
    if args.wm != "openbox":
        if args.driver != "linux":
            sys.exit("--wm is for the Linux driver")
        chosen = FRAMES if args.wm == "icewm" else WINDOW_MANAGEMENT
        tests = [t for t in tests if t.name in chosen]
    if args.list:
        for t in tests:
            print(f"{t.name}{' (rig)' if t.kind == 'rig' else ''}")
        return 0
    if os.geteuid() != 0:
        sys.exit("e2e.py must run as root (network namespaces, raw sockets)")

    def on_signal(signum, _frame):
        raise KeyboardInterrupt(f"signal {signum}")

    def on_alarm(_signum, _frame):
        raise rig.OutOfTime()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(RUN_BUDGET_S)

    the_rig = rig.Rig(args.keep)
    driver = make_driver(args.driver, the_rig, args)
    report = rig.Report(args.results)
    try:
        rig.run_tests(the_rig, driver, tests, report)
    except (KeyboardInterrupt, rig.OutOfTime) as e:
        report.record("program", "interrupted", "failed",
                      str(e) or f"the run took longer than {RUN_BUDGET_S} s")
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)  # clean up in peace
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        driver.teardown()
        the_rig.teardown()
    report.close()
    return 1 if report.failed() else 0


if __name__ == "__main__":
    sys.exit(main())
