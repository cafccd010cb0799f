#!/usr/bin/env python3
"""Tests of the rig's shared pieces that can go wrong without a display or a namespace: the
test-host table against the rules netns.sh admits, how Xvfb's display number is read, the Wine
prefix's command lines and the end-to-end run's time limits. Run: pytest-3 scripts/lib"""

import ipaddress
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from unittest import mock

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
NETWORK = os.path.join(REPO, "tests", "network")
sys.path[:0] = [HERE, NETWORK, os.path.join(REPO, "tests", "e2e")]
import conftest as e2e_run  # noqa: E402  (tests/e2e: the run's time limits)
import processes  # noqa: E402
import hosts  # noqa: E402
import rig  # noqa: E402
import wine_prefix  # noqa: E402


class HostTable(unittest.TestCase):
    def test_every_host_is_one_netns_sh_admits(self):
        # netns.sh refuses (and the responder would never serve) an address outside .3 .. .127.
        for addr, delay in hosts.HOSTS.items():
            with self.subTest(addr=addr):
                self.assertIn(ipaddress.ip_address(addr), ipaddress.ip_network("198.18.0.0/24"))
                self.assertTrue(3 <= int(addr.rsplit(".", 1)[1]) <= 127)
                self.assertTrue(delay is None or 0 <= delay < 5000)
        p = subprocess.run(["bash", "-c", 'source "$1" && vx__rule_addrs "${@:2}"', "netns",
                            os.path.join(NETWORK, "netns.sh"), *hosts.rules()],
                           capture_output=True, text=True)
        self.assertEqual((p.returncode, p.stdout.split()), (0, list(hosts.HOSTS)), p.stderr)

    def test_the_command_line_prints_the_rules(self):
        p = subprocess.run([sys.executable, os.path.join(NETWORK, "hosts.py")], capture_output=True,
                           text=True, check=True)
        self.assertEqual(p.stdout.splitlines(), hosts.rules())
        self.assertIn("198.18.0.99=never", hosts.rules())


class ReadLine(unittest.TestCase):
    def test_cases(self):
        # (what is written before the writer closes, what is read)
        for written, expected in ((b"214\n", "214"), (b"2", ""), (b"", ""),
                                  (b"3\nrest\n", "3")):
            with self.subTest(written=written):
                r, w = os.pipe()
                os.write(w, written)
                os.close(w)
                try:
                    self.assertEqual(processes.read_line(r, 2), expected)
                finally:
                    os.close(r)

    def test_gives_up_when_nothing_comes(self):
        r, w = os.pipe()
        try:
            self.assertEqual(processes.read_line(r, 0.1), "")
        finally:
            os.close(r)
            os.close(w)


class WinePrefix(unittest.TestCase):
    def test_command_lines(self):
        # The wrap comes first, the environment has no bus and the prefix as an absolute path.
        calls = []
        with mock.patch.object(wine_prefix.subprocess, "run",
                               lambda argv, **kw: calls.append(argv) or mock.Mock(returncode=0)):
            wine_prefix.set_display("rel/pfx", "bare", ["ip", "netns", "exec", "vx-app-1"])
        self.assertEqual(len(calls), 3)
        for argv in calls:
            self.assertEqual(argv[:5], ["ip", "netns", "exec", "vx-app-1", "env"])
            self.assertIn(f"WINEPREFIX={os.path.abspath('rel/pfx')}", argv)
            self.assertIn("DBUS_SESSION_BUS_ADDRESS=unix:path=/dev/null/no-bus", argv)
        self.assertEqual([c[c.index("reg") + 1:c.index("reg") + 4] for c in calls[:2]],
                         [["add", wine_prefix.X11_KEY, "/v"]] * 2)
        with self.assertRaises(ValueError):
            wine_prefix.set_display("pfx", "Bare")

    def test_remove_server_dir_only_removes_a_wine_folder_name(self):
        for name, removed in (("wine-Ab12Cd", True), ("../etc", False), ("wine-Ab12Cd/..", False),
                              ("", False)):
            with self.subTest(name=name), mock.patch.object(wine_prefix.shutil, "rmtree") as rm, \
                    mock.patch("builtins.open", mock.mock_open(read_data=name + "\n")):
                wine_prefix.remove_server_dir("/pfx")
                self.assertEqual(rm.called, removed)
                if removed:
                    self.assertEqual(rm.call_args.args[0], f"/tmp/{name}")


    def test_a_prefix_is_a_copy_of_the_users_template_made_once(self):
        boots = []

        def boot(prefix, wrap, argv, **extra):
            if argv[0] == "wineboot":
                boots.append(prefix)
                for name in ("system.reg", "wineserver"):  # wineserver: the template's own
                    with open(os.path.join(prefix, name), "w") as f:
                        f.write(name)
                os.makedirs(os.path.join(prefix, "drive_c", "windows", "Fonts"))
                os.symlink("../drive_c", os.path.join(prefix, "c"))
            return 0

        with tempfile.TemporaryDirectory() as top, \
                mock.patch.object(wine_prefix, "TEMPLATES", os.path.join(top, "t")), \
                mock.patch.object(wine_prefix, "WINE32", "/nonexistent"), \
                mock.patch.object(wine_prefix, "_wine", boot):
            for name in ("a", "b", "a"):
                wine_prefix.make(os.path.join(top, name))
            template = os.path.join(top, "t", str(os.getuid()))
            self.assertEqual(boots, [template])
            for name in ("a", "b"):
                made = os.path.join(top, name)
                self.assertEqual(sorted(os.listdir(made)), ["c", "drive_c", "system.reg"])
                self.assertEqual(os.readlink(os.path.join(made, "c")), "../drive_c")


def running_in_group(pgid):
    """The processes of the group that have not ended (zombies have)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == pgid and fields[0] != "Z":
            found.append(int(pid))
    return found


class Processes(unittest.TestCase):
    def test_no_bus_reads_the_same_in_bash_and_python(self):
        said = subprocess.run(["bash", "-c", 'source "$0"; printf "%s\\n" "${VORLIX_NO_BUS[@]}"',
                               os.path.join(HERE, "common.sh")], capture_output=True, text=True)
        self.assertEqual(said.stdout.splitlines(),
                         [f"{k}={v}" for k, v in wine_prefix.NO_BUS.items()])
        self.assertEqual(sorted(wine_prefix.NO_BUS), ["DBUS_SESSION_BUS_ADDRESS",
                                                      "DBUS_SYSTEM_BUS_ADDRESS"])

    def test_stop_ends_the_whole_group_waiting_out_its_grace(self):
        # (what the group does on SIGTERM, its script, how long the stop takes at least, at most,
        # whether the group is stopped or its leader alone, which is our child: a zombie until
        # it is waited for, after the stop)
        cases = (("ends", "sleep 30 & sleep 30; wait", 0, 1, True),
                 ("ignores it", "trap '' TERM; sleep 30 & sleep 30; wait", 0.3, 3, True),
                 ("a member ends 0.2 s after the leader",
                  "(trap 'sleep 0.2; exit' TERM; sleep 30 & wait) & sleep 30; wait", 0.15, 1, True),
                 ("the leader alone ends, a zombie", "sleep 30", 0, 1, False))
        for what, script, at_least, at_most, group_too in cases:
            with self.subTest(what):
                group = subprocess.Popen(["bash", "-c", script], start_new_session=True)
                time.sleep(0.2)
                t0 = time.monotonic()
                processes.stop_pid(group.pid, group_too, grace=0.3 if at_least else 5)
                took = time.monotonic() - t0
                self.assertEqual(running_in_group(group.pid), [])
                self.assertTrue(at_least <= took <= at_most, took)
                group.wait(5)


class TimeLimits(unittest.TestCase):
    def test_the_nearer_limit_ends_the_work_with_its_reason(self):
        # (seconds of the run's budget left, the test's limit, what the alarm says)
        for left, limit, why in ((5, 0.05, "the test's limit"), (0.05, 5, e2e_run.OUT_OF_TIME),
                                 (0.05, None, e2e_run.OUT_OF_TIME)):
            with self.subTest(left=left, limit=limit):
                budget = e2e_run.Budget()
                budget.deadline = time.monotonic() + left
                old = signal.signal(signal.SIGALRM, budget.on_alarm)
                try:
                    with self.assertRaises(rig.OutOfTime) as said:
                        with budget.armed(limit, "the test's limit"):
                            time.sleep(2)
                    self.assertEqual(str(said.exception), why)
                    self.assertEqual(signal.getitimer(signal.ITIMER_REAL), (0.0, 0.0))
                finally:
                    signal.signal(signal.SIGALRM, old)

    def test_once_the_budget_is_spent_the_clean_up_still_runs(self):
        budget = e2e_run.Budget()
        budget.deadline = time.monotonic() - 1
        self.assertTrue(budget.spent())
        with budget.armed():
            self.assertEqual(signal.getitimer(signal.ITIMER_REAL), (0.0, 0.0))


if __name__ == "__main__":
    unittest.main()
