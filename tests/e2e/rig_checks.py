"""Tests of the rig itself: the namespace is confined, the responder keeps its delays. They are
reported apart from the program's tests."""

import json
import os
import sys

from rig import HOSTS, NETNS_SH, NETWORK, Test, check, run


def namespace_confined(d):
    p = run(["bash", NETNS_SH, "check", str(d.rig.ns_id)], check_rc=False)
    check(p.returncode == 0, p.stderr.strip())
    outside = d.rig.confined(d.platform_pids())
    check(not outside, f"processes of the {d.name} platform outside {d.rig.app_ns}: {outside}")


LATE_MS = 25


def responder_delays(d):
    probe = os.path.join(NETWORK, "send_echoes.py")
    p = run(d.rig.in_app_ns([sys.executable, probe, *HOSTS], d.rig.base_env()), timeout=20)
    got = {r["addr"]: r for r in map(json.loads, p.stdout.splitlines())}
    problems = []
    for addr, delay in HOSTS.items():
        r = got.get(addr, {})
        if delay is None:
            if r.get("ms") is not None:
                problems.append(f"{addr} answered after {r['ms']:.1f} ms but must not")
            continue
        if r.get("ms") is None:
            problems.append(f"{addr} did not answer")
        # Never early; late by no more than a loaded machine's scheduling, well inside the
        # margins the scenarios allow a check (a delay of 650 ms reads 650 to 800ms).
        elif not delay <= r["ms"] <= delay + LATE_MS:
            problems.append(f"{addr} answered after {r['ms']:.1f} ms, want "
                            f"{delay}..{delay + LATE_MS}")
        elif not (r["data_ok"] and r["sum_ok"] and r["from"] == addr):
            problems.append(f"{addr}: bad reply {r}")
    check(not problems, "; ".join(problems))
    measured = [f"{a}={got[a]['ms']:.1f}ms" for a, ms in HOSTS.items() if ms is not None]
    silent = [a for a, ms in HOSTS.items() if ms is None]
    print(f"  delays: {', '.join(measured)}; silent (2 s): {', '.join(silent)}")


RIG_CHECKS = [Test("rig_namespace_confined", namespace_confined),
              Test("rig_responder_delays", responder_delays)]
