"""What the checks of the packages (test_*.py, run by pytest) share: where the packages that cpack
made are and what they should carry.
"""

import os
import re
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.join(REPO, "build")


def expect(cond, message):
    if not cond:
        raise AssertionError(message)


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=600, **kw)


def project_version():
    with open(os.path.join(REPO, "CMakeLists.txt")) as f:
        return re.search(r"project\(Vorlix VERSION (\S+)", f.read()).group(1)


def source_date():
    """The time the packages' entries should carry: the commit's, unless set for the build."""
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return int(run(["git", "-C", REPO, "log", "-1", "--format=%ct"]).stdout)


def packages(tree):
    """The packages that SHA256SUMS in build/TREE lists, each checked against its hash."""
    sums = os.path.join(BUILD, tree, "SHA256SUMS")
    expect(os.path.isfile(sums), f"no {sums}: run cpack --preset {tree}")
    p = run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=os.path.dirname(sums))
    expect(p.returncode == 0, f"{sums}: {(p.stdout + p.stderr).strip()}")
    with open(sums) as f:
        return [os.path.join(BUILD, tree, line.split("  ", 1)[1].strip()) for line in f]
