#!/usr/bin/env python3
"""Checks the packages that cpack made: the Debian package of the Linux tree and the zips and
Windows Installer packages of the Windows trees (build/linux, build/windows, build/windows-i686,
each with its SHA256SUMS).

Usage (as root, after the builds and cpack): check.py [--results FILE] [--no-install]
Prints "PASS name", "FAIL name: why" or "SKIP name: why" per check and writes each as a line
"package<TAB>name<TAB>passed|failed|skipped<TAB>detail" to FILE. With --no-install the package
is not installed into the machine (and removed again) with apt. Starting the packaged programs
is for the end-to-end scenarios (tests/e2e/scenarios_install.py), inside the test network.
"""

import argparse
import sys
import traceback

import deb_checks  # noqa: F401  (registers its checks)
import msi_checks  # noqa: F401  (registers its checks)
import zip_checks  # noqa: F401  (registers its checks)
from packages import CHECKS, OPTIONS, Failure, Skip


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--results", help="write each result as a TSV line to this file")
    ap.add_argument("--no-install", action="store_true", help="do not install with apt")
    args = ap.parse_args()
    OPTIONS["install"] = not args.no_install
    failed = 0
    out = open(args.results, "w") if args.results else None
    for name, fn in CHECKS:
        status, detail = "passed", ""
        try:
            fn()
        except Skip as e:
            status, detail = "skipped", str(e)
        except Failure as e:
            status, detail = "failed", str(e)
        except Exception:  # a broken check fails, with its trace in the log
            status, detail = "failed", traceback.format_exc(limit=3).strip().replace("\n", " | ")
        failed += status == "failed"
        word = {"passed": "PASS", "failed": "FAIL", "skipped": "SKIP"}[status]
        print(f"{word} {name}" + (f": {detail}" if detail else ""), flush=True)
        if out:
            detail = detail.replace("\t", " ").replace("\n", " ")
            out.write(f"package\t{name}\t{status}\t{detail}\n")
    if out:
        out.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
