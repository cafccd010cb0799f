#!/usr/bin/env python3
"""Counts one scripts/test run from the runners' machine output and prints its closing lines.

Usage: tally.py RESULTS_DIR. Reads there, as far as they exist:
  native.junit.xml   ctest's JUnit output of the native tree (one ctest test per gtest case)
  wine.junit.xml     ctest's JUnit output of the Wine tree (each entry runs a gtest binary)
  wine-gtest/*.xml   GoogleTest's XML of each of those binaries' runs
  linux-gtest/*.xml  GoogleTest's XML of the Linux platform and GTK tests (tests/linux/run.sh)
  e2e*.jsonl         the end-to-end results of each run (e2e.py --results), each run a layer
                     named by its file: e2e (Windows), e2e-linux, e2e-linux-asan,
                     e2e-linux-xfwm4, e2e-linux-mutter
  *.tsv              LAYER<TAB>NAME<TAB>passed|failed|skipped<TAB>DETAIL lines written by
                     scripts/test (failed steps, clang-tidy, the fuzz smoke run, checks of the rig)
                     and by tests/package/check.py (layer package)
Each test case counts once, in its layer. A case that several runs report (a gtest case that a
binary skips unless run with its environment, and that another run gives that environment)
counts as failed if any run failed it, else as passed if any run passed it, else as skipped.
Layer "rig" is counted apart; its failures fail the run without counting in the last line (a
rig check of an end-to-end run other than e2e is named with its run).
Prints failures and skips with their reasons, the counts per layer, "rig: N passed, N failed"
and, last, "N passed, N failed, N skipped". Exits 1 when anything failed.
"""

import glob
import json
import os
import re
import sys
import xml.etree.ElementTree as ET

ORDER = ["steps", "native", "wine", "linux", "tidy", "fuzz", "package", "e2e", "e2e-linux",
         "e2e-linux-asan", "e2e-linux-xfwm4", "e2e-linux-mutter"]


class Tally:
    def __init__(self):
        self.cases = {}  # (layer, name) -> [status, detail]

    def add(self, layer, name, status, detail=""):
        key = (layer, name)
        if key not in self.cases:
            self.cases[key] = [status, detail]
            return
        old = self.cases[key]
        rank = {"failed": 2, "passed": 1, "skipped": 0}
        if rank[status] > rank[old[0]]:
            self.cases[key] = [status, detail]

    def counts(self, layer):
        c = {"passed": 0, "failed": 0, "skipped": 0}
        for (lay, _), (status, _) in self.cases.items():
            if lay == layer:
                c[status] += 1
        return c


def first_line(text):
    return " ".join((text or "").strip().split("\n")[:3])[:300]


def parse_xml(path):
    """The root of an XML file whose texts may hold bytes that are no UTF-8 (a failure message
    quoting a test's raw bytes): those are read as replacement characters, not as an error."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", errors="replace")
    return ET.fromstring(text.encode("utf-8"))


def read_ctest_junit(path):
    """(name, status, detail) of each ctest test in a JUnit file of ctest --output-junit."""
    for case in parse_xml(path).iter("testcase"):
        status = case.get("status", "run")
        failure, skipped = case.find("failure"), case.find("skipped")
        if status == "fail" or failure is not None:
            yield case.get("name"), "failed", first_line(
                failure.get("message") if failure is not None else "failed")
        elif status in ("notrun", "disabled") or skipped is not None:
            yield case.get("name"), "skipped", first_line(
                skipped.get("message") if skipped is not None else status)
        else:
            yield case.get("name"), "passed", ""


def read_gtest_xml(path):
    """(Suite.Case, status, detail) of each case in a GoogleTest XML file."""
    for case in parse_xml(path).iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        failures = case.findall("failure") + case.findall("error")
        skipped = case.find("skipped")
        if failures:
            yield name, "failed", first_line(failures[0].get("message"))
        elif case.get("status") == "notrun" or case.get("result") in ("skipped", "suppressed") \
                or skipped is not None:
            why = skipped.get("message") if skipped is not None else "disabled"
            yield name, "skipped", first_line(re.sub(r"^\S+:\d+\n", "", why or ""))
        else:
            yield name, "passed", ""


def main(results):
    tally, rig = Tally(), Tally()
    native = os.path.join(results, "native.junit.xml")
    if os.path.isfile(native):
        for name, status, detail in read_ctest_junit(native):
            tally.add("native", name, status, detail)

    wine = os.path.join(results, "wine.junit.xml")
    if os.path.isfile(wine):
        entries = list(read_ctest_junit(wine))
        xmls = sorted(glob.glob(os.path.join(results, "wine-gtest", "*.xml")))
        for path in xmls:
            for name, status, detail in read_gtest_xml(path):
                tally.add("wine", name, status, detail)
        ran = [e for e in entries if e[1] != "skipped"]
        if len(xmls) < len(ran):
            tally.add("wine", "GoogleTest XML", "failed",
                      f"{len(ran)} ctest entries ran, {len(xmls)} wrote GoogleTest XML")
        if tally.counts("wine")["failed"] == 0:  # a crash outside the cases still fails
            for name, status, detail in ran:
                if status == "failed":
                    tally.add("wine", f"ctest {name}", "failed", detail)

    linux = sorted(glob.glob(os.path.join(results, "linux-gtest", "*.xml")))
    for path in linux:
        for name, status, detail in read_gtest_xml(path):
            tally.add("linux", name, status, detail)

    for e2e in sorted(glob.glob(os.path.join(results, "e2e*.jsonl"))):
        layer = os.path.basename(e2e)[:-len(".jsonl")]
        done = False
        with open(e2e, encoding="utf-8") as f:
            for line in f:
                r = json.loads(line)
                if r.get("done"):
                    done = True
                elif r["kind"] == "rig":
                    rig.add("rig", r["name"] + ("" if layer == "e2e" else f" ({layer})"),
                            r["status"], r["detail"])
                else:
                    tally.add(layer, r["name"], r["status"], r["detail"])
        if not done:
            tally.add(layer, "the end-to-end run", "failed", "it ended before its last result")

    for path in sorted(glob.glob(os.path.join(results, "*.tsv"))):
        with open(path, encoding="utf-8") as f:
            for line in f:
                layer, name, status, detail = (line.rstrip("\n").split("\t") + [""] * 4)[:4]
                (rig if layer == "rig" else tally).add(layer, name, status, detail)

    for (layer, name), (status, detail) in list(tally.cases.items()) + list(rig.cases.items()):
        if status != "passed":
            print(f"{status.upper()[:4]} {layer} {name}" + (f": {detail}" if detail else ""))
    print("counts per layer:")
    layers = ORDER + sorted({lay for lay, _ in tally.cases} - set(ORDER))
    for layer in layers:
        c = tally.counts(layer)
        if any(c.values()):
            print(f"  {layer:<14} passed {c['passed']:>3}   failed {c['failed']:>3}   "
                  f"skipped {c['skipped']:>3}")
    r = rig.counts("rig")
    print(f"rig: {r['passed']} passed, {r['failed']} failed")
    total = {k: sum(tally.counts(lay)[k] for lay in layers) for k in ("passed", "failed",
                                                                       "skipped")}
    print(f"{total['passed']} passed, {total['failed']} failed, {total['skipped']} skipped",
          flush=True)
    return 1 if total["failed"] or r["failed"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
