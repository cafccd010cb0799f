#!/usr/bin/env python3
"""Counts one scripts/test run from the runners' reports and prints its closing lines.

Usage: tally.py RESULTS_DIR
       tally.py record RESULTS_DIR LAYER NAME passed|failed|skipped [DETAIL]   writes a result
         that no runner reports (a failed step, a check of the script's) as a report of its own
Reads, as far as they exist:
  LAYER[.ANY].junit.xml  JUnit XML of ctest or pytest, in the layer its name begins with: native,
                         tidy, fuzz, package, e2e (Windows), e2e-linux, e2e-linux-asan,
                         e2e-linux-xfwm4, e2e-linux-mutter, e2e-linux-icewm, rig (scripts/lib's
                         tests), steps
  wine.junit.xml with wine-gtest/*.xml   the Wine tree's ctest entries, each running a gtest
                         binary, with GoogleTest's XML of each of those runs
  linux-gtest/*.xml      GoogleTest's XML of the Linux platform and GTK tests (tests/linux/run.sh)
Each test case counts once, in its layer; an end-to-end test is named by its scenario or rig check
(test_scenario[NAME] counts as NAME). A case that several runs report (a gtest case that a binary
skips unless run with its environment, and that another run gives that environment) counts as
failed if any run failed it, else as passed if any passed it, else as skipped. Layer "rig" and the
end-to-end runs' test_rig cases are counted apart; their failures fail the run without counting in
the last line (a rig check of an end-to-end run other than e2e is named with its run).
Prints failures and skips with their reasons, the counts per layer, "rig: N passed, N failed"
and, last, "N passed, N failed, N skipped". Exits 1 when anything failed.
"""

import glob
import os
import re
import sys
import time
import xml.etree.ElementTree as ET

ORDER = ["steps", "native", "wine", "linux", "tidy", "fuzz", "package", "e2e", "e2e-linux",
         "e2e-linux-asan", "e2e-linux-xfwm4", "e2e-linux-mutter", "e2e-linux-icewm"]


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


def read_cases(path, gtest=False):
    """(name as written, name, status, detail) of each case in JUnit XML (ctest --output-junit,
    pytest --junitxml) or, with gtest, GoogleTest's XML (named Suite.Case)."""
    for case in parse_xml(path).iter("testcase"):
        raw, status = case.get("name"), case.get("status")
        if raw is None:
            # A stopped pytest run ends its report with a case of no name: the step that ran it
            # fails, for its exit code, so the stop is counted there.
            continue
        name = f"{case.get('classname')}.{raw}" if gtest else re.sub(
            r"^test_(?:scenario|rig)\[(.*)\]$", r"\1", raw)  # an end-to-end test by its name
        problems = case.findall("failure") + case.findall("error")
        skipped = case.find("skipped")
        if status == "fail" or problems:
            yield raw, name, "failed", first_line(
                problems[0].get("message") if problems else "failed")
        elif status in ("notrun", "disabled") or skipped is not None \
                or case.get("result") in ("skipped", "suppressed"):
            why = skipped.get("message") if skipped is not None else "disabled"
            yield raw, name, "skipped", first_line(re.sub(r"^\S+:\d+\n", "", why or ""))
        else:
            yield raw, name, "passed", ""


def main(results):
    tally, rig = Tally(), Tally()
    for path in sorted(glob.glob(os.path.join(results, "*.junit.xml"))):
        layer = os.path.basename(path).split(".")[0]
        if layer == "wine":
            continue
        for raw, name, status, detail in read_cases(path):
            if layer == "rig" or raw.startswith("test_rig["):
                rig.add("rig", name + ("" if layer in ("rig", "e2e") else f" ({layer})"),
                        status, detail)
            else:
                tally.add(layer, name, status, detail)

    wine = os.path.join(results, "wine.junit.xml")
    if os.path.isfile(wine):
        entries = [e[1:] for e in read_cases(wine)]
        xmls = sorted(glob.glob(os.path.join(results, "wine-gtest", "*.xml")))
        for path in xmls:
            for _, name, status, detail in read_cases(path, gtest=True):
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
        for _, name, status, detail in read_cases(path, gtest=True):
            tally.add("linux", name, status, detail)

    for (layer, name), (status, detail) in list(tally.cases.items()) + list(rig.cases.items()):
        if status != "passed":
            print(f"{status.upper()[:4]} {layer} {name}" + (f": {detail}" if detail else ""))
    print("counts per layer:")
    layers = ORDER + sorted({lay for lay, _ in tally.cases} - set(ORDER))
    for layer in layers:
        c = tally.counts(layer)
        if any(c.values()):
            print(f"  {layer:<16} passed {c['passed']:>3}   failed {c['failed']:>3}   "
                  f"skipped {c['skipped']:>3}")
    r = rig.counts("rig")
    print(f"rig: {r['passed']} passed, {r['failed']} failed")
    total = {k: sum(tally.counts(lay)[k] for lay in layers) for k in ("passed", "failed",
                                                                       "skipped")}
    print(f"{total['passed']} passed, {total['failed']} failed, {total['skipped']} skipped",
          flush=True)
    return 1 if total["failed"] or r["failed"] else 0


def record(results, layer, name, status, detail=""):
    """Writes one result as RESULTS/LAYER.ID.junit.xml, a JUnit report of one case."""
    case = ET.Element("testcase", name=name, classname=layer)
    if status != "passed":
        ET.SubElement(case, {"failed": "failure", "skipped": "skipped"}[status], message=detail)
    suite = ET.Element("testsuite", name=layer, tests="1")
    suite.append(case)
    os.makedirs(results, exist_ok=True)
    ET.ElementTree(suite).write(
        os.path.join(results, f"{layer}.{time.time_ns()}-{os.getpid()}.junit.xml"),
        encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    if sys.argv[1:2] == ["record"]:
        sys.exit(record(*sys.argv[2:]))
    sys.exit(main(sys.argv[1]))
