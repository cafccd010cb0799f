#!/usr/bin/env python3
"""Tests of tally.py: how runner output of each kind is counted. Run: python3 tally_test.py"""

import io
import os
import sys
import tempfile
import unittest
from contextlib import redirect_stdout

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tally  # noqa: E402


def ctest_junit(*cases):
    """cases: (name, status, child) with child "" or an element such as <failure .../>."""
    body = "".join(f'<testcase name="{n}" classname="{n}" status="{s}">{c}</testcase>'
                   for n, s, c in cases)
    return f'<?xml version="1.0"?><testsuite tests="{len(cases)}">{body}</testsuite>'


def gtest_xml(*cases):
    """cases: (Suite, Case, result, child)."""
    body = "".join(f'<testsuite name="{s}"><testcase name="{c}" classname="{s}" status="run" '
                   f'result="{r}">{child}</testcase></testsuite>' for s, c, r, child in cases)
    return f'<?xml version="1.0"?><testsuites>{body}</testsuites>'


def pytest_junit(*cases):
    """cases: (name, children), as pytest --junitxml writes them (a teardown's error is a child
    too)."""
    body = "".join(f'<testcase classname="test_e2e" name="{n}">{c}</testcase>' for n, c in cases)
    return f'<?xml version="1.0"?><testsuites><testsuite>{body}</testsuite></testsuites>'


def e2e_run(rig="", program=""):
    return pytest_junit(("test_rig[r]", rig), ("test_scenario[t]", program))


SKIPPED = '<skipped message="x.cpp:9&#x0A;needs the test network"/>'
FAILED = '<failure message="x.cpp:3&#x0A;Expected 1, got 2"/>'


class TallyTest(unittest.TestCase):
    def count(self, files):
        with tempfile.TemporaryDirectory() as results:
            for name, text in files.items():
                path = os.path.join(results, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w") as f:
                    f.write(text)
            out = io.StringIO()
            with redirect_stdout(out):
                rc = tally.main(results)
        lines = out.getvalue().splitlines()
        return rc, lines[-1], lines

    def test_each_case_counts_once_in_its_layer(self):
        cases = [
            # (what, files, exit code, last line)
            ("native cases from ctest's JUnit; notrun is a skip, never a pass",
             {"native.junit.xml": ctest_junit(("A.a", "run", ""), ("A.b", "notrun", ""),
                                              ("A.c", "fail", FAILED))},
             1, "1 passed, 1 failed, 1 skipped"),
            ("a Wine case skipped in one run and passed in another counts once, as passed",
             {"wine.junit.xml": ctest_junit(("wine.all", "run", ""), ("wine.no_icmp", "run", "")),
              "wine-gtest/t.xml": gtest_xml(("W", "NoIcmp", "skipped", SKIPPED),
                                            ("L", "Loop", "completed", "")),
              "wine-gtest/t_1.xml": gtest_xml(("W", "NoIcmp", "completed", ""))},
             0, "2 passed, 0 failed, 0 skipped"),
            ("a Wine case skipped in every run stays a skip",
             {"wine.junit.xml": ctest_junit(("wine.all", "run", "")),
              "wine-gtest/t.xml": gtest_xml(("L", "Hosts", "skipped", SKIPPED))},
             0, "0 passed, 0 failed, 1 skipped"),
            ("a failed ctest entry with no failed case still fails",
             {"wine.junit.xml": ctest_junit(("wine.all", "fail", "")),
              "wine-gtest/t.xml": gtest_xml(("L", "Loop", "completed", ""))},
             1, "1 passed, 1 failed, 0 skipped"),
            ("an entry that wrote no XML fails",
             {"wine.junit.xml": ctest_junit(("wine.a", "run", ""), ("wine.b", "run", "")),
              "wine-gtest/t.xml": gtest_xml(("L", "Loop", "completed", ""))},
             1, "1 passed, 1 failed, 0 skipped"),
            ("pytest's cases: a teardown's error fails a case once, a skip is a skip",
             {"package.junit.xml": pytest_junit(
                 ("test_a", ""), ("test_b", '<error message="failed on teardown"/>'),
                 ("test_c", '<skipped message="--no-install"/>'),
                 ("test_d[x]", '<failure message="f"/><error message="teardown"/>'),
                 ("test_e[x]", ""))},
             1, "2 passed, 2 failed, 1 skipped"),
            ("a rig failure fails the run but is not counted in the last line",
             {"e2e.junit.xml": e2e_run(rig='<failure message="late"/>')},
             1, "1 passed, 0 failed, 0 skipped"),
            ("each end-to-end run is a layer of its own: one name counts once per run",
             {f"{run}.junit.xml": e2e_run() for run in ("e2e", "e2e-linux", "e2e-linux-asan")},
             0, "3 passed, 0 failed, 0 skipped"),
            ("the Linux platform and GTK cases from their GoogleTest XML",
             {"linux-gtest/linux.xml": gtest_xml(("E", "Reply", "completed", ""),
                                                 ("E", "Raw", "skipped", SKIPPED)),
              "linux-gtest/gtk.xml": gtest_xml(("G", "Tab", "completed", FAILED))},
             1, "1 passed, 1 failed, 1 skipped"),
            ("the layer is the file name's first part: two step reports are one layer",
             {"steps.1.junit.xml": pytest_junit(("build windows", '<failure message="log"/>')),
              "steps.2.junit.xml": pytest_junit(("build linux", "")),
              "fuzz.junit.xml": ctest_junit(("fuzz_smoke", "run", ""))},
             1, "2 passed, 1 failed, 0 skipped"),
            ("a stopped pytest run's case of no name is not counted",
             {"e2e.junit.xml": e2e_run().replace("</testsuite>",
                                                 '<testcase time="0"/></testsuite>')},
             0, "1 passed, 0 failed, 0 skipped"),
            ("nothing ran", {}, 0, "0 passed, 0 failed, 0 skipped"),
        ]
        for what, files, want_rc, want_last in cases:
            with self.subTest(what):
                rc, last, _ = self.count(files)
                self.assertEqual((rc, last), (want_rc, want_last))

    def test_a_skip_says_why_without_the_source_position(self):
        _, _, lines = self.count({"wine.junit.xml": ctest_junit(("wine.all", "run", "")),
                                  "wine-gtest/t.xml": gtest_xml(("L", "H", "skipped", SKIPPED))})
        self.assertIn("SKIP wine L.H: needs the test network", lines)

    def test_a_rig_check_counts_once_per_end_to_end_run(self):
        _, _, lines = self.count({f"{run}.junit.xml": e2e_run() for run in ("e2e", "e2e-linux")})
        self.assertEqual(lines[-2], "rig: 2 passed, 0 failed")

    def test_a_scenario_is_named_by_its_parameter(self):
        _, _, lines = self.count({"e2e-linux.junit.xml": e2e_run(
            rig='<failure message="late"/>', program='<skipped message="no 32-bit"/>')})
        self.assertIn("SKIP e2e-linux t: no 32-bit", lines)
        self.assertIn("FAIL rig r (e2e-linux): late", lines)

    def test_a_recorded_result_is_counted_with_its_detail(self):
        with tempfile.TemporaryDirectory() as results:
            for name, status, detail in (("a <b> & \"c\"", "failed", "see <log> & more"),
                                         ("left nothing", "passed", ""), ("s", "skipped", "why")):
                tally.record(results, "steps" if status != "passed" else "rig", name, status,
                             detail)
            out = io.StringIO()
            with redirect_stdout(out):
                rc = tally.main(results)
        lines = out.getvalue().splitlines()
        self.assertEqual((rc, lines[-2:]), (1, ["rig: 1 passed, 0 failed",
                                                "0 passed, 1 failed, 1 skipped"]))
        self.assertIn('FAIL steps a <b> & "c": see <log> & more', lines)


if __name__ == "__main__":
    unittest.main()
